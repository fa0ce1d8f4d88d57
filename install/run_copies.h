// What runs is a copy of what was checked: every file the run hands to msiexec, regedit or
// regini is copied from the handle it holds into a folder of the run's own, which only
// Administrators and SYSTEM can write, so that a writer of the share, or a link re-pointed
// after the check, changes nothing of what runs. The folder is made fresh for each run in
// the log folder, and removed at the run's end; the next run removes what a crashed one
// left.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

class RunCopies {
 public:
  // `folder`: the log folder as the run made it ready; none where it could not be.
  RunCopies(Windows& windows, std::optional<std::u16string> folder)
      : windows_(windows), parent_(std::move(folder)) {}
  ~RunCopies() { Remove(); }
  RunCopies(const RunCopies&) = delete;
  RunCopies& operator=(const RunCopies&) = delete;

  // Makes the run's folder, under the run lock: true, or false (recorded) where none can
  // be had safely, and files then go to the tools by their paths.
  bool Make(Reporter& reporter);
  // A copy of the held file `from` named `name` in the folder: 0 and `copy`, or the code
  // (a full disk, ...), recorded with the share's `source`.
  std::uint32_t Copy(Reporter& reporter, AppendHandle from, const std::u16string& source,
                     const std::u16string& name, std::u16string& copy);
  // The folder and what it holds; a link in it is removed itself, never followed.
  void Remove();

 private:
  void RemoveFolder(const std::u16string& folder);

  Windows& windows_;
  const std::optional<std::u16string> parent_;
  std::u16string folder_;  // with its backslash; empty until made
};

}  // namespace setup
