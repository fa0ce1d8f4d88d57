// Installing one package with msiexec.
#include "install/install_package.h"

#include <gtest/gtest.h>

#include "install/install_package.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using testing::Text;
using Lines = std::vector<std::u16string>;

TEST(InstallPackage, BuildsTheExactCommandLine) {
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u""),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\"  REBOOT=R");
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u"X=1 "),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\" X=1  REBOOT=R");
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u"X=1 REINSTALL=ALL REINSTALLMODE=vomus"),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\" X=1 REINSTALL=ALL REINSTALLMODE=vomus REBOOT=R");
  EXPECT_EQ(PackageName(u"C:\\dist\\plugin\\p.msi"), u"p.msi");
  EXPECT_EQ(PackageName(u"p.msi"), u"p.msi");
  EXPECT_EQ(PackageName(u"C:\\dist\\"), u"");
}

TEST(InstallPackage, RegistersThePackageNameThenRunsMsiexec) {
  FakeWindows fake;
  fake.AddFile(u"plugin\\velumcom-2.1-x64.msi");
  fake.defaultExitCode = 3010;
  Reporter reporter(fake.windows(), {});
  EXPECT_EQ(InstallPackage(fake.windows(), reporter, {}, kPluginProductCode, u"velumcom*x64*", u""),
            kSuccessRebootRequired);
  EXPECT_EQ(fake.log,
            (Lines{u"source list: resolve {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}",
                   u"source list: {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} "
                   u"PackageName=velumcom-2.1-x64.msi",
                   u"run: msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1-x64.msi\"  REBOOT=R"}));
}

TEST(InstallPackage, MissingPackageIsReportedUnlessSilentAndNothingRuns) {
  for (const bool silent : {false, true}) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {silent});
    fake.AddFile(u"plugin\\velumcom-2.1-win32.msi");
    EXPECT_EQ(
        InstallPackage(fake.windows(), reporter, {}, kPluginProductCode, u"velumcom*x64*", u""),
        kErrorNoData);
    EXPECT_TRUE(fake.Commands().empty());
    EXPECT_EQ(fake.boxes, testing::PackageNotFoundBoxes(silent));
    EXPECT_EQ(fake.log.size(), silent ? 0u : 1u);  // no source-list call
  }
}

}  // namespace
}  // namespace setup
