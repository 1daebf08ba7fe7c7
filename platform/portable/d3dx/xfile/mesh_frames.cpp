#include "platform/portable/d3dx/xfile/mesh_frames.h"

#include "platform/portable/d3dx/xfile/limits.h"
#include "platform/portable/d3dx/xfile/value_cursor.h"

namespace portable {

namespace {
class FrameWalk {
public:
    FrameWalk(const XDocument& file, std::vector<MeshPart>& placed)
        : document(file), parts(placed), visiting(file.objects.size(), 0)
    {
    }

    HRESULT Walk()
    {
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        for (uint32_t index : document.topLevel) {
            const HRESULT placed = Place(index, identity, true, 0);
            if (FAILED(placed)) return placed;
        }
        return S_OK;
    }

private:
    const XDocument& document;
    std::vector<MeshPart>& parts;
    std::vector<uint8_t> visiting;
    size_t visits = 0; // frames entered and children gone through, across the walk

    // A mesh or frame (resolved) under a transform; other objects place nothing.
    HRESULT Place(uint32_t index, const D3DXMATRIX& transform, bool identity, unsigned depth)
    {
        const XKind kind = document.objects[index].kind;
        if (kind == XKind::Mesh) {
            if (parts.size() >= kMaxXMeshParts) return E_OUTOFMEMORY;
            parts.push_back(MeshPart{index, transform, identity});
        } else if (kind == XKind::Frame) {
            return Frame(index, transform, identity, depth);
        }
        return S_OK;
    }

    HRESULT Frame(uint32_t frame, const D3DXMATRIX& parent, bool parentIdentity, unsigned depth)
    {
        if (depth >= kMaxXObjectDepth || visiting[frame] != 0) return E_FAIL;
        if (++visits > kMaxXFrameVisits) return E_OUTOFMEMORY;
        visiting[frame] = 1;
        D3DXMATRIX world = parent;
        bool identity = parentIdentity;
        const XObject& object = document.objects[frame];
        // The frame's own matrix places everything in it, wherever it stands among the children.
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            const XObject& resolved = Resolved(document, child);
            if (resolved.kind != XKind::FrameTransformMatrix) continue;
            if (resolved.valueEnd - resolved.valueBegin != 16) return E_FAIL;
            ValueCursor cursor(document, resolved);
            D3DXMATRIX local;
            for (int r = 0; r < 4; ++r)
                for (int k = 0; k < 4; ++k) local.m[r][k] = cursor.F();
            D3DXMatrixMultiply(&world, &local, &world);
            identity = false;
        }
        for (uint32_t child = object.firstChild; child != kNoObject; child = document.objects[child].nextSibling) {
            // A frame placed many times goes through its children each time.
            if (++visits > kMaxXFrameVisits) return E_OUTOFMEMORY;
            const HRESULT placed = Place(ResolvedIndex(document, child), world, identity, depth + 1);
            if (FAILED(placed)) return placed;
        }
        visiting[frame] = 0;
        return S_OK;
    }
};
} // namespace

HRESULT CollectMeshParts(const XDocument& document, std::vector<MeshPart>& parts)
{
    parts.clear();
    return FrameWalk(document, parts).Walk();
}

} // namespace portable
