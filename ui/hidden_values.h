// Licence keys and passwords reach msiexec as property values in -CSPArgs, -UCSPArgs and
// -VelumArgs: the log keeps each property's name and only the length of its value.
//
// Which texts came from the user is known by the texts themselves: the program passes
// those options' arguments to msiexec unchanged, so every argument of its command line
// that holds an assignment is masked wherever it appears in a line. What the program adds
// itself (REBOOT=R, REINSTALL=ALL, the package's path) never came from the command line,
// and stays as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace setup {

// Every NAME=VALUE in `text` as NAME=<N characters>, N not counting quotes. A name starts
// the text or follows a blank or a quote, and holds none of \ / : (a path is no
// assignment); its value runs to the next assignment outside quotes, or to the end.
std::u16string MaskPropertyValues(std::u16string_view text);

// The arguments, one blank between them, quoted where a blank is in one.
std::u16string JoinArguments(const std::vector<std::u16string>& arguments);

// The arguments that hold an assignment, each followed by its masked form.
using HiddenValues = std::vector<std::u16string>;
HiddenValues FindHiddenValues(const std::vector<std::u16string>& arguments);

// `line` with every occurrence of each argument replaced by its masked form, the longest
// first: a shorter one that is part of a longer one must not unmask its tail.
std::u16string HideValues(std::u16string line, const HiddenValues& values);

}  // namespace setup
