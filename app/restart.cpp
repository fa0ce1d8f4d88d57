#include "app/restart.h"

#include <cstdint>

#include "platform/windows_constants.h"

namespace setup {
namespace {

// The token is closed on every path.
class TokenHolder {
 public:
  TokenHolder(System& system, std::uintptr_t token) : system_(system), token_(token) {}
  ~TokenHolder() {
    if (token_ != 0) system_.CloseToken(token_);
  }
  TokenHolder(const TokenHolder&) = delete;
  TokenHolder& operator=(const TokenHolder&) = delete;
  std::uintptr_t get() const { return token_; }

 private:
  System& system_;
  std::uintptr_t token_;
};

}  // namespace

bool RestartComputer(Windows& windows) {
  System& system = windows.system;
  TokenHolder token(system, system.OpenProcessToken(kTokenAdjustPrivilegesAndQuery));
  if (token.get() == 0) return false;
  const std::optional<std::uint64_t> shutdown = system.FindPrivilege(u"SeShutdownPrivilege");
  if (!shutdown) return false;
  // AdjustTokenPrivileges succeeds even when the privilege is not granted; only the last
  // error tells (ERROR_NOT_ALL_ASSIGNED).
  if (system.AdjustTokenPrivilege(token.get(), *shutdown, kSePrivilegeEnabled) != 0) return false;
  return system.RequestExitWindows(kExitWindowsRebootForce, kShutdownReasonApplication);
}

}  // namespace setup
