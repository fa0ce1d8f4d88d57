// Arbitrary "ISReleaseFlags" and "ProductLanguage" texts through the installed
// configuration detection, and the same texts as versions through the version order.
#include <cstdlib>

#include "packages/installer_queries.h"
#include "packages/provider_configuration.h"
#include "packages/version_order.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace setup;
  fuzzing::FuzzInput input(data, size);
  const std::u16string flags = input.Text();
  const std::u16string language = input.Text();

  const std::u16string level = LevelPieceFor(flags);
  const bool known =
      level == u"-*" || (level.size() == 4 && level.starts_with(u"kc") && level.back() == u'*');
  if (!known) std::abort();

  setup::testing::FakeWindows fake;
  setup::testing::Install(fake, {kProviderProductCode, u"", flags, language});
  MaskPieces pieces;
  Reporter reporter(fake.windows(), {true});
  if (DetectInstalledConfiguration(fake.windows(), reporter, pieces, kProviderProductCode) != 0) {
    std::abort();
  }
  if (pieces != MaskPieces{level, LanguagePieceFor(language)}) std::abort();
  if (fake.openInstallerHandles != 0) std::abort();

  // The version order answers for any two texts, and the same answer both ways round.
  const int order = CompareVersions(flags, language);
  if (order < -1 || order > 1 || CompareVersions(language, flags) != -order) std::abort();
  if (CompareVersions(flags, flags) != 0) std::abort();
  return 0;
}
