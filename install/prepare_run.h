// Preparing the run: detect, plan, log the plan, and check every package of it, before
// anything changes.
#pragma once

#include <cstdint>

#include "install/run_context.h"

namespace setup {

// 0, or the code that ends the run before anything has changed, with `failing` the part it
// belongs to. The plan is in `run.plan`, and in the log, either way once it is whole.
std::uint32_t PrepareRun(RunContext& run, Part& failing);

// The plan of `run`, a line per step, before anything changes.
void RecordPlan(RunContext& run);

}  // namespace setup
