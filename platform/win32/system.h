// Command line, rights, version, language, WOW64, string resources, the restart and the
// machine's registry.
#pragma once

#include "platform/system.h"
#include "platform/win32/system_headers.h"

namespace setup::win32 {

// From here on the run-time library's abort(), where operator new and the library's throw
// helpers end when memory runs out, ends the process at once with `code`: no "abnormal
// program termination" box that an unattended run would wait on, and not the 3 of abort().
void EndAbortWith(std::uint32_t code);

class Win32System final : public System {
 public:
  // `module` is the program's own image, where its string table lives.
  explicit Win32System(HMODULE module);

  std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) override;
  bool IsUserAnAdmin() override;
  std::optional<OsVersion> GetVersion() override;
  std::optional<OsVersion> ReadRealVersion() override;
  std::optional<std::uint32_t> ReadSessionId() override;
  std::uint16_t GetSystemDefaultUILanguage() override;
  std::u16string ReadProgramPath() override;
  bool IsWow64() override;
  std::optional<std::u16string> LoadStringBlock(std::uint16_t block) override;
  // In registry.cpp.
  std::uint32_t ReadMachineStrings(const std::u16string& key, const std::u16string& name,
                                   std::vector<std::u16string>& strings) override;
  std::uint32_t WriteMachineStrings(const std::u16string& key, const std::u16string& name,
                                    const std::vector<std::u16string>& strings) override;
  std::uint32_t RestartWindows() override;
  LocalTime ReadLocalTime() override;
  std::uint32_t ReadTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;

 private:
  HMODULE module_;
  // Windows does not change under a running program: asked once.
  std::optional<bool> wow64_;
};

}  // namespace setup::win32
