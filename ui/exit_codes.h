// The program's own exit codes, in one list. Every other exit code is a Windows or Windows
// Installer code passed on unchanged (0, 3010, 1603, 232, ...; see platform/windows_constants.h).
#pragma once

#include <cstdint>

namespace setup::exit_code {

inline constexpr std::uint32_t kNotAdministrator = 1;
inline constexpr std::uint32_t kVersionUnreadable = 2;
inline constexpr std::uint32_t kWindows2000NeedsSp4 = 3;
inline constexpr std::uint32_t kWindowsXpNeedsSp2 = 4;
inline constexpr std::uint32_t kWindows2003NeedsSp2 = 5;
// An installed provider too old to be updated in place.
inline constexpr std::uint32_t kProviderTooOld = 6;
// A restart was needed and accepted, but Windows did not take the request.
inline constexpr std::uint32_t kRestartFailed = 7;

}  // namespace setup::exit_code
