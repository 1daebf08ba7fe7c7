// The mesh D3DXLoadMeshFromX makes of a .x file: merging, frames,
// triangulation, vertex data, materials and the attribute sort.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/portable/d3dx/xfile/mesh_builder.h"
#include "tests/portable/d3dx/test_files.h"

using namespace portable;

namespace {

std::string File(std::string_view body) { return "xof 0303txt 0032\n" + std::string(body); }

XMeshResult Load(std::string_view body, bool withMaterials = true)
{
    XMeshResult result;
    const std::string file = File(body);
    EXPECT_EQ(LoadXText(file, result, withMaterials), S_OK) << body;
    return result;
}

HRESULT LoadResult(std::string_view body)
{
    XMeshResult result;
    return LoadXText(File(body), result);
}

void ExpectPosition(const MeshVertex& vertex, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(vertex.position[0], x);
    EXPECT_FLOAT_EQ(vertex.position[1], y);
    EXPECT_FLOAT_EQ(vertex.position[2], z);
}

const char* const kTriangle = "3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;";

TEST(XFileMesh, SampleModelLoadsWithEveryPart)
{
    XMeshResult result;
    ASSERT_EQ(LoadXText(kSampleModel, result), S_OK);
    const MeshData& mesh = result.mesh;
    EXPECT_EQ(mesh.fvf, static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    ASSERT_EQ(mesh.vertices.size(), 5u);
    // Child scale 2, then the parent's translation (2, 3, 4).
    ExpectPosition(mesh.vertices[1], 4.0f, 3.0f, 4.0f);
    ExpectPosition(mesh.vertices[4], 3.0f, 4.0f, 3.7f);
    // Both file normals point along -z; scaled and renormalised.
    EXPECT_FLOAT_EQ(mesh.vertices[4].normal[2], -1.0f);
    EXPECT_EQ(mesh.vertices[3].texcoord[0], 0.0f);
    EXPECT_EQ(mesh.vertices[1].texcoord[1], 1.0f);
    // Colors clamped to [0, 1] and rounded; unlisted vertices white with zero alpha.
    EXPECT_EQ(mesh.vertices[0].diffuse, D3DCOLOR_ARGB(255, 255, 128, 0));
    EXPECT_EQ(mesh.vertices[4].diffuse, D3DCOLOR_ARGB(128, 255, 0, 64));
    EXPECT_EQ(mesh.vertices[2].diffuse, D3DCOLOR_ARGB(0, 255, 255, 255));

    // Faces: quad (Blue, 2 triangles), triangle (Red), triangle (Blue); Red sorts first.
    ASSERT_EQ(result.materials.size(), 2u);
    EXPECT_EQ(result.materials[0].texture, "red.bmp");
    EXPECT_FALSE(result.materials[1].hasTexture);
    EXPECT_EQ(mesh.attributes, (std::vector<DWORD>{0, 1, 1, 1}));
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 4, 1, 0, 1, 2, 0, 2, 3, 1, 4, 2}));
    ASSERT_EQ(mesh.attributeTable.size(), 2u);
    EXPECT_EQ(mesh.attributeTable[0].AttribId, 0u);
    EXPECT_EQ(mesh.attributeTable[0].FaceStart, 0u);
    EXPECT_EQ(mesh.attributeTable[0].FaceCount, 1u);
    EXPECT_EQ(mesh.attributeTable[0].VertexStart, 0u);
    EXPECT_EQ(mesh.attributeTable[0].VertexCount, 5u);
    EXPECT_EQ(mesh.attributeTable[1].AttribId, 1u);
    EXPECT_EQ(mesh.attributeTable[1].FaceStart, 1u);
    EXPECT_EQ(mesh.attributeTable[1].FaceCount, 3u);
}

