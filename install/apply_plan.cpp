#include "install/apply_plan.h"

#include <algorithm>

#include "common/exit_codes.h"
#include "common/joined_text.h"
#include "install/added_roots.h"
#include "install/install_package.h"
#include "install/process_runner.h"
#include "install/root_certificates.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

std::uint32_t ApplyStep(RunContext& run, const PlanStep& step) {
  switch (step.action) {
    case StepAction::kInstall:
    case StepAction::kRefresh:
    case StepAction::kAddFeature:
      return InstallFoundPackage(run, step.product->productCode, step.package, step.commandLine,
                                 step.source);
    case StepAction::kRemove:
      return RunInstaller(run.windows, run.reporter, run.installerWait, run.held, step.commandLine);
    case StepAction::kApplyRegistryFile:
      // The tool is the command line's first word: "regedit", "regini".
      return RunTool(
          run.windows, run.reporter,
          Join({std::u16string_view(step.commandLine).substr(0, step.commandLine.find(u' ')),
                ".exe"}),
          step.commandLine);
    case StepAction::kImportCertificates: {
      // A release imports the bytes it checked against its pins.
      const std::vector<std::u16string>& files = run.detected.certificateFiles;
      const std::size_t i = std::find(files.begin(), files.end(), step.package) - files.begin();
      const bool checked = run.publisher.pins->Pinned() && i < run.detected.certificateBytes.size();
      return ImportCertificateFile(run.windows, run.reporter, step.package,
                                   checked ? &run.detected.certificateBytes[i] : nullptr);
    }
    case StepAction::kUninstall: {
      const std::uint32_t code =
          RunInstaller(run.windows, run.reporter, run.installerWait, run.held, step.commandLine);
      // Not installed (any more): what the step was for.
      return code == kErrorUnknownProduct ? kSuccess : code;
    }
    case StepAction::kRemoveRoot:
      return RemoveAddedRoot(run.windows, run.reporter, step.package);
    case StepAction::kNothing:
      break;
  }
  return kSuccess;
}

// The steps after `done` do not run: the log says so, and why.
void RecordSkipped(RunContext& run, std::size_t done, const char* why) {
  const std::vector<PlanStep>& steps = run.plan.steps;
  for (std::size_t i = done + 1; i < steps.size(); ++i) {
    if (steps[i].action == StepAction::kNothing) continue;
    run.reporter.Record({"step ", Decimal(i + 1), " of ", Decimal(steps.size()),
                         " skipped: ", why});
  }
}

}  // namespace

Applied ApplyPlan(RunContext& run) {
  Applied applied;
  const std::vector<PlanStep>& steps = run.plan.steps;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const PlanStep& step = steps[i];
    const std::uint32_t code = ApplyStep(run, step);
    if (step.action == StepAction::kRemove && code == kSuccessRebootRequired) {
      run.reporter.Record({"plug-in removed; the new one can only be installed after a restart"});
      applied.restartToContinue = true;
      RecordSkipped(run, i, "a restart first");
      return applied;
    }
    std::uint32_t& part = step.part == Part::kPlugin ? applied.plugin : applied.providers;
    part = CombineCodes(part, code);
    const bool lastOfPart = i + 1 == steps.size() || steps[i + 1].part != step.part;
    if (!IsSuccess(part) && (step.onFailure == OnFailure::kEndRun || lastOfPart)) {
      applied.failed = step.part;
      applied.code = part;
      RecordSkipped(run, i, "a failure before it");
      return applied;
    }
  }
  return applied;
}

}  // namespace setup
