#include "packages/package_locator.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::Utf8;
using testing::WildcardMatch;

TEST(Wildcards, MatchLikeThePlatform) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool matches;
  } cases[] = {
      {u"velumcom*x64*", u"velumcom-2.1-x64.msi", true},
      {u"velumcom*x64*", u"VELUMCOM-2.1-X64.MSI", true},
      {u"velumcom*x64*", u"velumcom-2.1-win32.msi", false},
      {u"csp*x64*kc1*rus* ", u"csp-x64-kc1-rus.msi", true},
      {u"csp*x64*kc1*rus* ", u"csp-x64-kc1-eng.msi", false},
      {u"csp*x64* ", u"csp-x64", true},
      {u"*.msi", u"a.msi", true},
      {u"*.msi", u"a.msix", false},
      {u"?sp*", u"csp", true},
      {u"?sp*", u"sp", false},
      {u"пакет*", u"ПАКЕТ-Ёж.msi", true},
      {u"*ёж*", u"ПАКЕТ-Ёж.msi", true},
      {u"*x64*", u"x6", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches)
        << Utf8(c.pattern) << " ~ " << Utf8(c.name);
  }
}

struct LocatorCase {
  const char* name;
  std::vector<std::u16string> files;  // in enumeration order; folders end in '\'
  std::u16string mask;
  std::uint32_t code;
  std::u16string path;
};

TEST(FindPackage, ChoosesTheFirstMatchOneLevelDown) {
  const LocatorCase cases[] = {
      {"first folder that holds a match wins",
       {u"a\\other.txt", u"b\\csp-x64-1.msi", u"c\\csp-x64-0.msi"},
       u"csp*x64*",
       0,
       u"C:\\dist\\b\\csp-x64-1.msi"},
      {"first match inside the folder wins",
       {u"b\\csp-x64-2.msi", u"b\\csp-x64-1.msi"},
       u"csp*x64*",
       0,
       u"C:\\dist\\b\\csp-x64-2.msi"},
      {"a package in the start folder itself is not found",
       {u"csp-x64.msi"},
       u"csp*x64*",
       232,
       u""},
      {"two levels down is not found", {u"a\\b\\csp-x64.msi"}, u"csp*x64*", 232, u""},
      {"dot folders are never searched",
       {u".hidden\\csp-x64.msi", u"..x\\csp-x64.msi", u"z\\csp-x64.msi"},
       u"csp*x64*",
       0,
       u"C:\\dist\\z\\csp-x64.msi"},
      {"a folder matching the mask is no package", {u"a\\csp-x64-dir\\"}, u"csp*x64*", 232, u""},
      {"the search goes on past a matching folder, in the same order",
       {u"a\\csp-x64-dir\\", u"a\\csp-x64-2.msi", u"b\\csp-x64-1.msi"},
       u"csp*x64*",
       0,
       u"C:\\dist\\a\\csp-x64-2.msi"},
      {"and on to the next folder",
       {u"a\\csp-x64-dir\\", u"b\\csp-x64-1.msi"},
       u"csp*x64*",
       0,
       u"C:\\dist\\b\\csp-x64-1.msi"},
      {"an empty tree", {}, u"csp*", 232, u""},
      {"trailing blank of the mask is ignored",
       {u"p\\csp-x64-kc1-rus.msi"},
       u"csp*x64*kc1*rus* ",
       0,
       u"C:\\dist\\p\\csp-x64-kc1-rus.msi"},
      {"Cyrillic and blanks in names",
       {u"Пакеты Орвента\\velumcom x64 №1.msi"},
       u"velumcom*x64*",
       0,
       u"C:\\dist\\Пакеты Орвента\\velumcom x64 №1.msi"},
      {"other scripts and symbols in names",
       {u"Ünïcødé 中文 ✓\\velumcom-x64-ß😀.msi"},
       u"velumcom*x64*",
       0,
       u"C:\\dist\\Ünïcødé 中文 ✓\\velumcom-x64-ß😀.msi"},
  };
  for (const LocatorCase& c : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    for (const std::u16string& file : c.files) {
      if (file.ends_with(u'\\')) {
        fake.AddDirectory(file.substr(0, file.size() - 1));
      } else {
        fake.AddFile(file);
      }
    }
    std::u16string path = u"unchanged";
    EXPECT_EQ(FindPackage(fake.windows(), reporter, c.mask, path), c.code) << c.name;
    if (c.code == 0) {
      EXPECT_EQ(path, c.path) << c.name;
    }
    EXPECT_TRUE(fake.boxes.empty()) << c.name;
  }
}

TEST(FindPackage, JoinsTheDriveRootWithOneBackslash) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.currentDirectory = u"D:\\";
  fake.AddFile(u"p\\velumcom-x64.msi");
  std::u16string path;
  ASSERT_EQ(FindPackage(fake.windows(), reporter, u"velumcom*x64*", path), 0u);
  EXPECT_EQ(path, u"D:\\p\\velumcom-x64.msi");
}

TEST(FindPackage, GivesTheWholePathOfAVeryDeepStartFolder) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.currentDirectory = u"C:\\" + std::u16string(300, u'd');
  fake.AddFile(u"p\\velumcom-x64.msi");
  std::u16string path;
  ASSERT_EQ(FindPackage(fake.windows(), reporter, u"velumcom*x64*", path), 0u);
  EXPECT_EQ(path, fake.currentDirectory + u"\\p\\velumcom-x64.msi");
}

TEST(FindPackage, ReportsTheCodeWhenTheStartFolderCannotBeRead) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.AddFile(u"p\\velumcom-x64.msi");
  fake.currentDirectoryError = 5;
  std::u16string path;
  EXPECT_EQ(FindPackage(fake.windows(), reporter, u"velumcom*", path), 5u);

  FakeWindows unreadable;
  Reporter reporter2(unreadable.windows(), {});
  unreadable.AddFile(u"p\\velumcom-x64.msi");
  unreadable.rootEnumerationFails = true;
  EXPECT_EQ(FindPackage(unreadable.windows(), reporter2, u"velumcom*", path), 232u);
}

}  // namespace
}  // namespace setup
