// The run as a plan: every change it makes, in order, decided from what was detected before
// the first one. A value: logged before anything changes, compared whole by the tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "packages/products.h"

namespace setup {

enum class StepAction {
  kInstall,            // msiexec /i of the package
  kRefresh,            // msiexec /i of the package over the installed product, in its configuration
  kRemove,             // msiexec /x of the installed plug-in, whose newer package follows
  kAddFeature,         // msiexec /i of the package, adding the browser feature
  kApplyRegistryFile,  // regedit or regini on a card provider's file of the start folder
  kImportCertificates,  // a certificate file's certificates into the machine's Root store
  kNothing,             // the plug-in is there as it should be
  kUninstall,           // msiexec /x of an installed product, for good (-uninstall)
  kRemoveRoot,          // a root this program added, out of the machine's Root store
};

// The parts of a run: each has its failure message, and its steps' codes are combined.
enum class Part { kProviders, kPlugin };

// What a failed step does to the run.
enum class OnFailure {
  kKeepGoing,  // its code is kept, the providers' later steps still run, and then the run ends
  kEndRun,     // the run ends at once
};

struct PlanStep {
  const Product* product;
  StepAction action;
  std::u16string package;      // the one file it hands over (a package, a certificate file),
                               // or the thumbprint of the root it removes
  std::u16string commandLine;  // what the tool gets, msiexec's log aside; empty: no tool runs
  OnFailure onFailure;
  Part part;
  std::u16string source = {};  // the share's file the tool gets a copy of; empty: no copy
  bool operator==(const PlanStep&) const = default;
};

struct RunPlan {
  std::vector<PlanStep> steps;
  bool operator==(const RunPlan&) const = default;
};

// A provider's package as its situation chose it, found once.
struct DetectedPackage {
  bool refresh = false;      // over the installed product, in its configuration
  std::u16string arguments;  // msiexec's extra arguments
  std::u16string path;
  std::u16string source = {};  // once `path` is the run's copy: the share's file it is of
  bool operator==(const DetectedPackage&) const = default;
};

// The plug-in's four outcomes (install/plugin_flow.h decides).
enum class PluginAction {
  kInstall,     // not installed: install the package
  kUpgrade,     // the package is newer: remove the installed plug-in, then install
  kAddFeature,  // same or older, browser feature not there: install with ADDLOCAL=NPVELUM
  kNothing,     // same or older, feature installed locally (3) or run from source (4)
};

// The plug-in's outcome, decided on what the installer and the distribution show.
struct DetectedPlugin {
  PluginAction action = PluginAction::kInstall;
  std::u16string path;  // the package found for it; empty when nothing needs one
  std::u16string source = {};  // as for a provider's package
};

// A card provider's file as its tool (`tool`, "regedit /s ") gets it: its name in the start
// folder, or the run's copy (`path`) of the share's file (`source`).
struct DetectedFile {
  const char* tool = nullptr;  // none: not a file of this run
  std::u16string path;
  std::u16string source;
};

// Everything the run's decisions need, read before the first change.
struct Detected {
  std::optional<DetectedPackage> provider;      // asked for with -csp
  std::optional<DetectedPackage> cardProvider;  // asked for with -ucsp
  DetectedPlugin plugin;
  std::vector<std::u16string> certificateFiles;  // with -ucsp, by full path
  DetectedFile cardFiles[2];  // with -ucsp, as CardRegistryFiles lists them
  std::vector<std::string> certificateBytes;     // a release's: each file as hashed
  bool x64 = false;  // the card provider's registry files come per architecture
  // -uninstall: the products installed for this machine, each with the code it is installed
  // under, in the order they go; with -ucsp, the roots this program recorded adding.
  std::vector<std::pair<const Product*, const char16_t*>> installed;
  std::vector<std::u16string> addedRoots;
};

// The steps, in the order they run: the provider, the card provider with its registry files
// and certificates, then the plug-in.
RunPlan PlanRun(const Detected& detected, const std::u16string& pluginArgs);

// -uninstall: each installed product removed by its code, the plug-in first (it uses the
// providers), the recorded roots with the card provider; any failure ends the run.
RunPlan PlanRemoval(const Detected& detected);

// Whether any step would start a program or change the Root store (-plan's verdict).
bool ChangesAnything(const RunPlan& plan);

// A step as the log shows it before the run changes anything.
std::u16string DescribeStep(const PlanStep& step, std::size_t number, std::size_t count);

}  // namespace setup
