#include "common/exit_codes.h"

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"
#include "resources/resource_ids.h"

namespace setup {
namespace {

struct CodeName {
  std::uint32_t code;
  const char* name;  // ASCII
};

// Windows' own words for the codes a tool or a platform call most often gives.
constexpr CodeName kWindowsErrorNames[] = {
    {kErrorFileNotFound, "file not found"},
    {3, "path not found"},
    {32, "the file is in use by another process"},
    {5, "access denied"},
    {kErrorNotEnoughMemory, "not enough memory"},
    {kErrorGenFailure, "general failure"},
    {87, "invalid parameter"},
    {kErrorFileTooLarge, "the file is too large"},
    {1601, "the Windows Installer service could not be accessed"},
    {1602, "cancelled by the user"},
    {kErrorInstallFailure, "fatal error during installation"},
    {kErrorUnknownProduct, "unknown product"},
    {1612, "the installation source is not available"},
    {kErrorInstallAlreadyRunning, "another installation is in progress"},
    {kErrorInstallPackageOpenFailed, "the package could not be opened"},
    {kErrorInstallPackageInvalid, "not a valid Windows Installer package"},
    {1622, "the installer's log file could not be opened"},
    {1625, "forbidden by system policy"},
    {1633, "this platform is not supported"},
    {1638, "another version of this product is already installed"},
    {kErrorInvalidCommandLine, "invalid command line"},
    {kSuccessRebootInitiated, "the installer started a restart"},
    {kTrustSubjectNotTrusted, "the subject is not trusted for the specified action"},
    {kTrustBadDigest, "the digital signature of the object did not verify"},
    {kTrustNoSignature, "no signature was present in the subject"},
    {kCertExpired, "a required certificate is not within its validity period"},
    {kCertUntrustedRoot, "the certificate chain ends in a root that is not trusted"},
    {kTrustExplicitDistrust, "the certificate was explicitly marked as untrusted"},
    {kCertChaining, "no certificate chain to a trusted root could be built"},
    {kTrustNoSignerCert, "the signer's certificate is invalid or not found"},
};

// The program's own verdicts, by the message that tells them and their code.
struct Verdict {
  std::uint16_t messageId;
  std::uint32_t code;
  const char* meaning;  // ASCII
};
constexpr Verdict kVerdicts[] = {
    {IDS_NOT_ADMINISTRATOR, exit_code::kNotAdministrator, "the account is not an administrator"},
    {IDS_VERSION_UNREADABLE, exit_code::kVersionUnreadable,
     "the Windows version could not be read"},
    {IDS_SYSTEM_TOO_OLD, kErrorOldWinVersion, "Windows older than Windows 2000"},
    {IDS_WINDOWS_2000_NEEDS_SP4, exit_code::kWindows2000NeedsSp4,
     "Windows 2000 needs Service Pack 4"},
    {IDS_WINDOWS_XP_NEEDS_SP2, exit_code::kWindowsXpNeedsSp2, "Windows XP needs Service Pack 2"},
    {IDS_WINDOWS_2003_NEEDS_SP2, exit_code::kWindows2003NeedsSp2,
     "Windows Server 2003 needs Service Pack 2"},
    {IDS_PROVIDER_TOO_OLD, exit_code::kProviderTooOld,
     "the installed provider is too old to be updated"},
    {IDS_PACKAGE_NOT_FOUND, kErrorNoData, "no package matching the mask in the distribution"},
    {IDS_RESTART_FAILED, exit_code::kRestartFailed, "Windows did not take the restart request"},
    {IDS_PLAN_CHANGES, exit_code::kChangesPlanned,
     "a run with these options would change the machine (-plan)"},
};

// The platform call whose code a failure told with this message passes on.
constexpr CodeName kFailedCalls[] = {
    {IDS_INSTALLED_VERSION_UNREADABLE, "MsiGetProductInfoW (VersionString)"},
    {IDS_INSTALLED_PATH_UNREADABLE, "MsiGetProductInfoW (LocalPackage)"},
    {IDS_PACKAGE_NOT_OPENED, "MsiOpenPackageExW"},
    {IDS_PACKAGE_VERSION_UNREADABLE, "MsiGetPropertyW (ProductVersion)"},
    {IDS_RELEASE_FLAGS_UNREADABLE, "MsiGetPropertyW (ISReleaseFlags)"},
    {IDS_LANGUAGE_UNREADABLE, "MsiGetPropertyW (ProductLanguage)"},
    {IDS_PACKAGE_NOT_FOUND, "the package search"},
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
  if (code == kSuccess) return Join({"success"});
  if (code == kSuccessRebootRequired) {
    return Join({"success, Windows must be restarted to complete it"});
  }
  const char* name = nullptr;
  for (const CodeName& known : kWindowsErrorNames) {
    if (known.code == code) name = known.name;
  }
  // Large codes are HRESULTs (crypt32's), which are read in hexadecimal.
  return Join({"Windows error ", code >= 0x80000000u ? Piece(Hex(code)) : Decimal(code),
               name != nullptr ? " (" : "", name != nullptr ? name : "", name != nullptr ? ")" : "",
               source.empty() ? "" : ", from ", source});
}

std::u16string VerdictMeaning(std::uint16_t messageId, std::uint32_t code) {
  for (const Verdict& verdict : kVerdicts) {
    if (verdict.messageId == messageId && verdict.code == code) return Join({verdict.meaning});
  }
  return {};
}

std::u16string FailedCall(std::uint16_t messageId) {
  for (const CodeName& known : kFailedCalls) {
    if (known.code == messageId) return Join({known.name});
  }
  return {};
}

}  // namespace setup
