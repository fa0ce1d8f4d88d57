// Directory listing, the current directory, full path names, the files logs go to and
// the folder they are kept in.
#pragma once

#include "platform/files.h"

namespace setup::win32 {

class Win32Files final : public Files {
 public:
  std::optional<std::vector<DirectoryEntry>> FindFiles(const std::u16string& pattern) override;
  std::uint32_t ReadCurrentDirectory(std::u16string& directory) override;
  std::optional<std::u16string> ReadFullPathName(const std::u16string& name) override;
  std::u16string ReadSystemDirectory() override;
  std::u16string ReadWindowsDirectory() override;
  std::optional<std::uint64_t> ReadFileSize(const std::u16string& path) override;
  OpenedFile OpenForAppending(const std::u16string& path) override;
  OpenedFile HoldFile(const std::u16string& path) override;
  std::uint32_t ReadFileBytes(const std::u16string& path, std::uint32_t limit,
                              std::string& bytes) override;
  std::uint32_t ReadHeldFile(AppendHandle file, std::uint64_t offset, char* buffer,
                             std::uint32_t size, std::uint32_t& read) override;
  std::uint32_t Append(AppendHandle file, const std::string& bytes) override;
  void CloseFile(AppendHandle file) override;
  OpenedFile OpenUnshared(const std::u16string& path) override;
  // In platform/win32/folder_security.cpp.
  std::uint32_t CreateFolder(const std::u16string& path, const std::u16string& sddl) override;
  std::uint32_t ReadSecurity(const std::u16string& path, std::u16string& sddl) override;
  std::uint32_t WriteSecurity(const std::u16string& path, const std::u16string& sddl) override;
  std::uint32_t RenameFile(const std::u16string& from, const std::u16string& to) override;
  std::uint32_t RemoveFile(const std::u16string& path) override;
};

}  // namespace setup::win32
