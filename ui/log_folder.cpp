#include "ui/log_folder.h"

#include <algorithm>

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {

std::optional<std::u16string> PrepareLogFolder(Windows& windows, std::u16string& note) {
  const std::u16string folder = LogFolderPath(windows);
  // The parent first: Windows 2000 and XP may lack it.
  std::u16string level = folder.substr(0, folder.rfind(u'\\'));
  std::uint32_t error;
  while ((error = windows.files.CreateFolder(level, kAdministratorsOnly)) == kSuccess ||
         error == kErrorAlreadyExists) {
    if (error == kSuccess && note.empty()) {
      note = Join({"folder ", level, " made, for administrators only"});
    }
    if (level == folder) break;
    level = folder;
  }
  if (error == kErrorAlreadyExists) {
    // Set again whatever it was: a descriptor that reads back otherwise was not ours.
    std::u16string was, now;
    windows.files.ReadSecurity(folder, was);
    error = windows.files.WriteSecurity(folder, kAdministratorsOnly);
    windows.files.ReadSecurity(folder, now);
    if (was != now || error != kSuccess) {
      note = Join({"folder ", folder, " had access ", was,
                   error == kSuccess ? ": reset to administrators only" : ": could not be reset"});
    }
  } else if (error != kSuccess) {
    note = Join({"no log in ", level, ": error ", DecimalText(error)});
  }
  if (error == kSuccess) return folder;
  return std::nullopt;
}

std::u16string LogFolderPath(Windows& windows) {
  const std::u16string windowsFolder = windows.files.ReadWindowsDirectory();
  if (windowsFolder.empty()) return {};
  return Join({windowsFolder, "\\Logs\\Orventa"});
}

void RollOver(Windows& windows, const std::u16string& folder, std::u16string& note) {
  // Renamed only while no run has it open (none shares deleting).
  const std::u16string log = Join({folder, "setup.log"});
  if (windows.files.ReadFileSize(log).value_or(0) >= kLogRollSize &&
      windows.files.RenameFile(log, Join({folder, "setup.old.log"})) == kSuccess) {
    note += Join({" (setup.log moved to setup.old.log)"});
  }
  // The names begin with the run's start time: the smallest is the oldest.
  std::vector<DirectoryEntry> logs =
      windows.files.FindFiles(Join({folder, "setup.log.*.msiexec.log"}))
          .value_or(std::vector<DirectoryEntry>{});
  std::uint64_t total = 0;
  for (DirectoryEntry& entry : logs) {
    // The attributes, not needed here, carry the size (a log is far below 4 GiB).
    entry.attributes =
        static_cast<std::uint32_t>(windows.files.ReadFileSize(folder + entry.name).value_or(0));
    total += entry.attributes;
  }
  if (total > kInstallerLogsKept) note += Join({" (oldest msiexec logs removed)"});
  while (total > kInstallerLogsKept) {
    const auto oldest = std::min_element(
        logs.begin(), logs.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    // One held by a run still at its last message stays.
    windows.files.RemoveFile(folder + oldest->name);
    total -= oldest->attributes;
    std::swap(*oldest, logs.back());
    logs.pop_back();
  }
}

}  // namespace setup
