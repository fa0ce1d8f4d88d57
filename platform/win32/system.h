// Command line, rights, version, language, WOW64, string resources and the restart.
#pragma once

#include "platform/win32/system_headers.h"
#include "platform/windows.h"

namespace setup::win32 {

class Win32System final : public System {
 public:
  // `module` is the program's own image, where its string table lives.
  explicit Win32System(HMODULE module);

  std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) override;
  bool IsUserAnAdmin() override;
  std::optional<OsVersion> GetVersion() override;
  std::uint16_t GetSystemDefaultUILanguage() override;
  ModuleHandle GetKernel32() override;
  FunctionAddress FindIsWow64Process(ModuleHandle kernel32) override;
  bool CallIsWow64Process(FunctionAddress address) override;
  std::optional<std::u16string> LoadStringBlock(std::uint16_t block) override;

  std::uintptr_t OpenProcessToken(std::uint32_t access) override;
  std::optional<std::uint64_t> FindPrivilege(const std::u16string& name) override;
  std::uint32_t AdjustTokenPrivilege(std::uintptr_t token, std::uint64_t luid,
                                     std::uint32_t attributes) override;
  void CloseToken(std::uintptr_t token) override;
  bool RequestExitWindows(std::uint32_t flags, std::uint32_t reason) override;

 private:
  HMODULE module_;
};

}  // namespace setup::win32
