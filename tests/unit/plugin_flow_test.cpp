#include "install/plugin_flow.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeProduct;
using testing::FakeWindows;
using testing::Msiexec;
using testing::ShownBox;
using testing::Text;
using Lines = std::vector<std::u16string>;

constexpr char16_t kRemove[] = u"msiexec /qn /x {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} REBOOT=R";
constexpr char16_t kInstallX64[] =
    u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  REBOOT=R";
constexpr char16_t kX64[] = u"plugin\\velumcom-2.1.0-x64.msi";
constexpr char16_t kWin32[] = u"plugin\\velumcom-2.1.0-win32.msi";

TEST(PluginFlow, ChoosesOneOfFourOutcomes) {
  // Only installed for this machine counts: another account's plug-in (2) gets its own.
  struct Case {
    std::int32_t productState;
    int newVersusInstalled;
    std::int32_t featureState;
    PluginAction action;
  } cases[] = {{-1, 1, -1, PluginAction::kInstall},   {5, 1, 3, PluginAction::kUpgrade},
               {1, 1, 3, PluginAction::kInstall},     {2, 0, 2, PluginAction::kInstall},
               {5, -1, 2, PluginAction::kAddFeature}, {5, 0, 3, PluginAction::kNothing},
               {5, 0, 4, PluginAction::kNothing},     {5, 0, -1, PluginAction::kAddFeature},
               {5, 0, 1, PluginAction::kAddFeature},  {5, 0, 2, PluginAction::kAddFeature}};
  for (const Case& c : cases) {
    EXPECT_EQ(ChoosePluginAction(c.productState, c.newVersusInstalled, c.featureState), c.action)
        << c.productState << " " << c.newVersusInstalled << " " << c.featureState;
  }
}

struct FlowCase {
  std::u16string onDisk, installed;  // versions; empty: no package files, not installed
  std::int32_t featureState;
  std::u16string pluginArgs;
  std::uint32_t exitCode;  // of every msiexec
  std::uint32_t expected;
  Lines commands;
  std::uint16_t box = 0;  // the error box's message, unless silent
  bool restartToContinue = false;
  bool wow64 = true;
  std::int32_t productState = 5;
  bool readme = false;              // a note that fits the mask, by name before the packages
  bool changedSinceSigned = false;  // setup.exe and the package are signed by A
};

// A distribution with both plug-in variants at `onDisk`; the plug-in as `c` installs it.
FakeWindows Distribution(const FlowCase& c) {
  FakeWindows fake;
  if (c.readme) fake.AddFile(u"plugin\\velumcom-1-x64-readme.txt");
  if (!c.onDisk.empty()) AddPackages(fake, c.onDisk, {kWin32, kX64});
  if (!c.installed.empty()) {
    FakeProduct& product = fake.products[kPluginProductCode];
    product.state = c.productState;
    product.version = c.installed;
    product.features[u"NPVELUM"] = c.featureState;
  }
  if (c.changedSinceSigned) {
    fake.signatures[fake.programPath] = {kSuccess, true, "A", u"A", {}, 0};
    fake.signatures[u"C:\\dist\\" + std::u16string(kX64)] = {
        kTrustBadDigest, true, "A", u"A", {}, 0};
  }
  fake.wow64 = c.wow64;
  fake.defaultExitCode = c.exitCode;
  return fake;
}

