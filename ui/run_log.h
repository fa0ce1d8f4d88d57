// The run's record for the administrator (-log FILE): time-stamped lines appended to a
// file, in UTF-8 with a byte-order mark so that Notepad on every supported Windows reads
// Cyrillic right. A log that can't be written never changes the run.
//
// The run is elevated and its lines carry every command line: they go only into a plain
// file with one name, opened once for the whole run, so that no link someone else put at
// the path, before the run or during it, leads them into a file of their choosing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/windows.h"

namespace setup {

// A file opened at the path itself that is neither a link nor one of several names.
bool IsPlainFile(const OpenedFile& file);

class RunLog {
 public:
  // Opens the file, or leaves the log broken.
  RunLog(Windows& windows, std::u16string path);
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // One line, "YYYY-MM-DD hh:mm:ss.mmm  text", CR LF at its end.
  void Write(std::u16string_view text);
  const std::u16string& path() const { return path_; }
  // Not opened, or a write failed: nothing more is written.
  bool broken() const { return file_ == 0; }
  // The time the log was opened, "YYYYMMDD-hhmmss": it keeps the names of the
  // installers' logs of one run apart from those of another.
  const std::u16string& startStamp() const { return startStamp_; }

 private:
  Windows& windows_;
  std::u16string path_;
  std::u16string startStamp_;
  AppendHandle file_ = 0;
  bool needsMark_ = false;
};

// The run's log: the file -log names, else setup.log in the log folder (ui/log_folder.h)
// where one could be made ready; else none.
std::unique_ptr<RunLog> OpenRunLog(Windows& windows, const std::optional<std::u16string>& logPath,
                                   const std::optional<std::u16string>& folder);

// "YYYYMMDD-hhmmss": a run's start in the names of the files and folders it makes.
std::u16string FileStamp(const LocalTime& time);

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace setup
