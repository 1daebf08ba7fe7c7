#include "tests/portable/d3dx/test_files.h"

namespace portable {

std::wstring Wide(const std::filesystem::path& path)
{
    const std::string narrow = path.string();
    return std::wstring(narrow.begin(), narrow.end());
}

HRESULT LoadXText(std::string_view file, XMeshResult& result, bool withMaterials)
{
    XDocument document;
    const HRESULT parsed = ParseXFile(file.data(), file.size(), document);
    if (FAILED(parsed)) return parsed;
    return BuildXMesh(document, D3DXMESH_MANAGED, withMaterials, result);
}

const std::string_view kSampleModel = R"(xof 0303txt 0032
// Declared again, as exporters do; the declaration matches the built-in one.
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}
template Annotation { <A0A0A0A0-1111-2222-3333-444455556666> STRING text; DWORD count; array WORD codes[count]; }

Header { 1; 0; 1; }
Annotation Note { "made by hand; {not a brace}"; 3; 7, 8, 9;; }
Material Blue { 0.0;0.0;1.0;0.5;; 12.5; 0.25;0.25;0.25;; 0.0;0.125;0.0;; }

Frame Root {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 2.0,3.0,4.0,1.0;; }
  Frame Child {
    FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 0.0,0.0,0.0,1.0;; }
    Mesh Quad {
      5;
      0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;, 0.5;0.5;-1.5e-1;;
      3;
      4;0,1,2,3;,
      3;0,4,1;,
      3;1,4,2;;
      MeshNormals {
        2;
        0.0;0.0;-1.0;, 0.0;0.0;-2.0;;
        3;
        4;0,0,0,0;,
        3;0,1,0;,
        3;0,1,0;;
      }
      MeshTextureCoords { 5; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;, 0.5;0.5;; }
      MeshVertexColors { 2; 0;1.0;0.5;0.0;1.0;;, 4;2.0;-1.0;0.25;0.5;;; }
      MeshMaterialList {
        2; 3; 1, 0, 1;;
        Material Red {
          1.0;0.0;0.0;1.0;; 5.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;;
          TextureFilename { "red.bmp"; }
        }
        { Blue }
      }
      UnknownThing Stuff { 1; "}"; { Nothing } }
    }
  }
}
)";

} // namespace portable
