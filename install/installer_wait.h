// Running msiexec while another installation may hold the Windows Installer: the loop,
// the pause between starts, the run's ten minutes and their log lines, all of the wait.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/held_files.h"
#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// The longest a run waits, in all, for other installations to end.
inline constexpr std::uint32_t kInstallerWaitLimit = 10 * 60 * 1000;
// The shortest time between two msiexec starts that found the installer busy.
inline constexpr std::uint32_t kInstallerRetryPause = 3000;

// The run's ten minutes, shared by every msiexec command line of the run and the wait for
// the run lock (install/run_lock.h).
struct InstallerWait {
  // The tick of the run's first 1618, less the wait for the run lock.
  std::optional<std::uint32_t> busySince;
  std::uint32_t lockWait = 0;
};

// Runs msiexec with the command line, with a verbose log of its own when the run keeps
// one; while another installation is in progress (1618), waits for it and starts again,
// for at most kInstallerWaitLimit from the run's first 1618 on the wall clock, msiexec's
// own busy runs included. Every start of one command line appends to the same log, held
// in `held`.
std::uint32_t RunInstaller(Windows& windows, Reporter& reporter, InstallerWait& wait,
                           HeldFiles& held, const std::u16string& commandLine);

}  // namespace setup
