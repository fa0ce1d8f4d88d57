// Directory listing, the current directory and full path names.
#pragma once

#include "platform/windows.h"

namespace setup::win32 {

class Win32Files final : public Files {
 public:
  std::optional<std::vector<DirectoryEntry>> FindFiles(const std::u16string& pattern) override;
  std::uint32_t ReadCurrentDirectory(std::u16string& directory) override;
  std::optional<std::u16string> ReadFullPathName(const std::u16string& name) override;
  std::u16string ReadSystemDirectory() override;
  std::u16string ReadWindowsDirectory() override;
  std::optional<std::uint64_t> ReadFileSize(const std::u16string& path) override;
  std::uint32_t AppendToFile(const std::u16string& path, const std::string& bytes) override;
};

}  // namespace setup::win32
