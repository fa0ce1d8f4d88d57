// How a package on disk relates to the installed product.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The lowest installed provider version that may be updated in place.
inline constexpr char16_t kMinimumUpdatableVersion[] = u"3.6.5365";

// Code unit after code unit, unsigned, a shorter prefix first: -1, 0 or +1. The
// platform's strings end at their first NUL.
int OrdinalCompare(std::u16string_view a, std::u16string_view b);

// Versions field by field, fields split at dots: two plain numbers by their value
// (leading zeros ignored, any length), anything else in ordinal order; a missing field
// counts as "0", so "2.1" equals "2.1.0" and "2.0.10" is newer than "2.0.9". -1, 0 or +1.
int CompareVersions(std::u16string_view a, std::u16string_view b);

// The mask that finds the package of the product, in the variant of `architecture`
// ("*x64*"), to read its version; empty for a product the program does not know.
std::u16string VersionMaskFor(const std::u16string& productCode,
                              const std::u16string& architecture);

// Orders the "ProductVersion" of the product's first package on disk for this Windows'
// architecture against the installed "VersionString", and for the provider also the
// minimum updatable version.
// Outputs are written only on success. Each failure is reported and its code returned.
std::uint32_t CompareWithInstalled(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode, int& newVersusInstalled,
                                   int* minimumVersusInstalled);

}  // namespace setup