TEST(XFileMesh, PolygonsBecomeFansFromTheirFirstCorner)
{
    const XMeshResult result = Load(R"(Mesh { 6;
      0.0;0.0;0.0;, 1.0;0.0;0.0;, 2.0;1.0;0.0;, 1.0;2.0;0.0;, 0.0;1.0;0.0;, 5.0;5.0;5.0;;
      2; 5;0,1,2,3,4;, 3;5,4,3;; })");
    EXPECT_EQ(result.mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 5, 4, 3}));
    EXPECT_EQ(result.mesh.attributes.size(), 4u);
}

TEST(XFileMesh, FrameMatricesApplyChildBeforeParent)
{
    // Child: translate x by 1; parent: scale by 2. Child first gives x = 2, not 1.
    const XMeshResult result = Load(R"(Frame Parent {
      FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 0.0,0.0,0.0,1.0;; }
      Frame Kid {
        FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 1.0,0.0,0.0,1.0;; }
        Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
      }
    })");
    ASSERT_EQ(result.mesh.vertices.size(), 3u);
    ExpectPosition(result.mesh.vertices[0], 2.0f, 0.0f, 0.0f);
    ExpectPosition(result.mesh.vertices[1], 4.0f, 0.0f, 0.0f);
    ExpectPosition(result.mesh.vertices[2], 2.0f, 2.0f, 0.0f);
}

TEST(XFileMesh, AFrameMatrixPlacesWhatFollowsItOnTopOfTheOnesBefore)
{
    // Meshes before, between and after z + 2 and z + 3, and a frame after both.
    const std::string mesh = "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n";
    const auto up = [](const char* z) {
        return std::string("FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,") + z
            + ",1.0;; }\n";
    };
    const XMeshResult result =
        Load("Frame {\n" + mesh + up("2.0") + mesh + up("3.0") + mesh + "Frame { " + mesh + "} }");
    ASSERT_EQ(result.mesh.vertices.size(), 12u);
    const float expected[] = {0.0f, 2.0f, 5.0f, 5.0f};
    for (size_t part = 0; part < 4; ++part) ExpectPosition(result.mesh.vertices[part * 3], 0.0f, 0.0f, expected[part]);
}

TEST(XFileMesh, NormalsFollowTheInverseTransposeAndStayUnitLength)
{
    // Scale x by 4: a normal along (1, 1, 0) tilts towards y.
    const XMeshResult result = Load(R"(Frame {
      FrameTransformMatrix { 4.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
      Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
        MeshNormals { 1; 1.0;1.0;0.0;; 1; 3;0,0,0;; } }
    })");
    const float* n = result.mesh.vertices[0].normal;
    const float expectedX = 0.25f / std::sqrt(0.0625f + 1.0f);
    const float expectedY = 1.0f / std::sqrt(0.0625f + 1.0f);
    EXPECT_NEAR(n[0], expectedX, 1e-6f);
    EXPECT_NEAR(n[1], expectedY, 1e-6f);
    EXPECT_EQ(n[2], 0.0f);
}

TEST(XFileMesh, AnIdentityFrameLeavesVerticesBitForBit)
{
    const std::string mesh = R"(Mesh { 3; -0.3826835;0.1;0.9238796;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
      MeshNormals { 1; -0.3826835;0.0;0.9238796;; 1; 3;0,0,0;; } })";
    const XMeshResult plain = Load(mesh);
    const XMeshResult framed = Load(R"(Frame {
      FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; } )"
                                    + mesh + " }");
    ASSERT_EQ(framed.mesh.vertices.size(), plain.mesh.vertices.size());
    EXPECT_EQ(std::memcmp(framed.mesh.vertices.data(), plain.mesh.vertices.data(),
                          plain.mesh.vertices.size() * sizeof(MeshVertex)),
              0);
}

