// The browser plug-in: what is installed, and which of its four outcomes the run takes.
#pragma once

#include <cstdint>
#include <string>

#include "install/run_context.h"

namespace setup {

// The four outcomes, from the product state (installed means installed for this machine),
// the version order (read only when installed) and the feature state (read only when the
// package is not newer).
PluginAction ChoosePluginAction(std::int32_t productState, int newVersusInstalled,
                                std::int32_t featureState);

// The plug-in as installed, and its package found once and held where the outcome needs one
// (run.detected.plugin), before anything changes. 0, or the code that ends the run, reported.
std::uint32_t DetectPlugin(RunContext& run);

}  // namespace setup
