#include "packages/version_order.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// Each pair both ways round, the orders being antisymmetric: by code units as text, and as
// versions, field by field by their numbers (anything but a plain number as text). The
// platform's strings end at their first NUL.
TEST(VersionOrder, ComparesTextByCodeUnitsAndVersionsByTheirFields) {
  const std::u16string withNul(u"1.0\u0000x", 5);
  const std::tuple<std::u16string, std::u16string, int, int> cases[] = {
      {u"3.6.5365", u"3.6.5365", 0, 0},
      {u"3.6.5365", u"3.6.5364", 1, 1},
      {u"3.6.5365", u"3.6.10000", 1, -1},
      {u"3.6.5365", u"4.0.9842", -1, -1},
      {u"3.6.5365", u"3.6", 1, 1},
      {u"3.9.8339", u"3.6.7777", 1, 1},
      {u"10.0.1", u"9.0.1", -1, 1},
      {u"2.0.10", u"2.0.9", -1, 1},
      {u"", u"1.0", -1, -1},
      {u"", u"", 0, 0},
      {u"a", u"A", 1, 1},
      {u"\uFFFF", u"a", 1, 1},
      {withNul, u"1.0", 0, 0},
      {u"2.1", u"2.1.0", -1, 0},
      {u"2.1", u"2.1.0.0", -1, 0},
      {u"2.1", u"2.1.1", -1, -1},
      {u"2.01.0", u"2.1", -1, 0},
      {u"007", u"7", -1, 0},
      {u"3.6.05365", u"3.6.5365", -1, 0},
      {u"2.0.1b", u"2.0.1a", 1, 1},
      {u"2.0.b", u"2.0.10", 1, 1},
      {u"2.0.-1", u"2.0.0", -1, -1},
      {u"2..1", u"2.0.1", -1, -1},
      {u"", u"0", -1, -1},
  };
  for (const auto& [a, b, ordinal, version] : cases) {
    const std::string pair = Utf8(a) + " vs " + Utf8(b);
    EXPECT_EQ(OrdinalCompare(a, b), ordinal) << pair;
    EXPECT_EQ(OrdinalCompare(b, a), -ordinal) << pair;
    EXPECT_EQ(CompareVersions(a, b), version) << pair;
    EXPECT_EQ(CompareVersions(b, a), -version) << pair;
  }
  // Fields too long for any integer are compared by their digits.
  EXPECT_EQ(CompareVersions(u"99999999999999999999.1", u"99999999999999999998.9"), 1);
  EXPECT_EQ(CompareVersions(u"99999999999999999998.9", u"99999999999999999999.1"), -1);
}

// The product at `installed`, its package at `onDisk` after a readme in an earlier folder.
FakeWindows MachineWith(const std::u16string& productCode, const std::u16string& installed,
                        const std::u16string& file, const std::u16string& onDisk) {
  FakeWindows fake;
  fake.products[productCode].version = installed;
  fake.AddFile(u"a\\" + file.substr(0, file.find(u'-')) + u"-readme.txt");
  fake.AddFile(u"p\\" + file);
  fake.packages[u"C:\\dist\\p\\" + file].properties[u"ProductVersion"] = onDisk;
  return fake;
}

// CompareWithInstalled, its run logged to L; both orders start out as 7.
std::uint32_t Compare(FakeWindows& fake, const std::u16string& productCode, int& newVersusInstalled,
                      int* minimumVersusInstalled = nullptr, bool silent = false) {
  Reporter reporter(fake.windows(), {silent}, std::make_unique<RunLog>(fake.windows(), u"L"));
  newVersusInstalled = 7;
  if (minimumVersusInstalled != nullptr) *minimumVersusInstalled = 7;
  return CompareWithInstalled(fake.windows(), reporter, productCode, newVersusInstalled,
                              minimumVersusInstalled);
}

