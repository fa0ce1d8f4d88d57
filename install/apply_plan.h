// The run's plan carried out: every package checked before the first change, then the steps
// in order, their codes combined as the plan says.
#pragma once

#include <cstdint>

#include "install/run_context.h"

namespace setup {

struct Applied {
  std::uint32_t providers = 0;  // the providers' steps, combined
  std::uint32_t plugin = 0;     // the plug-in's
  // The old plug-in is removed, but the removal needs a restart before the new one can go
  // in: the machine has no plug-in until the program runs again after the restart.
  bool restartToContinue = false;
  // The run ends with the failure `code`, told with this message; 0: no failure.
  std::uint16_t failureMessage = 0;
  std::uint32_t code = 0;
};

// Detect, plan, log the plan, and check every package of it against setup.exe's publisher
// (when setup.exe is signed): 0, or the code that ends the run before anything has changed,
// with the failure message of the part it belongs to.
std::uint32_t PlanTheRun(RunContext& run, std::uint16_t& failureMessage);

// The steps in order: a failure that ends the run stops it there.
Applied ApplyPlan(RunContext& run);

}  // namespace setup
