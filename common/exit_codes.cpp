#include "common/exit_codes.h"

#include "common/number_text.h"
#include "platform/windows_constants.h"
#include "resources/resource_ids.h"

namespace setup {
namespace {

struct CodeName {
  std::uint32_t code;
  const char16_t* name;
};

// Windows' own words for the codes a tool or a platform call most often gives.
constexpr CodeName kWindowsErrorNames[] = {
    {kErrorFileNotFound, u"file not found"},
    {3, u"path not found"},
    {32, u"the file is in use by another process"},
    {5, u"access denied"},
    {kErrorNotEnoughMemory, u"not enough memory"},
    {kErrorGenFailure, u"general failure"},
    {87, u"invalid parameter"},
    {kErrorFileTooLarge, u"the file is too large"},
    {1601, u"the Windows Installer service could not be accessed"},
    {1602, u"cancelled by the user"},
    {kErrorInstallFailure, u"fatal error during installation"},
    {kErrorUnknownProduct, u"unknown product"},
    {1612, u"the installation source is not available"},
    {kErrorInstallAlreadyRunning, u"another installation is in progress"},
    {kErrorInstallPackageOpenFailed, u"the package could not be opened"},
    {kErrorInstallPackageInvalid, u"not a valid Windows Installer package"},
    {1622, u"the installer's log file could not be opened"},
    {1625, u"forbidden by system policy"},
    {1633, u"this platform is not supported"},
    {1638, u"another version of this product is already installed"},
    {kErrorInvalidCommandLine, u"invalid command line"},
    {kSuccessRebootInitiated, u"the installer started a restart"},
    {kTrustSubjectNotTrusted, u"the subject is not trusted for the specified action"},
    {kTrustBadDigest, u"the digital signature of the object did not verify"},
    {kTrustNoSignature, u"no signature was present in the subject"},
    {kCertExpired, u"a required certificate is not within its validity period"},
    {kCertUntrustedRoot, u"the certificate chain ends in a root that is not trusted"},
    {kTrustExplicitDistrust, u"the certificate was explicitly marked as untrusted"},
    {kCertChaining, u"no certificate chain to a trusted root could be built"},
    {kTrustNoSignerCert, u"the signer's certificate is invalid or not found"},
};

// The program's own verdicts, by the message that tells them and their code.
struct Verdict {
  std::uint16_t messageId;
  std::uint32_t code;
  const char16_t* meaning;
};
constexpr Verdict kVerdicts[] = {
    {IDS_NOT_ADMINISTRATOR, exit_code::kNotAdministrator, u"the account is not an administrator"},
    {IDS_VERSION_UNREADABLE, exit_code::kVersionUnreadable,
     u"the Windows version could not be read"},
    {IDS_SYSTEM_TOO_OLD, kErrorOldWinVersion, u"Windows older than Windows 2000"},
    {IDS_WINDOWS_2000_NEEDS_SP4, exit_code::kWindows2000NeedsSp4,
     u"Windows 2000 needs Service Pack 4"},
    {IDS_WINDOWS_XP_NEEDS_SP2, exit_code::kWindowsXpNeedsSp2, u"Windows XP needs Service Pack 2"},
    {IDS_WINDOWS_2003_NEEDS_SP2, exit_code::kWindows2003NeedsSp2,
     u"Windows Server 2003 needs Service Pack 2"},
    {IDS_PROVIDER_TOO_OLD, exit_code::kProviderTooOld,
     u"the installed provider is too old to be updated"},
    {IDS_PACKAGE_NOT_FOUND, kErrorNoData, u"no package matching the mask in the distribution"},
    {IDS_RESTART_FAILED, exit_code::kRestartFailed, u"Windows did not take the restart request"},
};

// The platform call whose code a failure told with this message passes on.
constexpr CodeName kFailedCalls[] = {
    {IDS_INSTALLED_VERSION_UNREADABLE, u"MsiGetProductInfoW (VersionString)"},
    {IDS_INSTALLED_PATH_UNREADABLE, u"MsiGetProductInfoW (LocalPackage)"},
    {IDS_PACKAGE_NOT_OPENED, u"MsiOpenPackageExW"},
    {IDS_PACKAGE_VERSION_UNREADABLE, u"MsiGetPropertyW (ProductVersion)"},
    {IDS_RELEASE_FLAGS_UNREADABLE, u"MsiGetPropertyW (ISReleaseFlags)"},
    {IDS_LANGUAGE_UNREADABLE, u"MsiGetPropertyW (ProductLanguage)"},
    {IDS_PACKAGE_NOT_FOUND, u"the package search"},
};

}  // namespace

bool IsSuccess(std::uint32_t code) { return code == kSuccess || code == kSuccessRebootRequired; }

std::uint32_t CombineCodes(std::uint32_t first, std::uint32_t second) {
  if (!IsSuccess(first)) return first;
  if (!IsSuccess(second)) return second;
  if (first == kSuccessRebootRequired || second == kSuccessRebootRequired) {
    return kSuccessRebootRequired;
  }
  return kSuccess;
}

std::u16string CodeMeaning(std::uint32_t code, const std::u16string& source) {
  if (code == kSuccess) return u"success";
  if (code == kSuccessRebootRequired) return u"success, Windows must be restarted to complete it";
  // Large codes are HRESULTs (crypt32's), which are read in hexadecimal.
  std::u16string text =
      u"Windows error " + (code >= 0x80000000u ? HexText(code) : DecimalText(code));
  for (const CodeName& known : kWindowsErrorNames) {
    if (known.code == code) text += u" (" + std::u16string(known.name) + u")";
  }
  return source.empty() ? text : text + u", from " + source;
}

std::u16string VerdictMeaning(std::uint16_t messageId, std::uint32_t code) {
  for (const Verdict& verdict : kVerdicts) {
    if (verdict.messageId == messageId && verdict.code == code) return verdict.meaning;
  }
  return {};
}

std::u16string FailedCall(std::uint16_t messageId) {
  for (const CodeName& known : kFailedCalls) {
    if (known.code == messageId) return known.name;
  }
  return {};
}

}  // namespace setup
