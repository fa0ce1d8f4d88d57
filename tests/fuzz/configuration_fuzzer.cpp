// Arbitrary "ISReleaseFlags" and "ProductLanguage" texts through the installed
// configuration detection.
#include <cstdlib>

#include "packages/installer_queries.h"
#include "packages/provider_configuration.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace setup;
  fuzzing::FuzzInput input(data, size);
  const std::u16string flags = input.Text();
  const std::u16string language = input.Text();

  const std::u16string level = LevelPieceFor(flags);
  const bool known =
      level == u"-*" || (level.size() == 4 && level.starts_with(u"kc") && level.back() == u'*');
  if (!known) std::abort();

  testing::FakeWindows fake;
  fake.products[kProviderProductCode].localPackage = u"C:\\cache.msi";
  fake.packages[u"C:\\cache.msi"].properties = {{u"ISReleaseFlags", flags},
                                                {u"ProductLanguage", language}};
  std::u16string mask = u"csp*x64*";
  if (DetectInstalledConfiguration(fake.windows(), mask, kProviderProductCode, true) != 0) {
    std::abort();
  }
  if (mask != u"csp*x64*" + level + LanguagePieceFor(language)) std::abort();
  if (fake.openInstallerHandles != 0) std::abort();
  return 0;
}
