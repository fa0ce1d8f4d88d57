#include "install/prepare_run.h"

#include "common/joined_text.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "install/package_signature.h"
#include "install/pinned_trust.h"
#include "install/plugin_flow.h"
#include "install/provider_flow.h"
#include "install/root_certificates.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

// The card provider's files, held from here to the run's end like the packages. One that
// is not there goes to its tool by name, as it always did (regedit takes a missing file).
std::uint32_t HoldCardFiles(RunContext& run) {
  DetectedFile* file = run.detected.cardFiles;
  for (const auto& [tool, name] : CardRegistryFiles(run.detected.x64)) {
    // `source` holds the share's file until its copy is made.
    *file = {tool, name, {}};
    const std::u16string path = run.windows.files.ReadFullPathName(name).value_or(name);
    AppendHandle held;
    if (run.windows.files.ReadAttributes(path)) {
      if (const std::uint32_t code = HoldUntilTheEnd(run, path, held); code != kSuccess) return code;
      file->source = path;
    }
    ++file;
  }
  return kSuccess;
}

// `path`, held since it was found, becomes the run's copy of it; `source` says of what.
std::uint32_t CopyOne(RunContext& run, std::u16string& path, std::u16string& source) {
  source = path;
  AppendHandle from;
  if (const std::uint32_t code = HoldUntilTheEnd(run, source, from); code != kSuccess) return code;
  return run.copies.Copy(run.reporter, from, source, PackageName(source), path);
}

// A package's copy, and beside it what the installer reads from the package's folder
// (neither covered by the package's signature): the external cabinets its Media table
// names, and the transforms its arguments name without a folder.
std::uint32_t CopyPackage(RunContext& run, std::u16string& path, std::u16string& source,
                          const std::u16string& arguments) {
  if (path.empty()) return kSuccess;
  std::uint32_t code = CopyOne(run, path, source);
  std::vector<std::u16string> names;
  if (code == kSuccess) run.windows.installer.ReadCabinets(path, names);
  if (const std::size_t at = arguments.find(u"TRANSFORMS="); at != std::u16string::npos) {
    std::u16string list = arguments.substr(at + 11, arguments.find(u' ', at) - at - 11) + u';';
    for (std::size_t end; (end = list.find(u';')) != std::u16string::npos; list.erase(0, end + 1)) {
      names.push_back(list.substr(0, end));
    }
  }
  const std::u16string folder = source.substr(0, source.rfind(u'\\') + 1);
  for (const std::u16string& name : names) {
    std::u16string file = folder + name, from;
    // '#': a cabinet inside the package; '@' a transform inside it; ':' and '\\' a path of
    // its own; '|' an option of msiexec's.
    if (code == kSuccess && !name.empty() && name.find_first_of(u"#@:\\|") == name.npos) {
      code = CopyOne(run, file, from);
    }
  }
  return code;
}

// Every file the plan hands to a tool, copied into the run's folder: what the tools get is
// what was held since it was found. Where the run has no folder safe for copies, the
// files go by their paths.
std::uint32_t MakeCopies(RunContext& run, Part& failing) {
  Detected& detected = run.detected;
  // -plan copies nothing: its plan names the share's files.
  if (run.request.preview || !run.copies.Make(run.reporter)) {
    for (DetectedFile& file : detected.cardFiles) file.source.clear();  // named as found
    return kSuccess;
  }
  failing = Part::kProviders;
  std::uint32_t code = kSuccess;
  for (std::optional<DetectedPackage>* package : {&detected.provider, &detected.cardProvider}) {
    if (code == kSuccess && *package) {
      code = CopyPackage(run, (*package)->path, (*package)->source, (*package)->arguments);
    }
  }
  for (DetectedFile& file : detected.cardFiles) {
    if (code == kSuccess && !file.source.empty()) {
      file.path = file.source;
      code = CopyOne(run, file.path, file.source);
    }
  }
  if (code != kSuccess) return code;
  failing = Part::kPlugin;
  return CopyPackage(run, detected.plugin.path, detected.plugin.source, run.request.pluginArgs);
}

}  // namespace

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
    if (run.publisher.pins->Pinned()) {
      if (const std::uint32_t code = CheckShareFiles(run); code != 0) return code;
    }
  }
  failing = Part::kPlugin;
  if (const std::uint32_t code = DetectPlugin(run); code != 0) return code;
  run.detected.x64 = run.windows.system.IsWow64();
  if (run.request.cardProvider) {
    failing = Part::kProviders;
    if (const std::uint32_t code = HoldCardFiles(run); code != kSuccess) return code;
  }
  if (const std::uint32_t code = MakeCopies(run, failing); code != kSuccess) return code;
  run.plan = PlanRun(run.detected, run.request.pluginArgs);
  RecordPlan(run);
  // Every package before the first change: one refused, and nothing of the run is done.
  for (const PlanStep& step : run.plan.steps) {
    if (step.package.empty() || step.action == StepAction::kImportCertificates) continue;
    const std::uint32_t code =
        run.publisher.pins->Pinned()
            ? CheckPinnedPackage(run, step.package, step.source)
            : CheckPackagePublisher(run.windows, run.reporter, run.publisher, step.package);
    if (code != 0) {
      failing = step.part;
      return code;
    }
  }
  return kSuccess;
}

}  // namespace setup
