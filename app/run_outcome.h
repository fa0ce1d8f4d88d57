// How a run that got as far as its plan ends: its exit code and the message that says so,
// from what was applied and, where a restart is due, the answer to it. The one place that
// turns codes into the run's outcome; Reporter only shows and asks.
#pragma once

#include <cstdint>
#include <optional>

#include "install/apply_plan.h"
#include "ui/reporter.h"

namespace setup {

struct Outcome {
  enum class Shown {
    kFailure,          // the part's failure message, with the code appended
    kResult,           // the result message, OK only
    kRestartQuestion,  // the result message asking for a restart (Yes/No with a warning)
  };
  std::uint32_t code = 0;
  std::uint16_t messageId = 0;
  Shown shown = Shown::kResult;
  bool restartNow = false;  // Windows is restarted; its refusal ends the run with 7
  bool operator==(const Outcome&) const = default;
};

// `answer`: nothing while the restart question has not been asked. `removal`: -uninstall,
// whose messages name no product.
Outcome DecideOutcome(bool installProvider, bool installCardProvider, const Applied& applied,
                      std::optional<RestartChoice> answer = std::nullopt, bool removal = false);

}  // namespace setup
