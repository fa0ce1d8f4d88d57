#include "packages/version_order.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using testing::Utf8;

struct OrderCase {
  std::u16string a, b;
  int expected;
};

// Each pair both ways round: the order is antisymmetric.
template <std::size_t N>
void ExpectOrder(int (*compare)(std::u16string_view, std::u16string_view),
                 const OrderCase (&cases)[N]) {
  for (const OrderCase& c : cases) {
    EXPECT_EQ(compare(c.a, c.b), c.expected) << Utf8(c.a) << " vs " << Utf8(c.b);
    EXPECT_EQ(compare(c.b, c.a), -c.expected) << Utf8(c.b) << " vs " << Utf8(c.a);
  }
}

TEST(OrdinalOrder, ComparesCodeUnitsAsText) {
  const OrderCase cases[] = {
      {u"3.6.5365", u"3.6.5365", 0},
      {u"3.6.5365", u"3.6.5364", 1},
      {u"3.6.5365", u"3.6.10000", 1},
      {u"3.6.5365", u"4.0.9842", -1},
      {u"3.6.5365", u"3.6", 1},
      {u"3.9.8339", u"3.6.7777", 1},
      {u"10.0.1", u"9.0.1", -1},
      {u"2.0.10", u"2.0.9", -1},
      {u"", u"1.0", -1},
      {u"", u"", 0},
      {u"a", u"A", 1},
      {u"\uFFFF", u"a", 1},
      // The platform's strings end at their first NUL.
      {std::u16string(u"1.0\u0000x", 5), u"1.0", 0},
  };
  ExpectOrder(OrdinalCompare, cases);
}

TEST(VersionOrder, ComparesFieldsByTheirNumbers) {
  const OrderCase cases[] = {
      {u"2.0.10", u"2.0.9", 1},
      {u"3.6.10000", u"3.6.5365", 1},
      {u"3.6.5364", u"3.6.5365", -1},
      {u"3.6.5365", u"3.6.5365", 0},
      {u"10.0.1", u"9.0.1", 1},
      {u"2.1", u"2.1.0", 0},
      {u"2.1", u"2.1.0.0", 0},
      {u"2.1", u"2.1.1", -1},
      {u"2.01.0", u"2.1", 0},
      {u"007", u"7", 0},
      {u"3.6.05365", u"3.6.5365", 0},
      {u"99999999999999999999.1", u"99999999999999999998.9", 1},
      // Anything but a plain number is compared as text, field by field.
      {u"2.0.1b", u"2.0.1a", 1},
      {u"2.0.b", u"2.0.10", 1},
      {u"2.0.-1", u"2.0.0", -1},
      {u"2..1", u"2.0.1", -1},
      {u"", u"0", -1},
      {u"", u"", 0},
      {std::u16string(u"1.0\u0000x", 5), u"1.0", 0},
  };
  ExpectOrder(CompareVersions, cases);
}

// A machine with the product installed at `installed` and its package at `onDisk`.
FakeWindows MachineWith(const std::u16string& productCode, const std::u16string& installed,
                        const std::u16string& file, const std::u16string& onDisk) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.products[productCode].version = installed;
  fake.AddFile(u"p\\" + file);
  fake.packages[u"C:\\dist\\p\\" + file].properties[u"ProductVersion"] = onDisk;
  return fake;
}

TEST(CompareWithInstalled, OrdersThePackageAgainstTheInstalledProduct) {
  struct Case {
    std::u16string installed, onDisk;
    int newVersusInstalled, minimumVersusInstalled;
  } cases[] = {
      {u"3.6.5365", u"3.6.5365", 0, 0},
      {u"3.6.5364", u"3.9.1", 1, 1},
      {u"3.6.10000", u"3.9.1", 1, -1},
      {u"4.0.9842", u"4.0.9842", 0, -1},
      {u"3.6", u"3.6.1", 1, 1},
      {u"3.6.7777", u"3.9.8339", 1, -1},
      {u"9.0.1", u"10.0.1", 1, -1},
      {u"4.0.1", u"", -1, -1},
      {u"3.6.10000", u"3.6.9999", -1, -1},
  };
  for (const Case& c : cases) {
    FakeWindows fake =
        MachineWith(kProviderProductCode, c.installed, u"csp-x64-kc1-rus.msi", c.onDisk);
    Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"L"));
    int newVersusInstalled = 7;
    int minimumVersusInstalled = 7;
    ASSERT_EQ(CompareWithInstalled(fake.windows(), reporter, kProviderProductCode,
                                   newVersusInstalled, &minimumVersusInstalled),
              0u);
    EXPECT_EQ(newVersusInstalled, c.newVersusInstalled) << Utf8(c.installed);
    EXPECT_EQ(minimumVersusInstalled, c.minimumVersusInstalled) << Utf8(c.installed);
    const char* logged[] = {"(older)\r\n", "(same)\r\n", "(newer)\r\n"};
    EXPECT_TRUE(fake.writtenFiles[u"L"].ends_with(logged[c.newVersusInstalled + 1]));
    EXPECT_EQ(fake.openInstallerHandles, 0);
  }
}

