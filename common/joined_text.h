// Texts put together from pieces in one call: one function where a chain of `+` would put a
// temporary string and its release at every call site.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace setup {

std::u16string Join(std::initializer_list<std::u16string_view> pieces);

}  // namespace setup
