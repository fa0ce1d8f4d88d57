#include "packages/provider_configuration.h"

#include "packages/installer_queries.h"
#include "packages/version_order.h"
#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"

namespace setup {
namespace {

bool HasLevel(const std::u16string& productCode) {
  return OrdinalCompare(productCode, kProviderProductCode) == 0 ||
         OrdinalCompare(productCode, kAlternateProviderProductCode) == 0;
}

std::uint32_t Fail(Windows& windows, std::uint32_t code, std::uint16_t messageId, bool silent) {
  if (!silent && messageId != 0) ShowMessage(windows, messageId, msg::kErrorCaption, kMbIconError);
  return code;
}

}  // namespace

std::u16string LevelPieceFor(const std::u16string& releaseFlags) {
  const std::size_t kc = releaseFlags.find(u"kc");
  // Flags ending in "kc" name no level: that is a level that can't be told.
  if (kc != std::u16string::npos && kc + 2 < releaseFlags.size()) {
    return u"kc" + releaseFlags.substr(kc + 2, 1) + u"*";
  }
  if (kc != std::u16string::npos) return u"-*";
  if (releaseFlags.find(u"ovrmcsp") != std::u16string::npos) return u"kc2*";
  if (releaseFlags.find(u"ovcspi") != std::u16string::npos) return u"kc1*";
  return u"-*";
}

std::u16string LanguagePieceFor(const std::u16string& productLanguage) {
  return OrdinalCompare(productLanguage, u"1033") == 0 ? u"eng*" : u"rus*";
}

std::uint32_t DetectInstalledConfiguration(Windows& windows, std::u16string& mask,
                                           const std::u16string& productCode, bool silent) {
  std::u16string localPackage;
  if (const std::uint32_t code =
          windows.installer.ReadProductInfo(productCode, u"LocalPackage", localPackage);
      code != 0) {
    return Fail(windows, code, msg::kInstalledPathUnreadable, silent);
  }
  PackageHandles handles(windows.installer);
  // The cached copy failing to open has no message of its own.
  if (const std::uint32_t code = handles.Open(localPackage); code != 0) {
    return Fail(windows, code, 0, silent);
  }
  if (HasLevel(productCode)) {
    std::u16string flags;
    if (const std::uint32_t code = handles.ReadProperty(u"ISReleaseFlags", flags); code != 0) {
      return Fail(windows, code, msg::kReleaseFlagsUnreadable, silent);
    }
    mask += LevelPieceFor(flags);
  }
  std::u16string language;
  if (const std::uint32_t code = handles.ReadProperty(u"ProductLanguage", language); code != 0) {
    return Fail(windows, code, msg::kLanguageUnreadable, silent);
  }
  mask += LanguagePieceFor(language);
  return kSuccess;
}

}  // namespace setup
