// -uninstall: what is installed of the products asked for, by product code, and the roots
// this program recorded adding. No package and no file of the start folder is needed.
#pragma once

#include "install/run_context.h"

namespace setup {

// Detects, plans (run.plan) and records the plan; nothing it reads ends the run.
void PrepareRemoval(RunContext& run);

}  // namespace setup
