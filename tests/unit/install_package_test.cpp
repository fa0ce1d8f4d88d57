// Installing one package with msiexec.
#include "install/install_package.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// A path's file name is also checked by the flows' source-list listings.
TEST(InstallPackage, NamesThePackageByItsFileName) {
  EXPECT_EQ(PackageName(u"p.msi"), u"p.msi");
  EXPECT_EQ(PackageName(u"C:\\dist\\"), u"");
}

TEST(InstallPackage, MissingPackageIsReportedUnlessSilentAndNothingRuns) {
  for (const bool silent : {false, true}) {
    FakeWindows fake;
    fake.AddFile(u"plugin\\velumcom-2.1-win32.msi");
    EXPECT_EQ(Plan(fake, {}, true, {}, {silent}).code, kErrorNoData);
    EXPECT_EQ(fake.boxes, PackageNotFoundBoxes(silent));
    EXPECT_EQ(fake.log.size(), fake.boxes.size());  // no source-list call, no msiexec
  }
}

}  // namespace
}  // namespace setup::testing