TEST(XFileMesh, VerticesWithSeveralNormalsAreDuplicatedAtTheEnd)
{
    // Vertex 1 is used with normals 0 and 1 (different) and with normal 2 (same
    // value as normal 0): one copy. Vertex 3 is used by no face: zero normal.
    const XMeshResult result = Load(R"(Mesh {
      4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 9.0;9.0;9.0;;
      3; 3;0,1,2;, 3;1,0,2;, 3;2,1,0;;
      MeshNormals { 3; 0.0;0.0;1.0;, 1.0;0.0;0.0;, 0.0;0.0;2.0;;
        3; 3;0,0,0;, 3;1,0,0;, 3;0,2,0;; }
      MeshTextureCoords { 4; 0.1;0.2;, 0.3;0.4;, 0.5;0.6;, 0.7;0.8;; }
    })");
    const MeshData& mesh = result.mesh;
    ASSERT_EQ(mesh.vertices.size(), 5u);
    ExpectPosition(mesh.vertices[4], 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(mesh.vertices[4].texcoord[1], 0.4f);
    EXPECT_EQ(mesh.vertices[4].normal[0], 1.0f);
    EXPECT_EQ(mesh.vertices[1].normal[2], 1.0f);
    EXPECT_EQ(mesh.vertices[3].normal[0], 0.0f);
    EXPECT_EQ(mesh.vertices[3].normal[1], 0.0f);
    EXPECT_EQ(mesh.vertices[3].normal[2], 0.0f);
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 4, 0, 2, 2, 1, 0}));
}

TEST(XFileMesh, NormalsAreMatchedByValueSoANaNNormalMatchesNothing)
{
    // Both faces use normal 0 at every corner. A number normal is one vertex
    // per corner of the first face; a NaN normal equals nothing, not even
    // itself, so the second face gets copies of all three vertices.
    const char* const kMesh = R"(Mesh {
      3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
      2; 3;0,1,2;, 3;0,2,1;;
      MeshNormals { 2; %s;0.0;1.0;, 0.0;1.0;0.0;; 2; 3;0,0,0;, 3;0,0,0;; } })";
    char body[512];
    std::snprintf(body, sizeof body, kMesh, "0.0");
    EXPECT_EQ(Load(body).mesh.vertices.size(), 3u);
    std::snprintf(body, sizeof body, kMesh, "nan");
    const XMeshResult withNaN = Load(body);
    EXPECT_EQ(withNaN.mesh.vertices.size(), 6u);
    EXPECT_EQ(withNaN.mesh.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST(XFileMesh, MeshesMergeWithOffsetIndicesAndMaterials)
{
    const XMeshResult result = Load(R"(
      Mesh A { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 2; 3;0,1,2;, 3;2,1,0;;
        MeshMaterialList { 2; 2; 1, 0;;
          Material { 0.1;0.1;0.1;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
          Material { 0.2;0.2;0.2;1.0;; 2.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } }
      Frame { Mesh B { 4; 0.0;0.0;1.0;, 1.0;0.0;1.0;, 1.0;1.0;1.0;, 0.0;1.0;1.0;; 1; 4;0,1,2,3;;
        MeshMaterialList { 1; 1; 0;; Material { 0.3;0.3;0.3;1.0;; 3.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } } }
    )");
    const MeshData& mesh = result.mesh;
    ASSERT_EQ(mesh.vertices.size(), 7u);
    ASSERT_EQ(result.materials.size(), 3u);
    EXPECT_EQ(result.materials[2].material.Power, 3.0f);
    EXPECT_EQ(mesh.attributes, (std::vector<DWORD>{0, 1, 2, 2}));
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{2, 1, 0, 0, 1, 2, 3, 4, 5, 3, 5, 6}));
    ASSERT_EQ(mesh.attributeTable.size(), 3u);
    EXPECT_EQ(mesh.attributeTable[2].AttribId, 2u);
    EXPECT_EQ(mesh.attributeTable[2].FaceStart, 2u);
    EXPECT_EQ(mesh.attributeTable[2].FaceCount, 2u);
    EXPECT_EQ(mesh.attributeTable[2].VertexStart, 3u);
    EXPECT_EQ(mesh.attributeTable[2].VertexCount, 4u);
}

TEST(XFileMesh, TheSortKeepsFaceOrderWithinEachMaterial)
{
    const XMeshResult result = Load(R"(Mesh {
      3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
      5; 3;0,1,2;, 3;1,2,0;, 3;2,0,1;, 3;0,2,1;, 3;1,0,2;;
      MeshMaterialList { 3; 5; 2, 0, 2, 0, 1;;
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } })");
    EXPECT_EQ(result.mesh.indices, (std::vector<uint32_t>{1, 2, 0, 0, 2, 1, 1, 0, 2, 0, 1, 2, 2, 0, 1}));
    EXPECT_EQ(result.mesh.attributes, (std::vector<DWORD>{0, 0, 1, 2, 2}));
}

TEST(XFileMesh, UnusedMaterialsHaveNoRangeInTheTable)
{
    const XMeshResult result = Load(R"(Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
      MeshMaterialList { 3; 1; 2;;
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } })");
    EXPECT_EQ(result.materials.size(), 3u);
    ASSERT_EQ(result.mesh.attributeTable.size(), 1u);
    EXPECT_EQ(result.mesh.attributeTable[0].AttribId, 2u);
}

