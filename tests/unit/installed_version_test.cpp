#include "install/installed_version.h"

#include <gtest/gtest.h>

#include "packages/products.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using testing::Utf8;

constexpr char16_t kPackage[] = u"C:\\dist\\p\\package.msi";

// A machine with the product installed at `installed` and its package at `onDisk`.
FakeWindows MachineWith(const std::u16string& productCode, const std::u16string& installed,
                        const std::u16string& onDisk) {
  FakeWindows fake;
  fake.products[productCode].version = installed;
  fake.packages[kPackage].properties[u"ProductVersion"] = onDisk;
  return fake;
}

// As a flow asks: the installed version, then the found package's against it.
std::uint32_t Compare(FakeWindows& fake, Reporter& reporter, const std::u16string& productCode,
                      int& newVersusInstalled, int* minimumVersusInstalled) {
  std::u16string installed;
  std::uint32_t code = ReadInstalledVersion(fake.windows(), reporter, productCode, installed);
  if (code == 0) {
    code = CompareWithInstalled(fake.windows(), reporter, productCode, installed, kPackage,
                                newVersusInstalled, minimumVersusInstalled);
  }
  return code == 0 ? code : reporter.Finish(code);  // a failure's box waits for the end
}

TEST(CompareWithInstalled, OrdersThePackageAgainstTheInstalledProduct) {
  struct Case {
    std::u16string installed, onDisk;
    int newVersusInstalled, minimumVersusInstalled;
  } cases[] = {{u"3.6.5365", u"3.6.5365", 0, 0},   {u"3.6.5364", u"3.9.1", 1, 1},
               {u"3.6.10000", u"3.9.1", 1, -1},    {u"4.0.9842", u"4.0.9842", 0, -1},
               {u"3.6", u"3.6.1", 1, 1},           {u"3.6.7777", u"3.9.8339", 1, -1},
               {u"9.0.1", u"10.0.1", 1, -1},       {u"4.0.1", u"", -1, -1},
               {u"3.6.10000", u"3.6.9999", -1, -1}};
  for (const Case& c : cases) {
    for (const char16_t* code :
         {kProviderProductCode, kPluginProductCode, kCardProviderProductCode}) {
      FakeWindows fake = MachineWith(code, c.installed, c.onDisk);
      Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"L"));
      int newVersusInstalled = 7;
      int minimumVersusInstalled = 7;
      ASSERT_EQ(Compare(fake, reporter, code, newVersusInstalled, &minimumVersusInstalled), 0u);
      EXPECT_EQ(newVersusInstalled, c.newVersusInstalled) << Utf8(c.installed);
      // The minimum is the provider's alone: for the others it stays as it was.
      const int minimum = code == kProviderProductCode ? c.minimumVersusInstalled : 7;
      EXPECT_EQ(minimumVersusInstalled, minimum) << Utf8(c.installed) << " " << Utf8(code);
      const char* logged[] = {"(older)\r\n", "(same)\r\n", "(newer)\r\n"};
      EXPECT_TRUE(fake.writtenFiles[u"L"].ends_with(logged[c.newVersusInstalled + 1]));
      EXPECT_EQ(fake.openInstallerHandles, 0);
    }
  }
}

TEST(CompareWithInstalled, ReportsEachFailingStepAndWritesNothing) {
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    std::uint32_t code;
    std::u16string message;
  } cases[] = {
      {"installed version unreadable",
       [](FakeWindows& f) { f.products[kPluginProductCode].infoErrors[u"VersionString"] = 1605; },
       1605, u"Невозможно узнать версию установленного msi-пакета."},
      {"the file is no installer package", [](FakeWindows& f) { f.packages.clear(); }, 1619,
       u"Невозможно открыть новый msi-пакет."},
      {"package not opened", [](FakeWindows& f) { f.packages.begin()->second.openError = 1620; },
       1620, u"Невозможно открыть новый msi-пакет."},
      {"version unreadable",
       [](FakeWindows& f) { f.packages.begin()->second.propertyErrors[u"ProductVersion"] = 1627; },
       1627, u"Невозможно узнать версию нового msi-пакета."},
  };
  for (const auto& c : cases) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = MachineWith(kPluginProductCode, u"1.0", u"2.0");
      Reporter reporter(fake.windows(), {silent});
      c.script(fake);
      int newVersusInstalled = 7;
      EXPECT_EQ(Compare(fake, reporter, kPluginProductCode, newVersusInstalled, nullptr), c.code)
          << c.name;
      EXPECT_EQ(newVersusInstalled, 7) << c.name;
      EXPECT_EQ(fake.openInstallerHandles, 0) << c.name;
      if (silent) {
        EXPECT_TRUE(fake.boxes.empty()) << c.name;
      } else {
        EXPECT_EQ(fake.boxes, (std::vector<ShownBox>{{c.message, u"Ошибка", kMbIconError}}))
            << c.name;
      }
    }
  }
}

}  // namespace
}  // namespace setup
