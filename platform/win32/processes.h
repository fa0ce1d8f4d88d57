// Starting a child process and waiting for it.
#pragma once

#include "platform/processes.h"

namespace setup::win32 {

class Win32Processes final : public Processes {
 public:
  ProcessOutcome RunAndWait(const std::u16string& program,
                            const std::u16string& commandLine) override;
  InstallerMutex WaitForInstallerMutex(std::uint32_t milliseconds) override;
};

}  // namespace setup::win32
