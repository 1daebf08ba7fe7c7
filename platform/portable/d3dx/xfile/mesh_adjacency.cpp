#include "platform/portable/d3dx/xfile/mesh_adjacency.h"

#include <unordered_map>

#include "platform/portable/d3dx/xfile/document.h"
#include "platform/portable/d3dx/xfile/keyed_hash.h"

namespace portable {

std::vector<DWORD> XMeshAdjacency(const MeshData& mesh)
{
    struct PositionKey {
        uint32_t bits[3];
        bool operator==(const PositionKey& other) const
        {
            return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
        }
    };
    struct PositionHash {
        size_t operator()(const PositionKey& key) const
        {
            return KeyedHash(KeyedHash((uint64_t{key.bits[0]} << 32) | key.bits[1]) ^ key.bits[2]);
        }
    };
    // Vertices at one position count as one.
    std::unordered_map<PositionKey, uint32_t, PositionHash> firstAt;
    std::vector<uint32_t> canonical(mesh.vertices.size());
    for (uint32_t v = 0; v < mesh.vertices.size(); ++v) {
        PositionKey key{};
        for (int c = 0; c < 3; ++c) {
            // +0 and -0 are one position.
            const float value = mesh.vertices[v].position[c] == 0.0f ? 0.0f : mesh.vertices[v].position[c];
            key.bits[c] = FloatSlot(value);
        }
        canonical[v] = firstAt.emplace(key, v).first->second;
    }

    const size_t faceCount = mesh.indices.size() / 3;
    std::vector<DWORD> adjacency(3 * faceCount, 0xffffffffu);
    std::unordered_map<uint64_t, uint32_t, KeyedIntegerHash> openEdges; // (from, to) -> face * 3 + edge
    for (size_t f = 0; f < faceCount; ++f) {
        for (int e = 0; e < 3; ++e) {
            const uint32_t a = canonical[mesh.indices[3 * f + e]];
            const uint32_t b = canonical[mesh.indices[3 * f + (e + 1) % 3]];
            if (a == b) continue;
            const auto opposite = openEdges.find((static_cast<uint64_t>(b) << 32) | a);
            if (opposite != openEdges.end()) {
                const uint32_t other = opposite->second;
                adjacency[3 * f + e] = other / 3;
                adjacency[other] = static_cast<DWORD>(f);
                openEdges.erase(opposite);
            } else {
                openEdges.emplace((static_cast<uint64_t>(a) << 32) | b, static_cast<uint32_t>(3 * f + e));
            }
        }
    }
    return adjacency;
}

} // namespace portable
