// The level and language of an installed provider, read from its cached package.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The level piece for the "ISReleaseFlags" of a provider package.
std::u16string LevelPieceFor(const std::u16string& releaseFlags);

// The language piece for a "ProductLanguage".
std::u16string LanguagePieceFor(const std::u16string& productLanguage);

// Appends the installed product's level piece (both provider product codes only) and
// language piece to `mask`. On failure the mask may hold the level piece already and the
// caller abandons it; each failure is reported.
std::uint32_t DetectInstalledConfiguration(Windows& windows, Reporter& reporter,
                                           std::u16string& mask, const std::u16string& productCode);

}  // namespace setup
