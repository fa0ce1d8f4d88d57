#include "ui/log_folder.h"

#include <algorithm>

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {
bool OnlyAdministratorsWrite(std::u16string_view sddl) {
  const std::size_t dacl = sddl.find(u"D:");
  if (!sddl.starts_with(u"O:") || dacl == sddl.npos || sddl.find(u"NO_ACCESS") != sddl.npos) {
    return false;
  }
  const std::u16string_view owner = sddl.substr(2, dacl - 2);
  // Each entry "(type;flags;rights;object;inherited object;account)": anyone else may at
  // most read and list (what a file system without access lists of its own shows for the
  // others of its mode bits), never write, delete or change it.
  for (std::size_t at = dacl; (at = sddl.find(u"(A;", at)) != sddl.npos;) {
    const std::size_t end = sddl.find(u')', at);
    if (end == sddl.npos) return false;
    const std::size_t account = sddl.rfind(u';', end) + 1;
    const std::u16string_view who = sddl.substr(account, end - account);
    const std::size_t rights = sddl.find(u';', at + 3) + 1;
    const std::u16string_view what = sddl.substr(rights, sddl.find(u';', rights) - rights);
    // 0x1200a9: reading and listing, as such a file system shows it.
    if (who != u"BA" && who != u"SY" && who != owner && what != u"0x1200a9") return false;
    at = end;
  }
  return true;
}

std::u16string ProtectionFault(Windows& windows, const std::u16string& folder) {
  std::u16string access;
  // Unread, it stays empty: not closed either.
  windows.files.ReadSecurity(folder, access);
  if (OnlyAdministratorsWrite(access)) return {};
  return Join({"folder ", folder, " not closed to users (", access, "): no log, lock or copies there"});
}

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
  if (error == kErrorAlreadyExists &&
      (windows.files.ReadAttributes(folder).value_or(0) & kFileAttributeReparsePoint) != 0) {
    // Never followed: what it leads to keeps its own access.
    note = Join({"folder ", folder, " is a link: no log, lock or copies there"});
    return std::nullopt;
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
    note = Join({"no log in ", level, ": error ", Decimal(error)});
  }
  if (error != kSuccess) return std::nullopt;
  if (std::u16string fault = ProtectionFault(windows, folder); !fault.empty()) {
    note = std::move(fault);
    return std::nullopt;
  }
  return folder;
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