TEST(XFileMesh, AShortFaceListRepeatsItsLastEntry)
{
    const XMeshResult result = Load(R"(Mesh {
      3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
      4; 3;0,1,2;, 3;0,1,2;, 3;0,1,2;, 3;0,1,2;;
      MeshMaterialList { 2; 2; 1, 0;;
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material { 0.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } })");
    EXPECT_EQ(result.mesh.attributes, (std::vector<DWORD>{0, 0, 0, 1}));
    ASSERT_EQ(result.mesh.attributeTable.size(), 2u);
    EXPECT_EQ(result.mesh.attributeTable[0].FaceCount, 3u);
}

TEST(XFileMesh, MaterialsTakeTheFileValuesAndTheLastTextureName)
{
    const XMeshResult result = Load(std::string("Mesh { ") + kTriangle + R"(
      MeshMaterialList { 1; 1; 0;;
        Material { 0.5;0.25;0.125;0.75;; 7.0; 0.1;0.2;0.3;; 0.4;0.5;0.6;;
          TextureFilename { "first.png"; }
          TextureFilename { "sub\second.dds"; } } } })");
    ASSERT_EQ(result.materials.size(), 1u);
    const D3DMATERIAL9& material = result.materials[0].material;
    EXPECT_EQ(material.Diffuse.r, 0.5f);
    EXPECT_EQ(material.Diffuse.g, 0.25f);
    EXPECT_EQ(material.Diffuse.b, 0.125f);
    EXPECT_EQ(material.Diffuse.a, 0.75f);
    EXPECT_EQ(material.Power, 7.0f);
    EXPECT_FLOAT_EQ(material.Specular.b, 0.3f);
    EXPECT_EQ(material.Specular.a, 1.0f);
    EXPECT_FLOAT_EQ(material.Emissive.r, 0.4f);
    EXPECT_EQ(material.Emissive.a, 1.0f);
    EXPECT_EQ(material.Ambient.r, 0.0f);
    EXPECT_EQ(material.Ambient.a, 1.0f);
    EXPECT_EQ(result.materials[0].texture, "sub\\second.dds");
}

TEST(XFileMesh, WithoutMaterialsTheMeshGetsOneDefaultMaterial)
{
    for (const std::string& body : {std::string("Mesh { ") + kTriangle + " }",
                                    std::string("Mesh { ") + kTriangle + " MeshMaterialList { 0; 0;; } }"}) {
        const XMeshResult result = Load(body);
        ASSERT_EQ(result.materials.size(), 1u) << body;
        const D3DMATERIAL9& material = result.materials[0].material;
        EXPECT_EQ(material.Diffuse.r, 0.5f);
        EXPECT_EQ(material.Diffuse.a, 0.0f);
        EXPECT_EQ(material.Specular.g, 0.5f);
        EXPECT_EQ(material.Power, 0.0f);
        EXPECT_FALSE(result.materials[0].hasTexture);
        ASSERT_EQ(result.mesh.attributeTable.size(), 1u);
        EXPECT_EQ(result.mesh.attributeTable[0].FaceCount, 1u);
    }
}

