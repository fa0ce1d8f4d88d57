#include "install/run_plan.h"

#include "common/joined_text.h"
#include "common/number_text.h"
#include "install/install_package.h"

namespace setup {
namespace {

const char* ActionName(StepAction action) {
  switch (action) {
    case StepAction::kInstall:
      return "install";
    case StepAction::kRefresh:
      return "refresh in the installed configuration";
    case StepAction::kRemove:
      return "remove the installed version, the newer package follows";
    case StepAction::kAddFeature:
      return "add the browser feature";
    case StepAction::kApplyRegistryFile:
      return "apply a registry file";
    case StepAction::kImportCertificates:
      return "import a file's certificates into the machine's Root store";
    case StepAction::kUninstall:
      return "remove";
    case StepAction::kRemoveRoot:
      return "remove a root setup.exe added from the machine's Root store";
    case StepAction::kNothing:
      break;
  }
  return "nothing to do";
}

}  // namespace

RunPlan PlanRun(const Detected& detected, const std::u16string& pluginArgs) {
  RunPlan plan;
  // A provider's failure is kept and the card provider still goes in: the run then ends
  // with the providers' failure, before the plug-in.
  const auto provider = [&](const Product& product, const DetectedPackage& package) {
    plan.steps.push_back({&product, package.refresh ? StepAction::kRefresh : StepAction::kInstall,
                          package.path, InstallCommandLine(package.path, package.arguments),
                          OnFailure::kKeepGoing, Part::kProviders, package.source});
  };
  if (detected.provider) provider(kProvider, *detected.provider);
  if (detected.cardProvider) {
    provider(kCardProvider, *detected.cardProvider);
    for (const DetectedFile& file : detected.cardFiles) {
      if (file.tool == nullptr) continue;
      // Without a copy, the file is named without a folder: the tools inherit the start
      // folder as their current directory, where the distribution keeps it.
      const char* quote = file.source.empty() ? "" : "\"";
      plan.steps.push_back({&kCardProvider, StepAction::kApplyRegistryFile, {},
                            Join({file.tool, quote, file.path, quote}), OnFailure::kKeepGoing,
                            Part::kProviders, file.source});
    }
    for (const std::u16string& file : detected.certificateFiles) {
      plan.steps.push_back({&kCardProvider, StepAction::kImportCertificates, file, {},
                            OnFailure::kKeepGoing, Part::kProviders});
    }
  }
  const DetectedPlugin& plugin = detected.plugin;
  const auto step = [&](StepAction action, const std::u16string& file,
                        const std::u16string& commandLine) {
    plan.steps.push_back({&kPlugin, action, file, commandLine, OnFailure::kEndRun, Part::kPlugin,
                          file.empty() ? u"" : plugin.source});
  };
  switch (plugin.action) {
    case PluginAction::kUpgrade:
      step(StepAction::kRemove, {}, RemovalCommand(kPlugin));
      [[fallthrough]];
    case PluginAction::kInstall:
      step(StepAction::kInstall, plugin.path, InstallCommandLine(plugin.path, pluginArgs));
      break;
    case PluginAction::kAddFeature:
      step(StepAction::kAddFeature, plugin.path,
           InstallCommandLine(plugin.path, Join({pluginArgs, " ADDLOCAL=", kPlugin.feature})));
      break;
    case PluginAction::kNothing:
      step(StepAction::kNothing, {}, {});
      break;
  }
  return plan;
}

RunPlan PlanRemoval(const Detected& detected) {
  RunPlan plan;
  const auto step = [&](const Product& product, StepAction action, std::u16string root,
                        std::u16string commandLine) {
    plan.steps.push_back({&product, action, std::move(root), std::move(commandLine),
                          OnFailure::kEndRun,
                          &product == &kPlugin ? Part::kPlugin : Part::kProviders});
  };
  bool rootsPlanned = false;
  const auto roots = [&] {
    if (std::exchange(rootsPlanned, true)) return;
    for (const std::u16string& root : detected.addedRoots) {
      step(kCardProvider, StepAction::kRemoveRoot, root, {});
    }
  };
  for (const auto& [product, code] : detected.installed) {
    if (product == &kProvider) roots();
    step(*product, StepAction::kUninstall, {}, RemovalCommand(code));
  }
  roots();
  return plan;
}

bool ChangesAnything(const RunPlan& plan) {
  for (const PlanStep& step : plan.steps) {
    if (step.action != StepAction::kNothing) return true;
  }
  return false;
}

std::u16string DescribeStep(const PlanStep& step, std::size_t number, std::size_t count) {
  const std::u16string& what = step.commandLine.empty() ? step.package : step.commandLine;
  const bool copy = !step.source.empty();
  // msiexec /i is preceded by the source-list writes that name its package to the product.
  const bool named = !step.commandLine.empty() && !step.package.empty();
  const char* failure = step.action == StepAction::kNothing ? ""
                        : step.onFailure == OnFailure::kKeepGoing
                            ? "; a failure is kept, the run ends after the providers' steps"
                            : "; a failure ends the run";
  return Join({"step ", Decimal(number), " of ", Decimal(count), ", ", step.product->name,
               ": ", ActionName(step.action), named ? ", its package named in the source list first" : "",
               what.empty() ? "" : ": ", what, copy ? " (a copy of " : "", step.source,
               copy ? ")" : "", failure});
}

}  // namespace setup
