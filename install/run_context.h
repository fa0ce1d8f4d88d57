// The run's own values, made by the main flow and handed down explicitly: nothing of a run
// outlives it, and each test starts from a fresh one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/held_files.h"
#include "install/installer_wait.h"
#include "install/package_signature.h"
#include "install/run_copies.h"
#include "install/run_plan.h"
#include "packages/package_selection.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// What the options ask of the run.
struct RunRequest {
  bool provider = false;
  bool cardProvider = false;
  bool chosenInDialog = false;  // -selectDlg: the pieces alone choose the provider
  std::u16string providerArgs;
  std::u16string cardProviderArgs;
  std::u16string pluginArgs;
  bool preview = false;  // -plan: nothing is copied or changed
};

struct RunContext {
  // `folder`: the log folder as the run made it ready, where its copies go.
  RunContext(Windows& windows, Reporter& reporter, HeldFiles& held, RunRequest request,
             PackageSelection selection, Publisher publisher,
             std::optional<std::u16string> folder = std::nullopt)
      : windows(windows),
        reporter(reporter),
        request(std::move(request)),
        selection(std::move(selection)),
        publisher(std::move(publisher)),
        held(held),
        copies(windows, std::move(folder)) {}

  Windows& windows;
  Reporter& reporter;
  const RunRequest request;
  PackageSelection selection;  // gets the language default when nothing chose a language
  const Publisher publisher;
  Detected detected;
  RunPlan plan;
  InstallerWait installerWait;
  HeldFiles& held;
  RunCopies copies;
};

}  // namespace setup
