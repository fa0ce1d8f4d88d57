// The options of the command line, and the help.
#pragma once

#include <string>
#include <vector>

#include "app/setup_state.h"
#include "platform/windows.h"

namespace setup {

inline constexpr char16_t kHelpCaption[] = u"Справка";

enum class ParseOutcome {
  kOptions,  // the options are filled in
  kHelp,     // the help is to be shown, and the run ends with 0
};

// Reads the arguments in order into the options and the package selection. Stops at a
// help request or at the first argument it does not accept.
ParseOutcome ParseArguments(const std::vector<std::u16string>& arguments, InstallerOptions& options,
                            PackageSelection& selection);

// Splits the command line (without the program name) as the platform does, then parses.
ParseOutcome ParseCommandLine(Windows& windows, const std::u16string& commandLine,
                              InstallerOptions& options, PackageSelection& selection);

// The help lists the provider options only when they were given before the request.
std::u16string HelpText(bool installProvider, bool installCardProvider);

// Shows the help box; also in silent runs, where it is the only answer to a bad call.
void ShowHelp(Windows& windows, const InstallerOptions& options);

}  // namespace setup
