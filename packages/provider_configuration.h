// The level and language of an installed provider, read from its cached package.
#pragma once

#include <cstdint>
#include <string>

#include "packages/package_mask.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The level piece for the "ISReleaseFlags" of a provider package.
std::u16string LevelPieceFor(const std::u16string& releaseFlags);

// The language piece for a "ProductLanguage".
std::u16string LanguagePieceFor(const std::u16string& productLanguage);

// The installed product's level piece (both provider product codes only) and language
// piece, into `pieces`. On failure `pieces` may hold the level piece already and the caller
// abandons them; each failure is reported.
std::uint32_t DetectInstalledConfiguration(Windows& windows, Reporter& reporter, MaskPieces& pieces,
                                           const std::u16string& productCode);

}  // namespace setup
