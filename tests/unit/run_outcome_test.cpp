#include "app/run_outcome.h"

#include <gtest/gtest.h>

#include "platform/windows_constants.h"

namespace setup {
namespace {

// What was applied and the restart answer make the exit code and the message; the restart
// tests of the main flow run whole what is not repeated here.
TEST(RunOutcome, DecisionTable) {
  using Shown = Outcome::Shown;
  using Answer = std::optional<RestartChoice>;
  const Answer none, left = RestartChoice::kLeftToCaller, no = RestartChoice::kDeclined,
                     yes = RestartChoice::kRestartNow;
  const Applied plugin3010{0, 3010}, removed{0, 0, true}, provider3010{3010, 0};
  const struct Case {
    bool provider, card;
    Applied applied;
    Answer answer;
    Outcome outcome;
    bool removal = false;
  } cases[] = {
      {false, false, {}, none, {0, IDS_DONE_PLUGIN}},
      {false, false, plugin3010, none, {3010, IDS_RESTART_PLUGIN, Shown::kRestartQuestion}},
      {false, false, plugin3010, left, {3010, IDS_RESTART_PLUGIN, Shown::kRestartQuestion}},
      {false, false, plugin3010, no, {0, IDS_RESTART_PLUGIN, Shown::kRestartQuestion}},
      {false, false, plugin3010, yes, {0, IDS_RESTART_PLUGIN, Shown::kRestartQuestion, true}},
      {false, false, removed, no, {0, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      {true, false, plugin3010, none,
       {3010, IDS_RESTART_PLUGIN_AND_PROVIDER, Shown::kRestartQuestion}},
      {true, true, provider3010, yes, {0, IDS_RESTART_ALL, Shown::kRestartQuestion, true}},
      {false, true, plugin3010, left,
       {3010, IDS_RESTART_PLUGIN_AND_CARD_PROVIDER, Shown::kRestartQuestion}},
      {true, true, {}, none, {0, IDS_DONE_ALL}},
      {true, false, {}, none, {0, IDS_DONE_PLUGIN_AND_PROVIDER}},
      {false, true, {}, none, {0, IDS_DONE_PLUGIN_AND_CARD_PROVIDER}},
      // The plug-in was removed and its successor waits for a restart: never "installed".
      {false, true, removed, none, {3010, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      {true, true, {3010, 0, true}, left, {3010, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      // A failure: its part's message and code, whatever restart the other part asked for.
      {true, false, {3010, 1603, false, Part::kPlugin, 1603}, yes,
       {1603, IDS_PLUGIN_FAILED, Shown::kFailure}},
      {true, true, {5, 0, false, Part::kProviders, 5}, none,
       {5, IDS_PROVIDER_FAILED, Shown::kFailure}},
      // A removal's messages name no product.
      {false, false, {}, none, {0, IDS_DONE_REMOVAL}, true},
      {true, true, provider3010, left, {3010, IDS_RESTART_REMOVAL, Shown::kRestartQuestion}, true},
      {true, false, {0, 1603, false, Part::kPlugin, 1603}, none,
       {1603, IDS_REMOVAL_FAILED, Shown::kFailure}, true},
  };
  for (const auto& [provider, card, applied, answer, outcome, removal] : cases) {
    EXPECT_EQ(DecideOutcome(provider, card, applied, answer, removal), outcome)
        << provider << card << " " << applied.providers << " " << applied.plugin << " "
        << applied.restartToContinue << " " << answer.has_value();
  }
}

}  // namespace
}  // namespace setup
