#include "ui/run_record.h"

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {

RunRecord::RunRecord(Windows& windows, std::unique_ptr<RunLog> log)
    : windows_(windows), log_(std::move(log)) {}

void RunRecord::Write(const std::u16string& line) {
  if (log_) log_->Write(HideValues(line, hidden_));
}

std::u16string RunRecord::InstallerLogArguments(HeldFiles& held) {
  // msiexec fails (1622) when it can't write its log: a folder that took no line of ours
  // gets no installer logs either.
  if (!log_ || log_->broken()) return {};
  // Beside the run's log and sorted right after it; stamped and numbered, and the number
  // passed over while something of that name is there, so that no earlier log is
  // overwritten (two runs in one second, the hour that repeats when summer time ends) and
  // msiexec only gets a file this run made: a link put there would lead its lines, every
  // property of the command line among them, into a file someone else chose.
  for (;;) {
    const std::u16string name = Join({log_->path(), ".", log_->startStamp(), "-",
                                      Decimal(++installerLogs_), ".msiexec.log"});
    // msiexec refuses (1622) a log path of 259 characters or more: no log is better than
    // no installation.
    const std::optional<std::u16string> full = windows_.files.ReadFullPathName(name);
    if (full.value_or(name).size() >= kMaxPath - 1) {
      Write(Join({"msiexec's own log left out: its path would be ",
                  Decimal(full.value_or(name).size()),
                  " characters long, more than msiexec takes"}));
      return {};
    }
    const OpenedFile file = windows_.files.OpenForAppending(name);
    if (file.handle == 0) {
      Write(Join({"msiexec's own log left out: ", name, " could not be created, error ",
                  Decimal(file.error)}));
      return {};
    }
    // Held open without delete sharing until the run ends, so that it can't be renamed,
    // deleted and replaced by a link or another file before or while msiexec writes
    // through its own handle (it shares writing: its client and service write one log).
    if (!file.existed && IsPlainFile(file)) {
      held.Keep(file.handle);
      return Join({" /l*v+ \"", name, "\""});
    }
    windows_.files.CloseFile(file.handle);
  }
}

}  // namespace setup
