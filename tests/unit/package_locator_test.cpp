#include "packages/package_locator.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

TEST(Wildcards, MatchLikeThePlatform) {
  const std::tuple<const char16_t*, const char16_t*, bool> cases[] = {
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
  for (const auto& [pattern, name, matches] : cases) {
    EXPECT_EQ(WildcardMatch(pattern, name), matches) << Utf8(pattern) << " ~ " << Utf8(name);
  }
}

// The first match by name one level down in C:\dist, however listed; folders end in '\'.
TEST(FindPackage, ChoosesTheFirstMatchByNameOneLevelDown) {
  const std::tuple<const char*, Lines, std::u16string, std::u16string, int> cases[] = {
      {"first folder that holds a match wins",
       List(u"a\\other.txt", u"c\\csp-x64-0.msi", u"b\\csp-x64-1.msi"), u"csp*x64*",
       u"b\\csp-x64-1.msi", 2},
      {"first match by name inside the folder wins",
       List(u"b\\csp-x64-2.msi", u"b\\csp-x64-10.msi", u"b\\csp-x64-1.msi"), u"csp*x64*",
       u"b\\csp-x64-1.msi", 3},
      {"case ignored", List(u"Ж\\csp-x64.msi", u"ё\\CSP-X64-2.msi", u"ё\\csp-x64-1.msi"),
       u"csp*x64*", u"ё\\csp-x64-1.msi", 3},
      {"upper-cased: '_' after the letters", List(u"p\\csp_x64.msi", u"p\\cspa-x64.msi"),
       u"csp*x64*", u"p\\cspa-x64.msi", 2},
      {"names differing only in case still ordered", List(u"p\\csp-x64.msi", u"p\\CSP-X64.msi"),
       u"csp*x64*", u"p\\CSP-X64.msi", 2},
      {"a package in the start folder itself is not found", List(u"csp-x64.msi"), u"csp*x64*", u"",
       0},
      {"two levels down is not found", List(u"a\\b\\csp-x64.msi"), u"csp*x64*", u"", 0},
      {"dot folders are never searched",
       List(u".hidden\\csp-x64.msi", u"..x\\csp-x64.msi", u"z\\csp-x64.msi"), u"csp*x64*",
       u"z\\csp-x64.msi", 1},
      {"a folder matching the mask is no package", List(u"a\\csp-x64-dir\\"), u"csp*x64*", u"", 0},
      {"the search goes on past a matching folder",
       List(u"a\\csp-x64-dir\\", u"a\\csp-x64-2.msi", u"b\\csp-x64-1.msi"), u"csp*x64*",
       u"a\\csp-x64-2.msi", 2},
      {"and on to the next folder", List(u"a\\csp-x64-dir\\", u"b\\csp-x64-1.msi"), u"csp*x64*",
       u"b\\csp-x64-1.msi", 1},
      {"an empty tree", {}, u"csp*", u"", 0},
      {"trailing blank of the mask is ignored", List(u"p\\csp-x64-kc1-rus.msi"),
       u"csp*x64*kc1*rus* ", u"p\\csp-x64-kc1-rus.msi", 1},
      {"Cyrillic and blanks in names", List(u"Пакеты Орвента\\velumcom x64 №1.msi"),
       u"velumcom*x64*", u"Пакеты Орвента\\velumcom x64 №1.msi", 1},
      {"other scripts and symbols in names", List(u"Ünïcødé 中文 ✓\\velumcom-x64-ß😀.msi"),
       u"velumcom*x64*", u"Ünïcødé 中文 ✓\\velumcom-x64-ß😀.msi", 1},
  };
  using Listing = FakeWindows::Listing;
  for (const auto& [name, files, mask, found, count] : cases) {
    for (const Listing listing : {Listing::kAsAdded, Listing::kReversed, Listing::kShuffled}) {
      FakeWindows fake;
      fake.listing = listing;
      Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"L"));
      for (const std::u16string& file : files) {
        if (file.ends_with(u'\\')) {
          fake.AddDirectory(file.substr(0, file.size() - 1));
        } else {
          fake.AddFile(file);
        }
      }
      std::u16string path = u"unchanged";
      const std::string row = std::string(name) + ", listing " + std::to_string(int(listing));
      EXPECT_EQ(FindPackage(fake.windows(), reporter, mask, path), found.empty() ? 232u : 0u)
          << row;
      EXPECT_EQ(path, found.empty() ? u"unchanged" : u"C:\\dist\\" + found) << row;
      const std::string counted = "(matches: " + std::to_string(count) + ")";
      EXPECT_TRUE(found.empty() || fake.writtenFiles[u"L"].ends_with(counted + "\r\n")) << row;
      EXPECT_TRUE(fake.boxes.empty()) << row;
    }
  }
}

// Joined with one backslash, a drive's root and a start folder of any length; a start
// folder that can't be read gives its code, one that can't be listed 232.
TEST(FindPackage, JoinsTheStartFolderOrReportsWhyNot) {
  const std::u16string deep = u"C:\\" + std::u16string(300, u'd');
  using Error = std::optional<std::uint32_t>;
  const std::tuple<std::u16string, Error, bool, std::uint32_t, std::u16string> cases[] = {
      {u"D:\\", {}, false, 0, u"D:\\p\\velumcom-x64.msi"},
      {deep, {}, false, 0, deep + u"\\p\\velumcom-x64.msi"},
      {u"C:\\dist", 5, false, 5, u"unchanged"},
      {u"C:\\dist", {}, true, 232, u"unchanged"},
  };
  for (const auto& [folder, folderError, listingFails, code, found] : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    fake.currentDirectory = folder;
    fake.currentDirectoryError = folderError;
    fake.rootEnumerationFails = listingFails;
    fake.AddFile(u"p\\velumcom-x64.msi");
    std::u16string path = u"unchanged";
    EXPECT_EQ(FindPackage(fake.windows(), reporter, u"velumcom*x64*", path), code) << code;
    EXPECT_EQ(path, found) << code;
  }
}

}  // namespace
}  // namespace setup::testing