TEST(PluginFlow, RunsTheCommandsOfEachOutcome) {
  const FlowCase cases[] = {
      {u"2.1.0", u"", 3, u"", 0, 0, {kInstallX64}},
      {u"2.1.0", u"", 3, u"", 3010, 3010, {kInstallX64}},
      {u"2.1.0", u"", 3, u"", 1603, 1603, {kInstallX64}},
      {u"2.1.0", u"", 3, u"", 0, 0, {Msiexec(kWin32)}, 0, false, false},
      {u"2.1.0", u"", 3, u"X Y ", 0, 0, {Msiexec(kX64, u"X Y ")}},
      {u"2.1.0", u"2.0.0", 3, u"X ", 0, 0, {kRemove, Msiexec(kX64, u"X ")}},
      // A removal that asks for a restart leaves the installation to the next run.
      {u"2.1.0", u"2.0.0", 3, u"", 3010, 0, {kRemove}, 0, true},
      {u"2.1.0", u"2.0.0", 3, u"", 1603, 1603, {kRemove}},
      // Another account's plug-in has no version for us to read: this machine gets its own.
      {u"2.1.0", u"2.1.0", 3, u"", 0, 0, {kInstallX64}, 0, false, true, 2},
      // Changed since it was signed: the old plug-in stays.
      {u"2.1.0", u"2.0.0", 3, u"", 0, kTrustBadDigest, {}, 0, false, true, 5, false, true},
      {u"2.1.0", u"2.1.0", 3, u"", 0, 0, {}},
      {u"2.1.0", u"2.1.0", 2, u"", 0, 0, {Msiexec(kX64, u" ADDLOCAL=NPVELUM")}},
      {u"2.0.0", u"2.1.0", 2, u"X ", 0, 0, {Msiexec(kX64, u"X  ADDLOCAL=NPVELUM")}},
      // An older package is never installed over; versions compare by their numbers.
      {u"2.0.0", u"2.1.0", 3, u"", 0, 0, {}},
      {u"2.0.9", u"2.0.10", 3, u"", 0, 0, {}},
      {u"2.0.10", u"2.0.9", 3, u"", 0, 0, {kRemove, kInstallX64}},
      // The comparison reads the file msiexec would get: the note.
      {u"2.1.0", u"2.0.0", 3, u"", 0, 1619, {}, IDS_PACKAGE_NOT_OPENED, false, true, 5, true},
      {u"", u"", 3, u"", 0, kErrorNoData, {}, IDS_PACKAGE_NOT_FOUND},
      {u"", u"2.0.0", 3, u"", 0, kErrorNoData, {}, IDS_PACKAGE_NOT_FOUND},
  };
  for (const FlowCase& c : cases) {
    for (const bool silent : {false, true}) {
      SCOPED_TRACE(::testing::Message() << (&c - cases) << (silent ? " silent" : ""));
      FakeWindows fake = Distribution(c);
      const testing::PlannedRun run =
          testing::Plan(fake, {false, false, false, {}, {}, c.pluginArgs}, true, {}, {silent});
      EXPECT_EQ(run.code, c.expected);
      EXPECT_EQ(fake.Commands(), c.commands);
      FakeWindows preview = Distribution(c);
      const std::u16string args =
          c.pluginArgs.substr(0, c.pluginArgs.size() - !c.pluginArgs.empty());
      testing::ExpectPlanShows(preview, args.empty() ? u"" : u"-VelumArgs \"" + args + u"\"", run);
      EXPECT_EQ(run.applied.restartToContinue, c.restartToContinue);
      // msiexec gets only a package held since it was found: nobody can have swapped it.
      for (std::size_t i = 0; i < c.commands.size(); ++i) {
        const std::size_t at = c.commands[i].find(u'"') + 1;  // 0: a removal, by product code
        const Lines package{u"held " + c.commands[i].substr(at, c.commands[i].find(u'"', at) - at)};
        EXPECT_EQ(fake.openAtCommands[i], at == 0 ? fake.openAtCommands[i] : package);
      }
      const std::vector<ShownBox> box{{Text(c.box), Text(IDS_ERROR_CAPTION), kMbIconError}};
      EXPECT_EQ(fake.boxes, c.box == 0 || silent ? std::vector<ShownBox>{} : box);
    }
  }
}

TEST(PluginFlow, InstallerLearnsThePackageFileBeforeItRuns) {
  FakeWindows fake = Distribution({u"2.1.0", u"2.1.0", 2, u"", 0, 0, {}});
  EXPECT_EQ(testing::Plan(fake, {}, true).code, kSuccess);
  EXPECT_EQ(fake.log, (Lines{u"source list: resolve {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}",
                             u"source list: {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} "
                             u"PackageName=velumcom-2.1.0-x64.msi",
                             u"run: msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  "
                             u"ADDLOCAL=NPVELUM REBOOT=R"}));
}

}  // namespace
}  // namespace setup