TEST(XFileMesh, AMeshWithoutMaterialsAmongOthersGetsItsOwnDefault)
{
    const XMeshResult result = Load(std::string("Mesh Plain { ") + kTriangle + " }\nMesh Colored { " + kTriangle
                                    + R"( MeshMaterialList { 1; 1; 0;;
        Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } })");
    ASSERT_EQ(result.materials.size(), 2u);
    EXPECT_EQ(result.materials[0].material.Diffuse.r, 0.5f);
    EXPECT_EQ(result.materials[1].material.Diffuse.r, 1.0f);
    EXPECT_EQ(result.mesh.attributes, (std::vector<DWORD>{0, 1}));
}

TEST(XFileMesh, MaterialListsAreNotReadWhenNoMaterialsAreWanted)
{
    // Face material 5 of 1 would fail; without material output D3DX does not look.
    const XMeshResult result = Load(std::string("Mesh { ") + kTriangle + R"(
      MeshMaterialList { 1; 1; 5;; Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } } })",
                                    false);
    EXPECT_EQ(result.materials.size(), 1u);
    EXPECT_EQ(result.mesh.attributes, (std::vector<DWORD>{0}));
}

TEST(XFileMesh, EmptyMeshesAreLeftOut)
{
    const XMeshResult result = Load(std::string("Mesh Empty { 0;; 0;; }\nMesh { ") + kTriangle + " }");
    EXPECT_EQ(result.mesh.vertices.size(), 3u);
    EXPECT_EQ(LoadResult("Mesh Empty { 0;; 0;; }"), E_FAIL);
    EXPECT_EQ(LoadResult("Frame { }"), E_FAIL);
    EXPECT_EQ(LoadResult("Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }"), E_FAIL);
    // Vertices without faces make a mesh D3DX cannot create.
    EXPECT_EQ(LoadResult("Mesh { 1; 0.0;0.0;0.0;; 0;; }"), D3DERR_INVALIDCALL);
}

TEST(XFileMesh, MeshesByReferenceAreUsedWhereTheyAreReferred)
{
    const XMeshResult result = Load(std::string("Mesh Shared { ") + kTriangle + R"( }
      Frame A { FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 10.0,0.0,0.0,1.0;; }
                { Shared } })");
    ASSERT_EQ(result.mesh.vertices.size(), 6u);
    ExpectPosition(result.mesh.vertices[0], 0.0f, 0.0f, 0.0f);
    ExpectPosition(result.mesh.vertices[3], 10.0f, 0.0f, 0.0f);
}

TEST(XFileMesh, ManyVerticesNeedThirtyTwoBitIndices)
{
    std::string body = "Mesh {\n65537;\n";
    for (int i = 0; i < 65537; ++i) body += std::to_string(i) + ".0;0.0;0.0;" + (i + 1 < 65537 ? ",\n" : ";\n");
    body += "1; 3;0,1,65536;; }";
    XMeshResult result = Load(body);
    EXPECT_EQ(result.mesh.vertices.size(), 65537u);
    EXPECT_EQ(result.options, static_cast<DWORD>(D3DXMESH_MANAGED | D3DXMESH_32BIT));

    const XMeshResult small = Load(std::string("Mesh { ") + kTriangle + " }");
    EXPECT_EQ(small.options, static_cast<DWORD>(D3DXMESH_MANAGED));
}

TEST(XFileMesh, AdjacencyLinksFacesThatShareAnEdgeByPosition)
{
    // Two triangles share the edge (1,0,0)-(0,1,0); the second uses its own copies of those vertices.
    const XMeshResult result = Load(R"(Mesh { 6;
      0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;
      2; 3;0,2,1;, 3;3,5,4;; })");
    const std::vector<DWORD> adjacency = XMeshAdjacency(result.mesh);
    EXPECT_EQ(adjacency, (std::vector<DWORD>{0xffffffffu, 1, 0xffffffffu, 0, 0xffffffffu, 0xffffffffu}));
}

} // namespace
