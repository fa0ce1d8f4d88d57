// What the run records for the administrator: the lines of its log (-log FILE, or the log
// folder's, ui/log_folder.h), and the verbose logs msiexec writes beside it. Without a log
// nothing is recorded and msiexec writes none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/held_files.h"
#include "platform/windows.h"
#include "ui/hidden_values.h"
#include "ui/run_log.h"

namespace setup {

class RunRecord {
 public:
  // `log` is null when the run keeps none.
  RunRecord(Windows& windows, std::unique_ptr<RunLog> log);
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;

  bool Recording() const { return log_ != nullptr; }
  // The log's path as given or made; empty without a log.
  std::u16string LogPath() const { return log_ ? log_->path() : std::u16string(); }
  // Every line, each argument of setup.exe's that holds a property assignment masked.
  void Write(const std::u16string& line);
  // Keeps the values of `arguments`, setup.exe's command line as the platform split it, out
  // of every line from now on.
  void HideValuesOf(const std::vector<std::u16string>& arguments) {
    hidden_ = FindHiddenValues(arguments);
  }
  // The command line to show. Where a value is hidden that is the arguments joined: the
  // raw line's quotes and escapes are not those of the texts that reach msiexec, so it
  // can't be masked in place.
  std::u16string Shown(const std::u16string& commandLine,
                       const std::vector<std::u16string>& arguments) const {
    return hidden_.empty() ? commandLine : JoinArguments(arguments);
  }
  // The extra msiexec arguments that give each installer run a verbose log of its own
  // beside the run's log, under a name no file has yet: empty without a log, or where
  // the name would be too long for msiexec.
  // The log is held in `held` from its making until the run ends.
  std::u16string InstallerLogArguments(HeldFiles& held);

 private:
  Windows& windows_;
  std::unique_ptr<RunLog> log_;
  unsigned installerLogs_ = 0;
  HiddenValues hidden_;
};

}  // namespace setup
