#include "install/apply_plan.h"

#include "common/exit_codes.h"
#include "common/joined_text.h"
#include "install/install_package.h"
#include "install/plugin_flow.h"
#include "install/process_runner.h"
#include "install/provider_flow.h"
#include "install/root_certificates.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

std::uint32_t ApplyStep(RunContext& run, const PlanStep& step) {
  switch (step.action) {
    case StepAction::kInstall:
    case StepAction::kRefresh:
    case StepAction::kAddFeature:
      return InstallFoundPackage(run, step.product->productCode, step.package, step.commandLine);
    case StepAction::kRemove:
      return RunInstaller(run.windows, run.reporter, run.installerWait, step.commandLine);
    case StepAction::kApplyRegistryFile:
      // The tool is the command line's first word: "regedit", "regini".
      return RunTool(
          run.windows, run.reporter,
          Join({std::u16string_view(step.commandLine).substr(0, step.commandLine.find(u' ')),
                ".exe"}),
          step.commandLine);
    case StepAction::kImportCertificates:
      return ImportCertificateFile(run.windows, run.reporter, step.package);
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
    run.reporter.Record({"step ", DecimalText(i + 1), " of ", DecimalText(steps.size()),
                         " skipped: ", why});
  }
}

}  // namespace

std::uint32_t PlanTheRun(RunContext& run, std::uint16_t& failureMessage) {
  failureMessage = IDS_PROVIDER_FAILED;
  if (const std::uint32_t code = DetectProviders(run); code != 0) return code;
  if (run.request.cardProvider) {
    if (const std::uint32_t code =
            FindCertificateFiles(run.windows, run.reporter, run.detected.certificateFiles);
        code != 0) {
      return code;
    }
  }
  failureMessage = IDS_PLUGIN_FAILED;
  if (const std::uint32_t code = DetectPlugin(run); code != 0) return code;
  run.detected.x64 = run.windows.system.IsWow64();
  run.plan = PlanRun(run.detected, run.request.pluginArgs);
  const std::vector<PlanStep>& steps = run.plan.steps;
  run.reporter.Record({"the plan, before anything changes:"});
  for (std::size_t i = 0; i < steps.size(); ++i) {
    run.reporter.Record(DescribeStep(steps[i], i + 1, steps.size()));
  }
  // Every package before the first change: one refused, and nothing of the run is done.
  for (const PlanStep& step : steps) {
    if (step.package.empty() || step.action == StepAction::kImportCertificates) continue;
    if (const std::uint32_t code =
            CheckPackagePublisher(run.windows, run.reporter, run.publisher, step.package);
        code != 0) {
      failureMessage = step.failureMessage;
      return code;
    }
  }
  return kSuccess;
}

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
    std::uint32_t& part =
        step.failureMessage == IDS_PLUGIN_FAILED ? applied.plugin : applied.providers;
    part = CombineCodes(part, code);
    const bool lastOfPart =
        i + 1 == steps.size() || steps[i + 1].failureMessage != step.failureMessage;
    if (!IsSuccess(part) && (step.onFailure == OnFailure::kEndRun || lastOfPart)) {
      applied.failureMessage = step.failureMessage;
      applied.code = part;
      RecordSkipped(run, i, "a failure before it");
      return applied;
    }
  }
  return applied;
}

}  // namespace setup
