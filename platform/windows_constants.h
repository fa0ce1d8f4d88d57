// The Windows and Windows Installer values the program relies on, by name.
#pragma once

#include <cstdint>

namespace setup {

// Codes: Windows errors and installer exit codes.
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorFilenameExcedRange = 206;
inline constexpr std::uint32_t kErrorFileTooLarge = 223;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorNoData = 232;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorOldWinVersion = 1150;
inline constexpr std::uint32_t kErrorUnknownProduct = 1605;
inline constexpr std::uint32_t kErrorInstallFailure = 1603;
inline constexpr std::uint32_t kErrorInstallAlreadyRunning = 1618;
inline constexpr std::uint32_t kErrorInstallPackageInvalid = 1620;
inline constexpr std::uint32_t kErrorInstallPackageOpenFailed = 1619;
inline constexpr std::uint32_t kErrorInvalidCommandLine = 1639;
inline constexpr std::uint32_t kSuccessRebootInitiated = 1641;
inline constexpr std::uint32_t kSuccessRebootRequired = 3010;
// WinVerifyTrust's answers.
inline constexpr std::uint32_t kTrustNoSignature = 0x800B0100;        // TRUST_E_NOSIGNATURE
inline constexpr std::uint32_t kTrustBadDigest = 0x80096010;          // TRUST_E_BAD_DIGEST
inline constexpr std::uint32_t kTrustSubjectNotTrusted = 0x800B0004;  // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr std::uint32_t kCertExpired = 0x800B0101;             // CERT_E_EXPIRED
inline constexpr std::uint32_t kCertUntrustedRoot = 0x800B0109;       // CERT_E_UNTRUSTEDROOT
inline constexpr std::uint32_t kTrustExplicitDistrust = 0x800B0111;   // TRUST_E_EXPLICIT_DISTRUST
inline constexpr std::uint32_t kCertChaining = 0x800B010A;            // CERT_E_CHAINING
inline constexpr std::uint32_t kTrustNoSignerCert = 0x80096002;       // TRUST_E_NO_SIGNER_CERT
inline constexpr std::uint32_t kTrustSubjectFormUnknown =
    0x800B0003;                                                     // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr std::uint32_t kTrustProviderUnknown = 0x800B0001;  // TRUST_E_PROVIDER_UNKNOWN
inline constexpr std::uint32_t kBadAlgorithm = 0x80090008;          // NTE_BAD_ALGID
inline constexpr std::uint32_t kUnknownAlgorithm = 0x80091002;      // CRYPT_E_UNKNOWN_ALGO
inline constexpr std::uint32_t kCryptNotFound = 0x80092004;         // CRYPT_E_NOT_FOUND

// Message box styles and answers.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbYesNo = 0x4;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr std::int32_t kIdOk = 1;
inline constexpr std::int32_t kIdYes = 6;
inline constexpr std::int32_t kIdNo = 7;

// Windows Installer.
inline constexpr std::uint32_t kInstallUiLevelNone = 2;
inline constexpr std::int32_t kInstallStateUnknown = -1;
inline constexpr std::int32_t kInstallStateAbsent = 2;
inline constexpr std::int32_t kInstallStateLocal = 3;
inline constexpr std::int32_t kInstallStateSource = 4;
inline constexpr std::int32_t kInstallStateDefault = 5;

// Files.
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::size_t kMaxPath = 260;

}  // namespace setup
