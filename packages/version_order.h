// How a package on disk relates to the installed product.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/windows.h"

namespace setup {

// The lowest installed provider version that may be updated in place.
inline constexpr char16_t kMinimumUpdatableVersion[] = u"3.6.5365";

// Code unit after code unit, unsigned, a shorter prefix first: -1, 0 or +1. Versions are
// ordered as text on purpose, so "3.6.10000" sorts before "3.6.5365".
int OrdinalCompare(std::u16string_view a, std::u16string_view b);

// The mask that finds a package of the product to read its version; empty for a product
// the program does not know.
std::u16string VersionMaskFor(const std::u16string& productCode);

// Orders the "ProductVersion" of the product's first package on disk against the
// installed "VersionString", and for the provider also the minimum updatable version.
// Outputs are written only on success. Each failure is shown (unless silent) and its
// code returned.
std::uint32_t CompareWithInstalled(Windows& windows, const std::u16string& productCode,
                                   int& newVersusInstalled, int* minimumVersusInstalled,
                                   bool silent);

}  // namespace setup
