// How the one package a decision found relates to the installed product.
#pragma once

#include <cstdint>
#include <string>

#include "install/run_context.h"
#include "packages/package_mask.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The lowest installed provider version that may be updated in place.
inline constexpr char16_t kMinimumUpdatableVersion[] = u"3.6.5365";

// The installed product's "VersionString": 0 and `version`, or the failure, reported.
std::uint32_t ReadInstalledVersion(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode, std::u16string& version);

// Orders the "ProductVersion" of the package at `packagePath`, the very file the flow then
// hands to msiexec, against `installedVersion`, and for the provider also the minimum
// updatable version. Outputs are written only on success. Each failure is reported and
// its code returned.
std::uint32_t CompareWithInstalled(Windows& windows, Reporter& reporter,
                                   const std::u16string& productCode,
                                   const std::u16string& installedVersion,
                                   const std::u16string& packagePath, int& newVersusInstalled,
                                   int* minimumVersusInstalled);

// An installed product, and the package that would refresh it.
struct Installed {
  std::u16string version;  // its "VersionString"
  MaskPieces pieces;       // its configuration's level and language pieces (the providers)
  std::u16string path;     // the package found for it, held
  int newVersusInstalled = 1;
  int minimumVersusInstalled = -1;
};

// The installed version first: when it can't be read, that is the failure reported; then,
// `withPieces`, the installed configuration's pieces. 0, or the code, reported.
std::uint32_t ReadInstalled(RunContext& run, const std::u16string& productCode, bool withPieces,
                            Installed& installed);

// The package `mask` finds, held, and its version against the installed one. 0, or the
// code, reported.
std::uint32_t CompareInstalled(RunContext& run, const std::u16string& productCode,
                               const std::u16string& mask, Installed& installed);

}  // namespace setup
