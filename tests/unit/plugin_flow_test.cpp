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
using testing::ShownBox;
using testing::Text;
using Lines = std::vector<std::u16string>;

constexpr char16_t kRemove[] = u"msiexec /qn /x {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} REBOOT=R";
constexpr char16_t kInstallX64[] =
    u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  REBOOT=R";

// A distribution with both plug-in variants at `onDisk`, after a note that fits their mask
// when `readme`; the plug-in installed at `installed` unless that is empty.
FakeWindows Distribution(const std::u16string& onDisk, const std::u16string& installed,
                         std::int32_t featureState = 3, std::int32_t productState = 5,
                         bool readme = false) {
  FakeWindows fake;
  if (readme) fake.AddFile(u"plugin\\velumcom-x64-readme.txt");
  for (const char16_t* file : {u"velumcom-2.1.0-win32.msi", u"velumcom-2.1.0-x64.msi"}) {
    const std::u16string path = std::u16string(u"plugin\\") + file;
    fake.AddFile(path);
    fake.packages[u"C:\\dist\\" + path].properties[u"ProductVersion"] = onDisk;
  }
  if (!installed.empty()) {
    FakeProduct& product = fake.products[kPluginProductCode];
    product.state = productState;
    product.version = installed;
    product.features[u"NPVELUM"] = featureState;
  }
  return fake;
}

TEST(PluginFlow, ChoosesOneOfFourOutcomes) {
  struct Case {
    std::int32_t productState;
    int newVersusInstalled;
    std::int32_t featureState;
    PluginAction action;
  } cases[] = {
      {-1, 1, -1, PluginAction::kInstall},
      {5, 1, 3, PluginAction::kUpgrade},
      // Only installed for this machine counts: another account's plug-in (2) gets its own.
      {1, 1, 3, PluginAction::kInstall},
      {2, 0, 2, PluginAction::kInstall},
      {5, -1, 2, PluginAction::kAddFeature},
      {5, 0, 3, PluginAction::kNothing},
      {5, 0, 4, PluginAction::kNothing},
      {5, 0, -1, PluginAction::kNothing},
      {5, 0, 1, PluginAction::kNothing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChoosePluginAction(c.productState, c.newVersusInstalled, c.featureState), c.action)
        << c.productState << " " << c.newVersusInstalled << " " << c.featureState;
  }
}

struct FlowCase {
  const char* name;
  std::u16string onDisk, installed;
  std::int32_t featureState;
  std::u16string pluginArgs;
  bool wow64;
  std::uint32_t removalCode;
  std::uint32_t expected;
  Lines commands;
  bool restartToContinue;
  std::int32_t productState = 5;
  std::optional<Signature> package = {};  // set: setup.exe is signed by A, the package so
  bool readme = false;
};

