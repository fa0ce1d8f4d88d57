// The roots this program added to the machine's Root store, so that -uninstall -ucsp takes
// back those and no other. They are recorded in HKLM\SOFTWARE\Orventa\Setup (the 32-bit
// view), value AddedRoots: only administrators can write there, and neither a new release
// nor the log folder's roll-over touches it. One REG_MULTI_SZ of thumbprints rather than a
// value each: read and written whole, under the run lock, with two platform calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

inline constexpr char16_t kSetupKey[] = u"SOFTWARE\\Orventa\\Setup";
inline constexpr char16_t kAddedRootsValue[] = u"AddedRoots";

// The thumbprints recorded; none when nothing was ever recorded or the record can't be read.
std::vector<std::u16string> ReadAddedRoots(Windows& windows, Reporter& reporter);

// Records a root this run added, the moment it was added.
void RecordAddedRoot(Windows& windows, Reporter& reporter, const std::u16string& thumbprint);

// Deletes the recorded root from the machine's Root store and forgets it (also when it is
// gone already); 0, or the code of the deletion, which keeps it recorded.
std::uint32_t RemoveAddedRoot(Windows& windows, Reporter& reporter,
                              const std::u16string& thumbprint);

}  // namespace setup
