#include "platform/portable/d3d9/mesh_subsets.h"

#include <algorithm>

namespace portable {

namespace {
// The table's entry for `attribId`, or null. Entries ascend by attribute and
// are at most one per attribute, so entry i holds attribute i or a later one:
// a table without empty subsets finds each at its own place, any other by
// halving the entries before it.
const SubsetRange* TableEntry(const std::vector<SubsetRange>& table, DWORD attribId)
{
    if (attribId < table.size() && table[attribId].AttribId == attribId) return &table[attribId];
    const auto end = table.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(table.size(), size_t{attribId} + 1));
    const auto found = std::lower_bound(table.begin(), end, attribId,
                                        [](const SubsetRange& range, DWORD id) { return range.AttribId < id; });
    return found != end && found->AttribId == attribId ? &*found : nullptr;
}
} // namespace

FaceRun SubsetFaces(const MeshData& mesh, DWORD attribId)
{
    const size_t totalFaces = mesh.indices.size() / 3;
    if (!mesh.attributeTable.empty()) {
        const SubsetRange* range = TableEntry(mesh.attributeTable, attribId);
        if (range == nullptr || range->FaceStart > totalFaces) return {};
        return {range->FaceStart, std::min<size_t>(range->FaceCount, totalFaces - range->FaceStart)};
    }

    // Faces are sorted by attribute, so one subset is one run.
    const size_t faces = std::min(totalFaces, mesh.attributes.size());
    size_t start = 0;
    while (start < faces && mesh.attributes[start] != attribId) ++start;
    size_t end = start;
    while (end < faces && mesh.attributes[end] == attribId) ++end;
    return {start, end - start};
}

} // namespace portable
