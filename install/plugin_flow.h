// Installing, updating or completing the browser plug-in.
#pragma once

#include <cstdint>
#include <string>

#include "install/package_signature.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

enum class PluginAction {
  kInstall,     // not installed: install the package
  kUpgrade,     // the package is newer: remove the installed plug-in, then install
  kAddFeature,  // same or older, browser feature not there: install with ADDLOCAL=NPVELUM
  kNothing,     // same or older, feature installed locally (3) or run from source (4)
};

// The four outcomes, from the product state (installed means installed for this machine),
// the version order (read only when installed) and the feature state (read only when the
// package is not newer).
PluginAction ChoosePluginAction(std::int32_t productState, int newVersusInstalled,
                                std::int32_t featureState);

struct PluginResult {
  std::uint32_t code = 0;  // an installer exit code
  // The old plug-in is removed but the removal needs a restart before the new one can go
  // in: the machine has no plug-in until the program runs again after the restart.
  bool restartToContinue = false;
};

// Every package it gives msiexec comes from `publisher`; unknown, packages go unchecked.
PluginResult InstallPlugin(Windows& windows, Reporter& reporter, const std::u16string& pluginArgs,
                           const Publisher& publisher);

}  // namespace setup