TEST(PluginFlow, RunsTheCommandsOfEachOutcome) {
  const FlowCase cases[] = {
      {"not installed", u"2.1.0", u"", 3, u"", true, 0, 0, {kInstallX64}, false},
      {"not installed, 32-bit Windows",
       u"2.1.0",
       u"",
       3,
       u"",
       false,
       0,
       0,
       {u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi\"  REBOOT=R"},
       false},
      {"not installed, arguments",
       u"2.1.0",
       u"",
       3,
       u"X Y ",
       true,
       0,
       0,
       {u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\" X Y  REBOOT=R"},
       false},
      {"newer package",
       u"2.1.0",
       u"2.0.0",
       3,
       u"X ",
       true,
       0,
       0,
       {kRemove, u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\" X  REBOOT=R"},
       false},
      {"newer package, removal asks for a restart",
       u"2.1.0",
       u"2.0.0",
       3,
       u"",
       true,
       3010,
       0,
       {kRemove},
       true},
      {"newer package, removal fails",
       u"2.1.0",
       u"2.0.0",
       3,
       u"",
       true,
       1603,
       1603,
       {kRemove},
       false},
      // Another account's plug-in has no version for us to read: this machine gets its own.
      {"another account's", u"2.1.0", u"2.1.0", 3, u"", true, 0, 0, {kInstallX64}, false, 2},
      {"newer package changed since it was signed: the old plug-in stays",
       u"2.1.0",
       u"2.0.0",
       3,
       u"",
       true,
       0,
       kTrustBadDigest,
       {},
       false,
       5,
       Signature{kTrustBadDigest, true, "A", u"A"}},
      {"same version, feature present", u"2.1.0", u"2.1.0", 3, u"", true, 0, 0, {}, false},
      {"same version, feature absent",
       u"2.1.0",
       u"2.1.0",
       2,
       u"",
       true,
       0,
       0,
       {u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  ADDLOCAL=NPVELUM "
        u"REBOOT=R"},
       false},
      {"older package, feature absent, arguments",
       u"2.0.0",
       u"2.1.0",
       2,
       u"X ",
       true,
       0,
       0,
       {u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\" X  ADDLOCAL=NPVELUM "
        u"REBOOT=R"},
       false},
      {"older package is never installed over", u"2.0.0", u"2.1.0", 3, u"", true, 0, 0, {}, false},
      {"versions compare by number: 2.0.9 is older than 2.0.10, never installed over it",
       u"2.0.9",
       u"2.0.10",
       3,
       u"",
       true,
       0,
       0,
       {},
       false},
      {"versions compare by number: 2.0.10 is newer than 2.0.9",
       u"2.0.10",
       u"2.0.9",
       3,
       u"",
       true,
       0,
       0,
       {kRemove, u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  REBOOT=R"},
       false},
      // A note that fits the mask, listed first: the comparison reads what msiexec would get.
      {"a readme listed first", u"2.1.0", u"2.0.0", 3, u"", true, 0, 1619, {}, false, 5, {}, true},
  };
  for (const FlowCase& c : cases) {
    FakeWindows fake =
        Distribution(c.onDisk, c.installed, c.featureState, c.productState, c.readme);
    fake.wow64 = c.wow64;
    fake.processOutcomes[kRemove] = {true, 0, true, c.removalCode};
    if (c.package) fake.signatures[u"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi"] = *c.package;
    Reporter reporter(fake.windows(), {});
    const PluginResult result = InstallPlugin(fake.windows(), reporter, c.pluginArgs,
                                              c.package ? Publisher{true, "A", u"A"} : Publisher{});
    EXPECT_EQ(result.code, c.expected) << c.name;
    EXPECT_EQ(fake.Commands(), c.commands) << c.name;
    EXPECT_EQ(result.restartToContinue, c.restartToContinue) << c.name;
    const std::vector<ShownBox> notOpened{
        {Text(IDS_PACKAGE_NOT_OPENED), Text(IDS_ERROR_CAPTION), kMbIconError}};
    EXPECT_EQ(fake.boxes, c.readme ? notOpened : std::vector<ShownBox>{}) << c.name;
  }
}

TEST(PluginFlow, InstallationCodeIsReturnedAsItIs) {
  for (const std::uint32_t code : {0u, 3010u, 1603u, 1618u}) {
    FakeWindows fake = Distribution(u"2.1.0", u"");
    fake.defaultExitCode = code;
    Reporter reporter(fake.windows(), {true});
    const PluginResult result = InstallPlugin(fake.windows(), reporter, u"", {});
    EXPECT_EQ(result.code, code);
    EXPECT_FALSE(result.restartToContinue);
  }
}

TEST(PluginFlow, NewerPackageOfTheOtherArchitectureKeepsTheInstalledPlugin) {
  // Only this Windows' variant is compared and installed: without it nothing is removed.
  for (const bool silent : {false, true}) {
    FakeWindows fake;
    fake.AddFile(u"plugin\\velumcom-2.1.0-win32.msi");
    fake.packages[u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi"].properties[u"ProductVersion"] =
        u"2.1.0";
    fake.products[kPluginProductCode].version = u"2.0.0";
    Reporter reporter(fake.windows(), {silent});
    EXPECT_EQ(InstallPlugin(fake.windows(), reporter, u"", {}).code, kErrorNoData);
    EXPECT_TRUE(fake.Commands().empty());
    EXPECT_EQ(fake.boxes, testing::PackageNotFoundBoxes(silent));
  }
}

TEST(PluginFlow, FailedComparisonStopsBeforeAnything) {
  for (const bool silent : {false, true}) {
    FakeWindows fake;
    fake.products[kPluginProductCode].version = u"2.0.0";
    Reporter reporter(fake.windows(), {silent});
    EXPECT_EQ(InstallPlugin(fake.windows(), reporter, u"", {}).code, kErrorNoData);
    EXPECT_TRUE(fake.Commands().empty());
    // An unattended run never waits for a click.
    EXPECT_EQ(fake.boxes.size(), silent ? 0u : 1u);
  }
}

TEST(PluginFlow, MissingPackageWhenNotInstalled) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {true});
  EXPECT_EQ(InstallPlugin(fake.windows(), reporter, u"", {}).code, kErrorNoData);
  EXPECT_TRUE(fake.Commands().empty());
  EXPECT_TRUE(fake.boxes.empty());
}

TEST(PluginFlow, InstallerLearnsThePackageFileBeforeItRuns) {
  FakeWindows fake = Distribution(u"2.1.0", u"2.1.0", 2);
  Reporter reporter(fake.windows(), {true});
  EXPECT_EQ(InstallPlugin(fake.windows(), reporter, u"", {}).code, kSuccess);
  EXPECT_EQ(fake.log, (Lines{u"source list: resolve {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}",
                             u"source list: {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} "
                             u"PackageName=velumcom-2.1.0-x64.msi",
                             u"run: msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  "
                             u"ADDLOCAL=NPVELUM REBOOT=R"}));
}

}  // namespace
}  // namespace setup
