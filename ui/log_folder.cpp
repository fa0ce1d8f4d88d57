#include "ui/log_folder.h"

#include <algorithm>

#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

bool Administrator(std::u16string_view sid) {
  return sid == u"BA" || sid == u"SY" || sid == u"S-1-5-32-544" || sid == u"S-1-5-18";
}

// The folder ready for the log, made where missing and closed to everyone else; nothing
// when it can't be made, or not closed (a file system without access lists).
std::optional<std::u16string> PrepareLogFolder(Windows& windows,
                                               std::vector<std::u16string>& lines) {
  const std::u16string folder = LogFolderPath(windows);
  if (folder.empty()) return std::nullopt;
  for (const std::u16string& level : {folder.substr(0, folder.rfind(u'\\')), folder}) {
    const std::uint32_t error = windows.files.CreateFolder(level, kAdministratorsOnly);
    if (error == kSuccess) {
      lines.push_back(u"folder " + level + u" created, for Administrators and SYSTEM only");
      if (level == folder) return folder;
    } else if (error != kErrorAlreadyExists) {
      lines.push_back(u"folder " + level + u" could not be created, error " + DecimalText(error) +
                      u": no log there");
      return std::nullopt;
    }
  }
  std::u16string sddl;
  const std::uint32_t readError = windows.files.ReadSecurity(folder, sddl);
  if (readError == kSuccess && OnlyAdministrators(sddl)) return folder;
  const std::u16string was = readError == kSuccess
                                 ? u"(" + sddl + u")"
                                 : u"unreadable (error " + DecimalText(readError) + u")";
  if (const std::uint32_t error = windows.files.WriteSecurity(folder, kAdministratorsOnly)) {
    lines.push_back(u"folder " + folder + u": access " + was +
                    u" not only for Administrators "
                    u"and SYSTEM, and it could not be reset, error " +
                    DecimalText(error) + u": no log there");
    return std::nullopt;
  }
  lines.push_back(u"folder " + folder + u": access " + was +
                  u" reset to Administrators and "
                  u"SYSTEM only");
  return folder;
}

// An msiexec log's name orders by the run's start time, then by its number.
std::u16string AgeKey(std::u16string_view name) {
  const std::size_t dash = name.find(u'-', name.find(u'-') + 1);
  const std::size_t dot = name.find(u'.', dash);
  if (dash == std::u16string_view::npos || dot == std::u16string_view::npos || dot - dash > 11) {
    return std::u16string(name);
  }
  return std::u16string(name.substr(0, dash + 1)) + std::u16string(11 - (dot - dash), u'0') +
         std::u16string(name.substr(dash + 1));
}

}  // namespace

std::u16string LogFolderPath(Windows& windows) {
  const std::u16string windowsFolder = windows.files.ReadWindowsDirectory();
  if (windowsFolder.empty()) return {};
  return windowsFolder + (windowsFolder.ends_with(u'\\') ? u"" : u"\\") + u"Logs\\Orventa";
}

bool OnlyAdministrators(std::u16string_view sddl) {
  const std::size_t dacl = sddl.find(u"D:");
  if (!sddl.starts_with(u"O:") || dacl == std::u16string_view::npos ||
      !Administrator(sddl.substr(2, dacl - 2))) {
    return false;
  }
  const std::u16string_view entries = sddl.substr(dacl + 2);
  std::size_t at = entries.find(u'(');
  // A DACL inherited from above follows what the folders above allow.
  if (at == std::u16string_view::npos ||
      entries.substr(0, at).find(u'P') == std::u16string_view::npos)
    return false;
  for (; at < entries.size() && entries[at] == u'('; at = entries.find(u')', at) + 1) {
    const std::u16string_view entry = entries.substr(at + 1, entries.find(u')', at) - at - 1);
    // Denying others takes nothing away from the rule; allowing them does.
    if (!entry.starts_with(u"D;") && !Administrator(entry.substr(entry.rfind(u';') + 1))) {
      return false;
    }
  }
  return true;
}

std::unique_ptr<RunLog> OpenRunLog(Windows& windows, const std::optional<std::u16string>& logPath,
                                   bool help, std::vector<std::u16string>& lines) {
  std::optional<std::u16string> folder;
  if (!help && windows.system.IsUserAnAdmin()) folder = PrepareLogFolder(windows, lines);
  if (logPath) return std::make_unique<RunLog>(windows, *logPath);
  if (!folder) return nullptr;
  return std::make_unique<RunLog>(windows, *folder + u"\\setup.log", true);
}

void RollOver(Windows& windows, RunLog& log) {
  if (!log.rollsOver() || log.broken()) return;
  const std::u16string folder = log.path().substr(0, log.path().rfind(u'\\') + 1);
  if (windows.files.ReadFileSize(log.path()).value_or(0) >= kLogRollSize) {
    if (const std::uint32_t error =
            windows.files.RenameFile(log.path(), folder + u"setup.old.log")) {
      log.Write(u"setup.log not rolled over into setup.old.log: error " + DecimalText(error));
    } else {
      log.Write(u"setup.log rolled over into setup.old.log; this run goes on in a new setup.log");
      log.Reopen();
      log.Write(u"rolled over: this run's first lines are at the end of setup.old.log");
    }
  }
  std::vector<std::u16string> names;
  const std::size_t prefix = log.path().size() - folder.size() + 1;  // "setup.log."
  for (const DirectoryEntry& entry : windows.files.FindFiles(log.path() + u".*.msiexec.log")
                                         .value_or(std::vector<DirectoryEntry>{})) {
    if ((entry.attributes & kFileAttributeDirectory) == 0) names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), [prefix](const auto& a, const auto& b) {
    return AgeKey(std::u16string_view(a).substr(prefix)) >
           AgeKey(std::u16string_view(b).substr(prefix));
  });
  std::uint64_t kept = 0;
  for (const std::u16string& name : names) {
    kept += windows.files.ReadFileSize(folder + name).value_or(0);
    if (kept <= kInstallerLogsKept) continue;
    const std::uint32_t error = windows.files.RemoveFile(folder + name);
    log.Write(u"msiexec log " + name +
              (error == kSuccess ? u" removed" : u" not removed, error " + DecimalText(error)) +
              u": the newest take " + DecimalText(kInstallerLogsKept / 1024 / 1024) + u" MiB");
  }
}

}  // namespace setup
