// A command line cut into its arguments as CommandLineToArgvW cuts it, each with the place
// it takes in the line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

struct Argument {
  std::size_t begin = 0;  // its first unit in the line
  std::size_t end = 0;    // one past its last
  std::u16string text;    // quotes and escapes taken out
};

// The first argument follows the program-name rules (quotes only group, no escapes), the
// others the usual ones (backslashes before a quote escape, "" inside quotes is a quote).
std::vector<Argument> SplitArguments(std::u16string_view line);

}  // namespace setup
