#include "packages/provider_configuration.h"

#include "common/joined_text.h"
#include "packages/installer_queries.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

bool HasLevel(const std::u16string& productCode) {
  const Product* const product = FindProduct(productCode);
  return product != nullptr && product->hasLevel;
}

}  // namespace

std::u16string LevelPieceFor(const std::u16string& releaseFlags) {
  const std::size_t kc = releaseFlags.find(u"kc");
  // Flags ending in "kc" name no level: that is a level that can't be told.
  if (kc != std::u16string::npos && kc + 2 < releaseFlags.size()) {
    return Join({"kc", std::u16string_view(releaseFlags).substr(kc + 2, 1), "*"});
  }
  if (kc != std::u16string::npos) return u"-*";
  if (releaseFlags.find(u"ovrmcsp") != std::u16string::npos) return u"kc2*";
  if (releaseFlags.find(u"ovcspi") != std::u16string::npos) return u"kc1*";
  return u"-*";
}

std::u16string LanguagePieceFor(const std::u16string& productLanguage) {
  return OrdinalCompare(productLanguage, u"1033") == 0 ? u"eng*" : u"rus*";
}

std::uint32_t DetectInstalledConfiguration(Windows& windows, Reporter& reporter, MaskPieces& pieces,
                                           const std::u16string& productCode) {
  std::u16string localPackage;
  if (const std::uint32_t code =
          windows.installer.ReadProductInfo(productCode, u"LocalPackage", localPackage);
      code != 0) {
    return reporter.Fail(code, IDS_INSTALLED_PATH_UNREADABLE);
  }
  PackageHandle package(windows.installer);
  // The cached copy failing to open has no message of its own.
  if (const std::uint32_t code = package.Open(localPackage); code != 0) {
    return reporter.Fail(reporter.NoteSource(code, "MsiOpenPackageExW (the cached package)"), 0);
  }
  if (HasLevel(productCode)) {
    std::u16string flags;
    if (const std::uint32_t code = package.ReadProperty(u"ISReleaseFlags", flags); code != 0) {
      return reporter.Fail(code, IDS_RELEASE_FLAGS_UNREADABLE);
    }
    pieces.level = LevelPieceFor(flags);
    reporter.Record(
        {"product ", productCode, ": ISReleaseFlags \"", flags, "\" gives \"", pieces.level, "\""});
  }
  std::u16string language;
  if (const std::uint32_t code = package.ReadProperty(u"ProductLanguage", language); code != 0) {
    return reporter.Fail(code, IDS_LANGUAGE_UNREADABLE);
  }
  pieces.language = LanguagePieceFor(language);
  reporter.Record({"product ", productCode, ": ProductLanguage \"", language, "\" gives \"",
                   pieces.language, "\""});
  return kSuccess;
}

}  // namespace setup
