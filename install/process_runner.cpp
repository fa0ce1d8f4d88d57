#include "install/process_runner.h"

#include "platform/windows_constants.h"

namespace setup {

bool IsSuccess(std::uint32_t code) { return code == kSuccess || code == kSuccessRebootRequired; }

std::uint32_t RunCommand(Windows& windows, const std::u16string& commandLine) {
  const ProcessOutcome outcome = windows.processes.RunAndWait(commandLine);
  if (!outcome.started || !outcome.exitCodeRead) {
    // A failure whose last error reads 0 must still not pass for a success.
    return outcome.error != kSuccess ? outcome.error : kErrorGenFailure;
  }
  return outcome.exitCode;
}

std::uint32_t CombineCodes(std::uint32_t first, std::uint32_t second) {
  if (!IsSuccess(first)) return first;
  if (!IsSuccess(second)) return second;
  if (first == kSuccessRebootRequired || second == kSuccessRebootRequired) {
    return kSuccessRebootRequired;
  }
  return kSuccess;
}

}  // namespace setup