// The readme in the earlier folder is never opened as a package; only the provider's
// comparison sets the minimum's order.
TEST(CompareWithInstalled, OrdersThePackageAgainstTheInstalledProduct) {
  const std::u16string provider = kProviderProductCode;
  const std::tuple<std::u16string, std::u16string, std::u16string, int, int> cases[] = {
      {provider, u"3.6.5365", u"3.6.5365", 0, 0},
      {provider, u"3.6.5364", u"3.9.1", 1, 1},
      {provider, u"3.6.10000", u"3.9.1", 1, -1},
      {provider, u"4.0.9842", u"4.0.9842", 0, -1},
      {provider, u"3.6", u"3.6.1", 1, 1},
      {provider, u"3.6.7777", u"3.9.8339", 1, -1},
      {provider, u"9.0.1", u"10.0.1", 1, -1},
      {provider, u"4.0.1", u"", -1, -1},
      {provider, u"3.6.10000", u"3.6.9999", -1, -1},
      {kPluginProductCode, u"1.0", u"2.0", 1, 7},
      {kCardProviderProductCode, u"1.0", u"2.0", 1, 7},
  };
  for (const auto& [code, installed, onDisk, newer, minimum] : cases) {
    const char16_t* file = code == provider             ? u"csp-x64-kc1-rus.msi"
                           : code == kPluginProductCode ? u"velumcom-x64.msi"
                                                        : u"ucsp-x64-rus.msi";
    FakeWindows fake = MachineWith(code, installed, file, onDisk);
    int newVersusInstalled, minimumVersusInstalled;
    ASSERT_EQ(Compare(fake, code, newVersusInstalled, &minimumVersusInstalled), 0u);
    EXPECT_EQ(std::pair(newVersusInstalled, minimumVersusInstalled), std::pair(newer, minimum))
        << Utf8(file) << " " << Utf8(installed);
    const char* logged[] = {"(older)\r\n", "(same)\r\n", "(newer)\r\n"};
    EXPECT_TRUE(fake.writtenFiles[u"L"].ends_with(logged[newer + 1]));
    EXPECT_EQ(fake.openInstallerHandles, 0);
  }
}

TEST(CompareWithInstalled, ReadsThePackageOfThisWindowsArchitecture) {
  // The win32 package sorts first; only the variant this Windows installs may decide.
  for (const auto& [wow64, order] : {std::pair{true, 1}, std::pair{false, -1}}) {
    FakeWindows fake = MachineWith(kPluginProductCode, u"2.0", u"velumcom-win32.msi", u"1.0");
    fake.wow64 = wow64;
    fake.AddFile(u"q\\velumcom-x64.msi");
    fake.packages[u"C:\\dist\\q\\velumcom-x64.msi"].properties[u"ProductVersion"] = u"3.0";
    int newVersusInstalled;
    ASSERT_EQ(Compare(fake, kPluginProductCode, newVersusInstalled), 0u);
    EXPECT_EQ(newVersusInstalled, order) << wow64;
  }
}

TEST(CompareWithInstalled, ReportsEachFailingStepAndWritesNothing) {
  const std::tuple<const char*, void (*)(FakeWindows&), std::uint32_t, std::u16string> cases[] = {
      {"installed version unreadable",
       [](FakeWindows& f) { f.products[kPluginProductCode].infoErrors[u"VersionString"] = 1605; },
       1605, u"Невозможно узнать версию установленного msi-пакета."},
      {"no package of this Windows", [](FakeWindows& f) { f.wow64 = false; }, 232,
       Text(IDS_PACKAGE_NOT_FOUND)},
      {"the file is no installer package", [](FakeWindows& f) { f.packages.clear(); }, 1619,
       u"Невозможно открыть новый msi-пакет."},
      {"package not opened", [](FakeWindows& f) { f.packages.begin()->second.openError = 1620; },
       1620, u"Невозможно открыть новый msi-пакет."},
      {"version unreadable",
       [](FakeWindows& f) { f.packages.begin()->second.propertyErrors[u"ProductVersion"] = 1627; },
       1627, u"Невозможно узнать версию нового msi-пакета."},
  };
  for (const auto& [name, script, code, message] : cases) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = MachineWith(kPluginProductCode, u"1.0", u"velumcom-x64.msi", u"2.0");
      script(fake);
      int newVersusInstalled;
      EXPECT_EQ(Compare(fake, kPluginProductCode, newVersusInstalled, nullptr, silent), code)
          << name;
      EXPECT_EQ(newVersusInstalled, 7) << name;
      EXPECT_EQ(fake.openInstallerHandles, 0) << name;
      const std::vector<ShownBox> box{{message, u"Ошибка", kMbIconError}};
      EXPECT_EQ(fake.boxes, silent ? std::vector<ShownBox>{} : box) << name;
    }
  }
}

}  // namespace
}  // namespace setup::testing
