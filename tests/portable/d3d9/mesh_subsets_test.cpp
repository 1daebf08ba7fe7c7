// Finding a subset's faces in a mesh.
#include <gtest/gtest.h>

#include "platform/portable/d3d9/mesh_subsets.h"

using namespace portable;

namespace {
MeshData MeshOfFaces(size_t faces)
{
    MeshData mesh;
    mesh.indices.assign(3 * faces, 0);
    return mesh;
}

TEST(SubsetFaces, FindsEachTableEntryAndNothingForOthers)
{
    MeshData mesh = MeshOfFaces(10);
    // Subsets 1, 3 and 4 are empty; the last entry claims more faces than there are.
    mesh.attributeTable = {SubsetRange{0, 0, 2, 0, 3}, SubsetRange{2, 2, 3, 0, 3}, SubsetRange{5, 5, 1, 0, 3},
                           SubsetRange{6, 6, 9, 0, 3}};
    struct Case {
        DWORD attribId;
        size_t first;
        size_t count;
    };
    const Case cases[] = {{0, 0, 2}, {1, 0, 0}, {2, 2, 3}, {3, 0, 0},          {4, 0, 0},
                          {5, 5, 1}, {6, 6, 4}, {7, 0, 0}, {0xffffffffu, 0, 0}};
    for (const Case& c : cases) {
        const FaceRun run = SubsetFaces(mesh, c.attribId);
        EXPECT_EQ(run.count, c.count) << "subset " << c.attribId;
        if (c.count > 0) {
            EXPECT_EQ(run.first, c.first) << "subset " << c.attribId;
        }
    }
}

TEST(SubsetFaces, ManySubsetsEachFindTheirOwnFace)
{
    constexpr DWORD kSubsets = 100000;
    MeshData mesh = MeshOfFaces(kSubsets);
    // Every other attribute has faces, so half are found at their place and half by search.
    for (DWORD a = 0; a < kSubsets; ++a) {
        if (a % 2 == 0 || a < 10) mesh.attributeTable.push_back(SubsetRange{a, a, 1, 0, 3});
    }
    for (DWORD a = 0; a < kSubsets; ++a) {
        const FaceRun run = SubsetFaces(mesh, a);
        const bool present = a % 2 == 0 || a < 10;
        ASSERT_EQ(run.count, present ? 1u : 0u) << "subset " << a;
        if (present) {
            ASSERT_EQ(run.first, a);
        }
    }
}

TEST(SubsetFaces, WithoutATableTheAttributeBufferGivesTheRun)
{
    MeshData mesh = MeshOfFaces(5);
    mesh.attributes = {0, 0, 3, 3, 3};
    EXPECT_EQ(SubsetFaces(mesh, 0).count, 2u);
    EXPECT_EQ(SubsetFaces(mesh, 3).first, 2u);
    EXPECT_EQ(SubsetFaces(mesh, 3).count, 3u);
    EXPECT_EQ(SubsetFaces(mesh, 1).count, 0u);
}

} // namespace
