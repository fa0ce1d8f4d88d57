// The run's record for the administrator (-log FILE): time-stamped lines appended to a
// file, in UTF-8 with a byte-order mark so that Notepad on every supported Windows reads
// Cyrillic right. A log that can't be written never changes the run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/windows.h"

namespace setup {

class RunLog {
 public:
  RunLog(Windows& windows, std::u16string path);

  // One line, "YYYY-MM-DD hh:mm:ss.mmm  text", CR LF at its end.
  void Write(std::u16string_view text);
  const std::u16string& path() const { return path_; }
  // A write failed: nothing more is written.
  bool broken() const { return broken_; }
  // The time the log was opened, "YYYYMMDD-hhmmss": it keeps the names of the
  // installers' logs of one run apart from those of another.
  const std::u16string& startStamp() const { return startStamp_; }

 private:
  Windows& windows_;
  std::u16string path_;
  std::u16string startStamp_;
  bool broken_ = false;
  bool started_ = false;
};

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

}  // namespace setup
