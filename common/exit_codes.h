// Exit codes: the program's own, how the codes of several steps combine, and what a code
// means where it came from (for the log's last line). Every other exit code is a Windows or
// Windows Installer code passed on unchanged (0, 3010, 1603, 232, ...; see
// platform/windows_constants.h).
#pragma once

#include <cstdint>
#include <string>

namespace setup {
namespace exit_code {

inline constexpr std::uint32_t kNotAdministrator = 1;
inline constexpr std::uint32_t kVersionUnreadable = 2;
inline constexpr std::uint32_t kWindows2000NeedsSp4 = 3;
inline constexpr std::uint32_t kWindowsXpNeedsSp2 = 4;
inline constexpr std::uint32_t kWindows2003NeedsSp2 = 5;
// An installed provider too old to be updated in place.
inline constexpr std::uint32_t kProviderTooOld = 6;
// A restart was needed and accepted, but Windows did not take the request.
inline constexpr std::uint32_t kRestartFailed = 7;
// -plan: a run with the same options would change something. (8 is Windows' own code for
// memory running out.)
inline constexpr std::uint32_t kChangesPlanned = 9;

}  // namespace exit_code

// 0 and 3010 are success; everything else, 1641 included, is failure.
bool IsSuccess(std::uint32_t code);

// Two codes as one, as the steps of a part are combined (install/apply_plan.cpp) and the
// parts for the final message (app/run_outcome.cpp): the first failure unchanged, else 3010
// when either asked for a restart, else 0. (OR-ing codes would turn failures into others.)
std::uint32_t CombineCodes(std::uint32_t first, std::uint32_t second);

// A code as the tool or platform call `source` gave it ("regini", "MsiOpenPackageExW"):
// success, or Windows' own words for the number and where it came from.
std::u16string CodeMeaning(std::uint32_t code, const std::u16string& source = {});

// The program's own verdict, told with message `messageId`, that gave `code`: the number
// means this only when that step gave it. Empty for any other pair.
std::u16string VerdictMeaning(std::uint16_t messageId, std::uint32_t code);

// The platform call whose code a failure told with message `messageId` passes on; empty
// where that message names none.
std::u16string FailedCall(std::uint16_t messageId);

}  // namespace setup