TEST(CompareWithInstalled, LeavesTheMinimumAloneForOtherProducts) {
  for (const auto& [code, file] : {std::pair{kPluginProductCode, u"velumcom-x64.msi"},
                                   std::pair{kCardProviderProductCode, u"ucsp-x64.msi"}}) {
    FakeWindows fake = MachineWith(code, u"1.0", file, u"2.0");
    Reporter reporter(fake.windows(), {});
    int newVersusInstalled = 7;
    int minimumVersusInstalled = 7;
    ASSERT_EQ(CompareWithInstalled(fake.windows(), reporter, code, newVersusInstalled,
                                   &minimumVersusInstalled),
              0u);
    EXPECT_EQ(newVersusInstalled, 1);
    EXPECT_EQ(minimumVersusInstalled, 7);
  }
}

TEST(CompareWithInstalled, ReadsOnlyPackagesOfTheProduct) {
  // A text file named like the product, in an earlier folder, is never opened as its package.
  for (const auto& [code, readme, file] :
       {std::tuple{kPluginProductCode, u"velumcom-readme.txt", u"velumcom-x64.msi"},
        std::tuple{kProviderProductCode, u"csp-readme.txt", u"csp-x64-kc1-rus.msi"},
        std::tuple{kCardProviderProductCode, u"ucsp-readme.txt", u"ucsp-x64-rus.msi"}}) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    fake.products[code].version = u"1.0";
    fake.AddFile(u"a\\" + std::u16string(readme));
    fake.AddFile(u"p\\" + std::u16string(file));
    fake.packages[u"C:\\dist\\p\\" + std::u16string(file)].properties[u"ProductVersion"] = u"2.0";
    int newVersusInstalled = 7;
    EXPECT_EQ(CompareWithInstalled(fake.windows(), reporter, code, newVersusInstalled, nullptr),
              kSuccess)
        << Utf8(readme);
    EXPECT_EQ(newVersusInstalled, 1) << Utf8(readme);
  }
}

TEST(CompareWithInstalled, ReadsThePackageOfThisWindowsArchitecture) {
  // The win32 package sorts first; only the variant this Windows installs may decide.
  for (const auto& [wow64, order] : {std::pair{true, 1}, std::pair{false, -1}}) {
    FakeWindows fake = MachineWith(kPluginProductCode, u"2.0", u"velumcom-win32.msi", u"1.0");
    Reporter reporter(fake.windows(), {});
    fake.wow64 = wow64;
    fake.AddFile(u"q\\velumcom-x64.msi");
    fake.packages[u"C:\\dist\\q\\velumcom-x64.msi"].properties[u"ProductVersion"] = u"3.0";
    int newVersusInstalled = 7;
    ASSERT_EQ(CompareWithInstalled(fake.windows(), reporter, kPluginProductCode, newVersusInstalled,
                                   nullptr),
              0u);
    EXPECT_EQ(newVersusInstalled, order) << wow64;
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
      FakeWindows fake = MachineWith(kPluginProductCode, u"1.0", u"velumcom-x64.msi", u"2.0");
      Reporter reporter(fake.windows(), {silent});
      c.script(fake);
      int newVersusInstalled = 7;
      EXPECT_EQ(CompareWithInstalled(fake.windows(), reporter, kPluginProductCode,
                                     newVersusInstalled, nullptr),
                c.code)
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

TEST(CompareWithInstalled, NoMatchingPackageIsReported) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.products[kCardProviderProductCode].version = u"1.0";
  fake.AddFile(u"p\\csp-x64.msi");
  int newVersusInstalled = 7;
  EXPECT_EQ(CompareWithInstalled(fake.windows(), reporter, kCardProviderProductCode,
                                 newVersusInstalled, nullptr),
            232u);
  EXPECT_EQ(fake.boxes, testing::PackageNotFoundBoxes(false));
  EXPECT_EQ(newVersusInstalled, 7);
}

}  // namespace
}  // namespace setup
