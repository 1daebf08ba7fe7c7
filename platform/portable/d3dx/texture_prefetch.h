// Textures that a loaded model names, made ahead on worker threads. A program
// loads them next, one after another; each load then takes what was made
// meanwhile, so the files decode side by side. What a load returns is exactly
// what it would have made itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/d3dx/image/texture.h"

namespace portable {

// All textures made ahead, made or being made, hold at most this many bytes
// (file and texels); a file that does not fit is left to its own load.
constexpr size_t kTexturePrefetchBudget = size_t{256} << 20;

// Starts making each file's texture as D3DXCreateTextureFromFileEx with
// default arguments would, for a device taking sides up to maxSide, and opens
// the model's load (load_scope.h) for the texture loads that follow. Textures
// made ahead for an earlier call and not taken are forgotten. Returns the
// batch's number, for DropTexturesMadeAhead (which closes the load); 0 when
// there are no names.
uint64_t PrefetchTextures(const std::vector<std::wstring>& paths, UINT maxSide) noexcept;

// Forgets what the batch made and nobody took, and what it has yet to make
// (once nothing will take them: the names they came from are gone), and
// closes its load.
void DropTexturesMadeAhead(uint64_t batch) noexcept;

// Waits until no texture is waiting or under way; returns how many made ones are held.
size_t WaitForTexturesMadeAhead();

// On by default. Off, nothing is made ahead and everything held is forgotten
// (for counting allocations on one thread).
void EnableTexturePrefetch(bool enabled);

// The texture made ahead for this file (a path ResolvePath gave), request and device, waiting for it
// (and meanwhile making other waiting ones) when it is under way. False when
// there is none: never asked for, another request, a failed load, or a file
// changed since.
bool TakePrefetchedTexture(const std::string& resolved, const TextureRequest& request, UINT maxSide,
                           TextureData& texture, D3DXIMAGE_INFO& info);

} // namespace portable
