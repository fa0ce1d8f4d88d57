#include "install/removal.h"

#include "install/added_roots.h"
#include "install/prepare_run.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

// Only a product installed for this machine is this run's to remove: another account's
// per-user installation (absent here) can't be removed from here.
void Detect(RunContext& run, const Product& product, const char16_t* code) {
  const std::int32_t state = run.windows.installer.QueryProductState(code);
  run.reporter.Record(
      {"product ", code, ": state ", SignedText(state),
       state == kInstallStateAbsent ? ", another account's alone: not this run's to remove" : ""});
  if (state == kInstallStateDefault) run.detected.installed.emplace_back(&product, code);
}

}  // namespace

void PrepareRemoval(RunContext& run) {
  Detect(run, kPlugin, kPlugin.productCode);
  if (run.request.cardProvider) {
    Detect(run, kCardProvider, kCardProvider.productCode);
    run.detected.addedRoots = ReadAddedRoots(run.windows, run.reporter);
    run.reporter.Record(
        {"card provider: its registry and access-list changes stay, and so do "
         "roots setup.exe added before it recorded them"});
  }
  if (run.request.provider) {
    Detect(run, kProvider, kProvider.productCode);
    Detect(run, kProvider, kProvider.alternateCode);
  }
  run.plan = PlanRemoval(run.detected);
  RecordPlan(run);
}

}  // namespace setup
