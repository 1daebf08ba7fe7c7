// The most the .x reader takes on for one file, and the codes it fails with.
// No model a real-time Direct3D 9 program draws comes near any of them: the 500,000-face benchmark
// model (50 MB of text) uses a few percent of each. They keep what a hostile
// file can claim from becoming memory: whatever it says, a load stays under
// 2 GB besides the file's bytes, and a small file far below that. A file past
// a limit fails with the code D3DX gives when it cannot hold that much at the
// same stage.
#pragma once

#include <cstddef>

#include "platform/portable/d3d9/types.h"

namespace portable {

// The reader's result codes, with the values D3DX gives them.
#define _FACD3DXF 0x876
#define D3DXFERR_BADOBJECT MAKE_HRESULT(1, _FACD3DXF, 900)
#define D3DXFERR_BADVALUE MAKE_HRESULT(1, _FACD3DXF, 901)
#define D3DXFERR_BADTYPE MAKE_HRESULT(1, _FACD3DXF, 902)
#define D3DXFERR_NOTFOUND MAKE_HRESULT(1, _FACD3DXF, 903)
#define D3DXFERR_FILENOTFOUND MAKE_HRESULT(1, _FACD3DXF, 905)
#define D3DXFERR_BADFILETYPE MAKE_HRESULT(1, _FACD3DXF, 908)
#define D3DXFERR_BADFILEVERSION MAKE_HRESULT(1, _FACD3DXF, 909)
#define D3DXFERR_BADFILEFLOATSIZE MAKE_HRESULT(1, _FACD3DXF, 910)
#define D3DXFERR_BADFILE MAKE_HRESULT(1, _FACD3DXF, 911)
#define D3DXFERR_PARSEERROR MAKE_HRESULT(1, _FACD3DXF, 912)
#define D3DXFERR_BADARRAYSIZE MAKE_HRESULT(1, _FACD3DXF, 913)
#define D3DXFERR_BADDATAREFERENCE MAKE_HRESULT(1, _FACD3DXF, 914)
// The older DirectX file API's code for memory it cannot have, which D3DX
// passes on when it cannot allocate the inflated body of a compressed file.
#define DXFILEERR_BADALLOC MAKE_HRESULT(1, _FACD3DXF, 854)

// The file as read (into memory, whole). Larger: D3DXERR_INVALIDDATA,
// as for a file that cannot be read.
constexpr size_t kMaxXFileBytes = size_t{1} << 31;

// The inflated body of a compressed file, 256 MiB: five times the benchmark
// model in text. Compression can multiply a file by about 1000, so this is
// what keeps a small file from asking for gigabytes. Larger:
// DXFILEERR_BADALLOC, D3DX's code when it cannot allocate the body.
constexpr size_t kMaxXInflatedBytes = size_t{1} << 28;

// Parsed data; past these the parse fails with E_FAIL, as D3DX's does when it
// cannot keep what it read. Values (4 bytes each, 256 MiB; the benchmark
// model has 6 million), data objects and references (64 bytes each;
// exporters write a handful per mesh), strings, and declared templates with
// their members (real files declare a few dozen templates of a few members).
constexpr size_t kMaxXValues = size_t{1} << 26;
constexpr size_t kMaxXObjects = size_t{1} << 20;
constexpr size_t kMaxXStrings = size_t{1} << 20;
constexpr size_t kMaxXTemplates = 256;
constexpr size_t kMaxXTemplateMembers = 1024;

// Nesting, which recursion follows: data objects inside one another (and
// frames inside frames, references followed), and template members of
// template types. Deeper: D3DXFERR_PARSEERROR in the file, E_FAIL through
// references.
constexpr unsigned kMaxXObjectDepth = 256;
constexpr unsigned kMaxXTemplateDepth = 32;

// The mesh built from the file. Vertices (36 bytes each, 288 MiB: more than
// a Direct3D 9 card's memory) and faces of the merged mesh; meshes placed
// (references can place one mesh many times) and the walk through the frames
// (frames entered and the children gone through: a frame placed many times
// goes through its children each time); the materials buffer, records and
// texture names. Past these: E_OUTOFMEMORY, D3DX's code when the mesh it
// builds does not fit in memory.
constexpr size_t kMaxXMeshVertices = size_t{1} << 23;
constexpr size_t kMaxXMeshFaces = size_t{1} << 23;
constexpr size_t kMaxXMeshParts = size_t{1} << 16;
constexpr size_t kMaxXFrameVisits = size_t{1} << 22;
// The children of meshes, material lists and materials gone through while
// the placed meshes are built: a mesh placed many times goes through its
// children each time.
constexpr size_t kMaxXMeshChildVisits = size_t{1} << 22;
constexpr size_t kMaxXMaterialBytes = size_t{1} << 24;

} // namespace portable
