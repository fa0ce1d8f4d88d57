// What the native tests compare against, written once: a message's text, an msiexec line,
// the box of a missing package, the distribution the runs start from, and the small
// helpers their tables share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/main_flow.h"
#include "common/exit_codes.h"
#include "install/apply_plan.h"
#include "install/prepare_run.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "ui/message_catalogue.h"

namespace setup::testing {

using Lines = std::vector<std::u16string>;

// Lines as a call's arguments, which a table row lays out more tightly than a braced list.
template <typename... Line>
Lines List(const Line&... lines) {
  return {std::u16string(lines)...};
}

// A program that ran and ended with `code`.
inline ProcessOutcome Exited(std::uint32_t code) { return {true, 0, true, code}; }

// The catalogue's text of message `id`; empty when there is none.
inline std::u16string Text(std::uint16_t id) {
  for (const Message& message : MessageCatalogue()) {
    if (message.id == id) return message.text;
  }
  return {};
}

// Packages of `version` in the start folder C:\dist, by path below it.
inline void AddPackages(FakeWindows& fake, const std::u16string& version,
                        std::initializer_list<std::u16string> files) {
  for (const std::u16string& file : files) {
    fake.AddFile(file);
    fake.packages[u"C:\\dist\\" + file].properties[u"ProductVersion"] = version;
  }
}

// The plug-in's package and the providers', all version 2.1.0, in the start folder C:\dist.
inline FakeWindows Distribution() {
  FakeWindows fake;
  AddPackages(fake, u"2.1.0",
              {u"plugin\\velumcom-2.1.0-x64.msi", u"csp\\csp-x64-kc1-eng.msi",
               u"csp\\csp-x64-kc2-eng.msi", u"ucsp\\ucsp-x64-eng.msi"});
  for (const char16_t* file : {u"UEC_x64_2.reg", u"UEC_acl_x64.acl"}) fake.AddFile(file);
  return fake;
}

// An installed product: its version, and the release flags and language of its cached
// package, which is returned for a test to break.
struct InstalledProduct {
  const char16_t* code;
  std::u16string version, flags, language;
};
inline FakePackage& Install(FakeWindows& fake, const InstalledProduct& p) {
  FakeProduct& product = fake.products[p.code];
  product.version = p.version;
  product.localPackage = u"C:\\Windows\\Installer\\" + std::u16string(p.code) + u".msi";
  FakePackage& cached = fake.packages[product.localPackage];
  cached.properties = {{u"ISReleaseFlags", p.flags}, {u"ProductLanguage", p.language}};
  return cached;
}

// The installation of a package of the fake's start folder C:\dist.
inline std::u16string Msiexec(const std::u16string& relativePath,
                              const std::u16string& args = u"") {
  return u"msiexec /qn /i \"C:\\dist\\" + relativePath + u"\" " + args + u" REBOOT=R";
}

// The error box of a package that isn't there; none for an unattended run.
inline std::vector<ShownBox> PackageNotFoundBoxes(bool silent) {
  if (silent) return {};
  return {{Text(IDS_PACKAGE_NOT_FOUND), Text(IDS_ERROR_CAPTION), kMbIconError}};
}

// A run's detection, plan and check against the fake and, `apply`, its steps: all of a run
// but the main flow's questions, progress and final boxes.
struct PlannedRun {
  std::uint32_t code = 0;  // detection's, the check's, or the failure that ended the steps
  std::uint32_t prepared = 0;  // detection's or the check's
  RunPlan plan;
  Applied applied;
};
inline PlannedRun Plan(FakeWindows& fake, const RunRequest& request, bool apply = false,
                       const PackageSelection& selection = {}, RunMode mode = {}) {
  HeldFiles held(fake);
  Reporter reporter(fake.windows(), mode);
  RunContext run(fake.windows(), reporter, held, request, selection,
                 PublisherOf(fake.VerifySignature(fake.programPath, 0, {}, nullptr)));
  PlannedRun planned;
  Part failing;
  planned.code = planned.prepared = PrepareRun(run, failing);
  planned.plan = run.plan;
  if (planned.code == 0 && apply) {
    const Applied& applied = planned.applied = ApplyPlan(run);
    planned.code = applied.failed ? applied.code : CombineCodes(applied.providers, applied.plugin);
  }
  reporter.Finish(planned.code);  // the boxes waiting for the run's end
  return planned;
}

// setup.exe -plan with `options` on `machine`, as `run` found it: the plan `run` made is
// logged, nothing starts, and it ends with the preparation's failure, else 0 for the
// plug-in's "nothing", else 9.
inline void ExpectPlanShows(FakeWindows& machine, const std::u16string& options,
                            const PlannedRun& run) {
  const std::u16string line = u"-plan -silent -log C:\\plan.log " + options;
  const std::vector<PlanStep>& steps = run.plan.steps;
  const bool idle = steps.size() == 1 && steps[0].action == StepAction::kNothing;
  EXPECT_EQ(RunSetup(machine.windows(), line),
            run.prepared != 0 ? run.prepared : idle ? 0 : exit_code::kChangesPlanned);
  EXPECT_EQ(machine.Commands(), Lines{});
  const HiddenValues hidden = FindHiddenValues(SplitLikeWindows(line));
  std::string plan = "the plan, before anything changes:\r\n";  // each line at the same time
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::u16string step = HideValues(DescribeStep(steps[i], i + 1, steps.size()), hidden);
    plan += "2026-12-08 09:05:07.042  " + Utf8(step) + "\r\n";
  }
  EXPECT_EQ(machine.writtenFiles[u"C:\\plan.log"].find(plan) != std::string::npos, !steps.empty());
}

// The command lines of a plan's steps, but the plug-in's.
inline Lines ProviderCommands(const RunPlan& plan) {
  Lines commands;
  for (const PlanStep& step : plan.steps) {
    if (step.product != &kPlugin && !step.commandLine.empty()) commands.push_back(step.commandLine);
  }
  return commands;
}

}  // namespace setup::testing
