// File and system certificate stores, through the system's crypt32.dll.
#pragma once

#include <memory>

#include "platform/windows.h"

namespace setup::win32 {

class Win32Certificates final : public Certificates {
 public:
  Win32Certificates();
  ~Win32Certificates() override;

  StoreHandle OpenFileStore(const std::u16string& path) override;
  StoreHandle OpenMachineRootStore() override;
  std::vector<std::u16string> AddEveryCertificate(StoreHandle from, StoreHandle to) override;
  void CloseStore(StoreHandle store) override;

 private:
  struct Functions;
  static Functions BindFunctions();
  // The SHA-1 hash of a PCCERT_CONTEXT, upper-case hexadecimal.
  std::u16string Thumbprint(const void* certificate);

  std::unique_ptr<const Functions> functions_;
};

}  // namespace setup::win32
