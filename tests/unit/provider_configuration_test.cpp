// The level and language of an installed provider, read from its cached package.
#include "packages/provider_configuration.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using testing::Utf8;

TEST(InstalledConfiguration, LevelPieceFromReleaseFlags) {
  struct Case {
    std::u16string flags, piece;
  } cases[] = {
      {u"kc3", u"kc3*"},
      {u"x;kc1;ovrmcsp", u"kc1*"},
      {u"ovrmcsp", u"kc2*"},
      {u"ovcspi", u"kc1*"},
      {u"ovcspi ovrmcsp", u"kc2*"},
      {u"kc1 kc2", u"kc1*"},
      {u"KC3", u"-*"},
      {u"", u"-*"},
      {u"ovrmcsp kc", u"-*"},
      {u"akc", u"-*"},
      {u"kcX", u"kcX*"},
  };
  for (const Case& c : cases) EXPECT_EQ(LevelPieceFor(c.flags), c.piece) << Utf8(c.flags);
}

TEST(InstalledConfiguration, LanguagePieceFromProductLanguage) {
  EXPECT_EQ(LanguagePieceFor(u"1033"), u"eng*");
  EXPECT_EQ(LanguagePieceFor(u"1049"), u"rus*");
  EXPECT_EQ(LanguagePieceFor(u""), u"rus*");
  EXPECT_EQ(LanguagePieceFor(u"1033 "), u"rus*");
}

FakeWindows InstalledWithCache(const std::u16string& code, const std::u16string& flags,
                               const std::u16string& language) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.products[code].localPackage = u"C:\\Windows\\Installer\\1a2b.msi";
  auto& properties = fake.packages[u"C:\\Windows\\Installer\\1a2b.msi"].properties;
  properties[u"ISReleaseFlags"] = flags;
  properties[u"ProductLanguage"] = language;
  return fake;
}

TEST(InstalledConfiguration, AppendsLevelForProvidersAndLanguageForAll) {
  struct Case {
    std::u16string code, expected;
  } cases[] = {
      {kProviderProductCode, u"csp*x64*kc2*eng*"},
      {kAlternateProviderProductCode, u"csp*x64*kc2*eng*"},
      {kCardProviderProductCode, u"csp*x64*eng*"},
  };
  for (const Case& c : cases) {
    FakeWindows fake = InstalledWithCache(c.code, u"ovrmcsp", u"1033");
    Reporter reporter(fake.windows(), {});
    std::u16string mask = u"csp*x64*";
    EXPECT_EQ(DetectInstalledConfiguration(fake.windows(), reporter, mask, c.code), 0u);
    EXPECT_EQ(mask, c.expected);
    EXPECT_EQ(fake.openInstallerHandles, 0);
  }
}

TEST(InstalledConfiguration, ReportsFailuresUnlessSilent) {
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    std::uint32_t code;
    std::u16string message;  // empty: none even when not silent
  } cases[] = {
      {"no cached package path",
       [](FakeWindows& f) { f.products.begin()->second.infoErrors[u"LocalPackage"] = 1605; }, 1605,
       u"Невозможно узнать путь до установленного msi-пакета."},
      {"cached package not opened",
       [](FakeWindows& f) { f.packages.begin()->second.openError = 1619; }, 1619, u""},
      {"flags unreadable",
       [](FakeWindows& f) { f.packages.begin()->second.propertyErrors[u"ISReleaseFlags"] = 1627; },
       1627, u"Невозможно узнать свойство ISReleaseFlags нового msi-пакета."},
      {"language unreadable",
       [](FakeWindows& f) { f.packages.begin()->second.propertyErrors[u"ProductLanguage"] = 1627; },
       1627, u"Невозможно узнать свойство ProductLanguage нового msi-пакета."},
  };
  for (const auto& c : cases) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = InstalledWithCache(kProviderProductCode, u"kc1", u"1049");
      Reporter reporter(fake.windows(), {silent});
      c.script(fake);
      std::u16string mask = u"csp";
      EXPECT_EQ(DetectInstalledConfiguration(fake.windows(), reporter, mask, kProviderProductCode),
                c.code)
          << c.name;
      EXPECT_EQ(fake.openInstallerHandles, 0) << c.name;
      if (silent || c.message.empty()) {
        EXPECT_TRUE(fake.boxes.empty()) << c.name;
      } else {
        EXPECT_EQ(fake.boxes, (std::vector<ShownBox>{{c.message, u"Ошибка", kMbIconError}}))
            << c.name;
      }
    }
  }
}

TEST(InstalledConfiguration, NeverReadsFlagsOfTheCardProvider) {
  FakeWindows fake = InstalledWithCache(kCardProviderProductCode, u"kc3", u"1049");
  Reporter reporter(fake.windows(), {});
  fake.packages.begin()->second.propertyErrors[u"ISReleaseFlags"] = 1627;
  std::u16string mask = u"ucsp*x64*";
  EXPECT_EQ(DetectInstalledConfiguration(fake.windows(), reporter, mask, kCardProviderProductCode),
            0u);
  EXPECT_EQ(mask, u"ucsp*x64*rus*");
}

}  // namespace
}  // namespace setup
