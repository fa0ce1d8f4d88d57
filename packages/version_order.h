// The order of two versions, and of two texts as the platform compares them.
#pragma once

#include <string_view>

namespace setup {

// Code unit after code unit, unsigned, a shorter prefix first: -1, 0 or +1. The
// platform's strings end at their first NUL.
int OrdinalCompare(std::u16string_view a, std::u16string_view b);

// Versions field by field, fields split at dots: two plain numbers by their value
// (leading zeros ignored, any length), anything else in ordinal order; a missing field
// counts as "0", so "2.1" equals "2.1.0" and "2.0.10" is newer than "2.0.9". -1, 0 or +1.
int CompareVersions(std::u16string_view a, std::u16string_view b);

}  // namespace setup
