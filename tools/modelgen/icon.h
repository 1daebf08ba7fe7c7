// The program's icon: the crate's planked side, at the sizes desktops ask for.
#pragma once

#include <filesystem>
#include <vector>

#include "tools/modelgen/asset_output.h"
#include "tools/modelgen/image.h"

namespace modelgen {

// Square sizes in pixels: each is written as walkthrough-<size>.png.
std::vector<int> IconPngSizes();
// The sizes held in walkthrough.ico (Windows picks one per view).
std::vector<int> IconIcoSizes();

// The icon at `size` pixels, averaged from one large drawing so that every
// size shows the same boards. `size` must divide 768.
Image MakeIcon(int size);

// Writes `directory`/walkthrough-<size>.png for each PNG size and
// `directory`/walkthrough.ico. Creates the directory.
std::vector<WrittenFile> WriteIcons(const std::filesystem::path& directory);

} // namespace modelgen
