// The run's plan carried out: the steps in order, their codes combined per part.
#pragma once

#include <cstdint>
#include <optional>

#include "install/run_context.h"

namespace setup {

struct Applied {
  std::uint32_t providers = 0;  // the providers' steps, combined
  std::uint32_t plugin = 0;     // the plug-in's
  // The old plug-in is removed, but the removal needs a restart before the new one can go
  // in: the machine has no plug-in until the program runs again after the restart.
  bool restartToContinue = false;
  // The run ends with the failure `code` of this part; nothing: no failure.
  std::optional<Part> failed = std::nullopt;
  std::uint32_t code = 0;
};

// The steps in order: a failure that ends the run stops it there.
Applied ApplyPlan(RunContext& run);

}  // namespace setup
