#include "install/prepare_run.h"

#include "install/package_signature.h"
#include "install/plugin_flow.h"
#include "install/provider_flow.h"
#include "install/root_certificates.h"
#include "platform/windows_constants.h"

namespace setup {

void RecordPlan(RunContext& run) {
  const std::vector<PlanStep>& steps = run.plan.steps;
  run.reporter.Record({"the plan, before anything changes:"});
  for (std::size_t i = 0; i < steps.size(); ++i) {
    run.reporter.Record(DescribeStep(steps[i], i + 1, steps.size()));
  }
}

std::uint32_t PrepareRun(RunContext& run, Part& failing) {
  failing = Part::kProviders;
  if (const std::uint32_t code = DetectProviders(run); code != 0) return code;
  if (run.request.cardProvider) {
    if (const std::uint32_t code =
            FindCertificateFiles(run.windows, run.reporter, run.detected.certificateFiles);
        code != 0) {
      return code;
    }
  }
  failing = Part::kPlugin;
  if (const std::uint32_t code = DetectPlugin(run); code != 0) return code;
  run.detected.x64 = run.windows.system.IsWow64();
  run.plan = PlanRun(run.detected, run.request.pluginArgs);
  RecordPlan(run);
  // Every package before the first change: one refused, and nothing of the run is done.
  for (const PlanStep& step : run.plan.steps) {
    if (step.package.empty() || step.action == StepAction::kImportCertificates) continue;
    if (const std::uint32_t code =
            CheckPackagePublisher(run.windows, run.reporter, run.publisher, step.package);
        code != 0) {
      failing = step.part;
      return code;
    }
  }
  return kSuccess;
}

}  // namespace setup
