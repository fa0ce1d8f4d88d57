// The options of the command line, and the help.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "packages/package_selection.h"
#include "platform/windows.h"

namespace setup {

// What the command line asks for; read-only once parsed.
struct InstallerOptions {
  bool installProvider = false;           // -csp
  bool installCardProvider = false;       // -ucsp
  bool showSelectionDialog = false;       // -selectDlg
  bool silent = false;                    // -silent
  bool noRestart = false;                 // -norestart
  bool preview = false;                   // -plan: detect, plan and check; change nothing
  bool uninstall = false;                 // -uninstall
  std::u16string providerArgs;            // -CSPArgs, each value and a blank
  std::u16string cardProviderArgs;        // -UCSPArgs
  std::u16string pluginArgs;              // -VelumArgs
  std::optional<std::u16string> logPath;  // -log FILE
};

enum class ParseOutcome {
  kOptions,        // the options are filled in
  kHelp,           // the help was asked for: shown, and the run ends with 0
  kNotUnderstood,  // nothing is installed, and the run ends with 1639
};

// The argument that was not understood, and why.
struct Rejection {
  std::u16string argument;
  std::u16string reason;
};

// Reads the arguments in order into the options and the package selection. Stops at a
// help request or at the first argument it does not accept; after that one, only
// -silent and -log are still taken, so that a mistyped call stays quiet and recorded.
// -uninstall refuses the options only an installation has, wherever they stand.
ParseOutcome ParseArguments(const std::vector<std::u16string>& arguments, InstallerOptions& options,
                            PackageSelection& selection, Rejection* rejection = nullptr);

// Splits the command line (without the program name) as the platform does, then parses.
ParseOutcome ParseCommandLine(Windows& windows, const std::u16string& commandLine,
                              InstallerOptions& options, PackageSelection& selection,
                              Rejection* rejection = nullptr);

// The help lists the provider options only when they were given before the request.
std::u16string HelpText(bool installProvider, bool installCardProvider);

}  // namespace setup
