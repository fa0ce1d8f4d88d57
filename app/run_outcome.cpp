#include "app/run_outcome.h"

#include "common/exit_codes.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

struct FinalMessage {
  std::uint16_t id;
  bool restartQuestion;
};

// The result message after every part that ran succeeded (0 or 3010).
FinalMessage ChooseFinalMessage(bool installProvider, bool installCardProvider,
                                const Applied& applied, bool removal) {
  if (removal) {
    return CombineCodes(applied.providers, applied.plugin) == kSuccessRebootRequired
               ? FinalMessage{IDS_RESTART_REMOVAL, true}
               : FinalMessage{IDS_DONE_REMOVAL, false};
  }
  const bool anyProvider = installProvider || installCardProvider;
  if (!anyProvider && applied.plugin == kSuccessRebootRequired) return {IDS_RESTART_PLUGIN, true};
  // The old plug-in is gone and the new one is not in: whatever else went in, the one
  // thing to say is that a restart and another run must follow.
  if (applied.restartToContinue) return {IDS_RESTART_TO_CONTINUE, true};
  if (!anyProvider) return {IDS_DONE_PLUGIN, false};
  const bool restart = CombineCodes(applied.providers, applied.plugin) == kSuccessRebootRequired;
  if (installProvider && installCardProvider) {
    return restart ? FinalMessage{IDS_RESTART_ALL, true} : FinalMessage{IDS_DONE_ALL, false};
  }
  if (installProvider) {
    return restart ? FinalMessage{IDS_RESTART_PLUGIN_AND_PROVIDER, true}
                   : FinalMessage{IDS_DONE_PLUGIN_AND_PROVIDER, false};
  }
  return restart ? FinalMessage{IDS_RESTART_PLUGIN_AND_CARD_PROVIDER, true}
                 : FinalMessage{IDS_DONE_PLUGIN_AND_CARD_PROVIDER, false};
}

}  // namespace

Outcome DecideOutcome(bool installProvider, bool installCardProvider, const Applied& applied,
                      std::optional<RestartChoice> answer, bool removal) {
  using Shown = Outcome::Shown;
  if (applied.failed) {
    const std::uint16_t failure =
        *applied.failed == Part::kProviders ? IDS_PROVIDER_FAILED : IDS_PLUGIN_FAILED;
    return {applied.code, removal ? std::uint16_t{IDS_REMOVAL_FAILED} : failure, Shown::kFailure};
  }
  const FinalMessage final =
      ChooseFinalMessage(installProvider, installCardProvider, applied, removal);
  if (!final.restartQuestion) return {kSuccess, final.id, Shown::kResult};
  const Outcome asked{kSuccess, final.id, Shown::kRestartQuestion};
  switch (answer.value_or(RestartChoice::kLeftToCaller)) {
    case RestartChoice::kLeftToCaller:
      return {kSuccessRebootRequired, final.id, Shown::kRestartQuestion};
    case RestartChoice::kDeclined:
      return asked;
    case RestartChoice::kRestartNow:
      break;
  }
  return {kSuccess, final.id, Shown::kRestartQuestion, true};
}

}  // namespace setup
