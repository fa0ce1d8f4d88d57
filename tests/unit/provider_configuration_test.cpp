// The level and language of an installed provider, read from its cached package.
#include "packages/provider_configuration.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

TEST(InstalledConfiguration, PiecesFromReleaseFlagsAndProductLanguage) {
  const std::tuple<std::u16string (*)(const std::u16string&), std::u16string, std::u16string>
      cases[] = {
          {LevelPieceFor, u"kc3", u"kc3*"},
          {LevelPieceFor, u"x;kc1;ovrmcsp", u"kc1*"},
          {LevelPieceFor, u"ovrmcsp", u"kc2*"},
          {LevelPieceFor, u"ovcspi", u"kc1*"},
          {LevelPieceFor, u"ovcspi ovrmcsp", u"kc2*"},
          {LevelPieceFor, u"kc1 kc2", u"kc1*"},
          {LevelPieceFor, u"KC3", u"-*"},
          {LevelPieceFor, u"", u"-*"},
          {LevelPieceFor, u"ovrmcsp kc", u"-*"},
          {LevelPieceFor, u"akc", u"-*"},
          {LevelPieceFor, u"kcX", u"kcX*"},
          {LanguagePieceFor, u"1033", u"eng*"},
          {LanguagePieceFor, u"1049", u"rus*"},
          {LanguagePieceFor, u"", u"rus*"},
          {LanguagePieceFor, u"1033 ", u"rus*"},
      };
  for (const auto& [piece, value, expected] : cases)
    EXPECT_EQ(piece(value), expected) << Utf8(value);
}

// The card provider's flags are never read: they could not be here. A failure is told by
// its message, if it has one, unless the run is silent; the package is always closed.
TEST(InstalledConfiguration, ReadsLevelForProvidersAndLanguageForAllOrReportsWhyNot) {
  // What fails: the cached package's opening, one of its properties, or its LocalPackage.
  const std::tuple<std::u16string, std::u16string, std::uint32_t, std::uint32_t, std::u16string,
                   std::u16string, std::u16string>
      cases[] = {
          {kProviderProductCode, u"", 0, 0, u"kc2*", u"eng*", u""},
          {kAlternateProviderProductCode, u"", 0, 0, u"kc2*", u"eng*", u""},
          {kCardProviderProductCode, u"ISReleaseFlags", 1627, 0, u"", u"eng*", u""},
          {kProviderProductCode, u"LocalPackage", 1605, 1605, u"", u"",
           u"Невозможно узнать путь до установленного msi-пакета."},
          {kProviderProductCode, u"open", 1619, 1619, u"", u"", u""},
          {kProviderProductCode, u"ISReleaseFlags", 1627, 1627, u"", u"",
           u"Невозможно узнать свойство ISReleaseFlags нового msi-пакета."},
          {kProviderProductCode, u"ProductLanguage", 1627, 1627, u"", u"",
           u"Невозможно узнать свойство ProductLanguage нового msi-пакета."},
      };
  for (const auto& [code, failing, error, result, level, language, message] : cases) {
    for (const bool silent : {false, true}) {
      FakeWindows fake;
      FakePackage& cached = Install(fake, {code.c_str(), u"", u"ovrmcsp", u"1033"});
      if (failing == u"LocalPackage") {
        fake.products[code].infoErrors[failing] = error;
      } else if (failing == u"open") {
        cached.openError = error;
      } else if (!failing.empty()) {
        cached.propertyErrors[failing] = error;
      }
      Reporter reporter(fake.windows(), {silent});
      MaskPieces pieces;
      EXPECT_EQ(reporter.Finish(DetectInstalledConfiguration(fake.windows(), reporter, pieces, code)),
                result)
          << Utf8(failing);
      EXPECT_TRUE(result != 0 || (pieces == MaskPieces{level, language})) << Utf8(pieces.level);
      EXPECT_EQ(fake.openInstallerHandles, 0) << Utf8(failing);
      const std::vector<ShownBox> told{{message, u"Ошибка", kMbIconError}};
      EXPECT_EQ(fake.boxes, silent || message.empty() ? std::vector<ShownBox>{} : told)
          << Utf8(failing);
    }
  }
}

}  // namespace
}  // namespace setup::testing
