#!/usr/bin/env python3
"""Makes the crafted model folders that hostile-folders.sh loads, in WORK.

  hostile_files.py WORK

Each folder holds model.x (cut-short/ holds model.whole and big.whole, to be
copied into place before each load, and textured.x; not-files/ also pipe.x).
"""

import os
import sys

HEADER = "xof 0303txt 0032\n"
TRIANGLE = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
CLIMB = "../" * 40


def write_tga(path, width, height):
    """A 24-bit run-length encoded TGA of one color, in runs of 128 texels (runs cross rows)."""
    texels = width * height
    header = bytes([0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + width.to_bytes(2, "little") + height.to_bytes(2, "little")
    with open(path, "wb") as out:
        out.write(header + b"\x18\x20")
        out.write(b"\xff\x40\x80\xc0" * (texels // 128))
        if texels % 128:
            out.write(bytes([0x80 + texels % 128 - 1]) + b"\x40\x80\xc0")


def write_model(path, textures):
    """A model of one triangle whose materials name the given textures."""
    with open(path, "w") as out:
        out.write(HEADER + TRIANGLE + " MeshMaterialList { %d; 1; 0;;\n" % len(textures))
        for texture in textures:
            out.write('  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "%s"; } }\n' % texture)
        out.write(" }\n}\n")


def folder(work, name):
    path = os.path.join(work, name)
    os.makedirs(path, exist_ok=True)
    return path


def make_long_name(work):
    """A texture name of 8 million components: "./" repeated (16 MB, within the
    reader's 16 MiB of material names)."""
    write_model(os.path.join(folder(work, "long-name"), "model.x"), ["./" * 8_000_000 + "t.tga"])


def make_normals(work, triangles=1_000_000):
    """One vertex used with a million normals: a million triangles on three
    vertices, each corner with a normal of its own."""
    with open(os.path.join(folder(work, "normals"), "model.x"), "w") as out:
        out.write(HEADER + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n%d;\n" % triangles)
        out.write("3;0,1,2;,\n" * (triangles - 1) + "3;0,1,2;;\n")
        out.write("MeshNormals { %d;\n" % (3 * triangles))
        out.write("".join("1;%d;0;,\n" % i for i in range(1, 3 * triangles)) + "1;0;0;;\n")
        out.write("%d;\n" % triangles)
        out.write("".join("3;%d,%d,%d;,\n" % (3 * i, 3 * i + 1, 3 * i + 2) for i in range(triangles - 1)))
        out.write("3;%d,%d,%d;;\n}\n}\n" % (3 * triangles - 3, 3 * triangles - 2, 3 * triangles - 1))


def make_not_files(work):
    """Textures that are not files: a pipe nobody writes to, devices (one
    through a link), a folder, standard input, and a link to a real texture;
    and a model that is a pipe."""
    path = folder(work, "not-files")
    os.makedirs(os.path.join(path, "folder.tga"), exist_ok=True)
    os.mkfifo(os.path.join(path, "pipe.tga"))
    os.symlink("/dev/zero", os.path.join(path, "zero.tga"))
    write_tga(os.path.join(path, "real.tga"), 64, 64)
    os.symlink("real.tga", os.path.join(path, "link.tga"))
    write_model(os.path.join(path, "model.x"), ["pipe.tga", "zero.tga", "folder.tga", CLIMB + "dev/zero",
                                                CLIMB + "dev/urandom", CLIMB + "proc/self/fd/0", "link.tga"])
    os.mkfifo(os.path.join(path, "pipe.x"))


def make_cut_short(work, vertices=4_500_000):
    """Files to cut short while they load: a 60 MB model, and a model naming
    an 8192x8192 texture."""
    path = folder(work, "cut-short")
    with open(os.path.join(path, "model.whole"), "w") as out:
        out.write(HEADER + "Mesh { %d;\n" % vertices + "1.5;2.5;3.5;,\n" * (vertices - 1))
        out.write('1;2;3;;\n1; 3;0,1,2;;\n MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;;'
                  ' TextureFilename { "big.tga"; } } }\n}\n')
    write_model(os.path.join(path, "textured.x"), ["big.tga"])
    write_tga(os.path.join(path, "big.whole"), 8192, 8192)


def make_named_64_ways(work):
    """One large texture named 64 ways ("./" more each time): 64 textures of
    11 MB each (with their mip levels) if all were made ahead at once."""
    path = folder(work, "named-64-ways")
    write_tga(os.path.join(path, "shared.tga"), 1024, 2048)
    write_model(os.path.join(path, "model.x"), ["./" * i + "shared.tga" for i in range(64)])


def make_just_over(work):
    """A texture just over a power of two: 4097x8192, made 8192x8192."""
    path = folder(work, "just-over")
    write_tga(os.path.join(path, "wide.tga"), 4097, 8192)
    write_model(os.path.join(path, "model.x"), ["wide.tga"])


def make_missing_beside_many(work):
    """A missing texture named by 1,000 materials, beside 70,000 files (and
    one more, reached by climbing in and out of a folder 40 times)."""
    path = folder(work, "beside-many")
    os.makedirs(os.path.join(path, "F"), exist_ok=True)
    for i in range(1, 70_001):
        open(os.path.join(path, "file%06d.dat" % i), "w").close()
    write_tga(os.path.join(path, "F", "T.tga"), 64, 64)
    write_model(os.path.join(path, "model.x"), ["missing.tga"] * 1000 + ["f/../" * 40 + "f/t.tga"])


def make_sparse(work):
    """A 1.9 GB sparse texture (a TGA header, then nothing) named by 20 materials."""
    path = folder(work, "sparse")
    texture = os.path.join(path, "sparse.tga")
    write_tga(texture, 64, 64)
    os.truncate(texture, 1900 << 20)
    write_model(os.path.join(path, "model.x"), ["sparse.tga"] * 20)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: hostile_files.py WORK\n")
        return 2
    for make in (make_long_name, make_normals, make_not_files, make_cut_short, make_named_64_ways, make_just_over,
                 make_missing_beside_many, make_sparse):
        make(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
