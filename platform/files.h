// The seam's file family: folders, paths, files read, held, appended to, and their
// security.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup {

// A file opened for appending; 0 is none.
using AppendHandle = std::uintptr_t;

// What opening a file for appending found: the file at the path itself, never what a
// link there leads to.
struct OpenedFile {
  AppendHandle handle = 0;  // 0: not opened, `error` says why
  std::uint32_t error = 0;
  bool existed = false;  // it was there before, not made by this call
  std::uint32_t attributes = 0;
  std::uint32_t links = 0;  // its hard links, the path's included
  std::uint64_t size = 0;
};

struct DirectoryEntry {
  std::u16string name;  // the long name (cFileName)
  std::uint32_t attributes = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // FindFirstFileW / FindNextFileW / FindClose over a relative or absolute pattern, in
  // the order the platform returns the entries. Nothing when the first call fails.
  virtual std::optional<std::vector<DirectoryEntry>> FindFiles(const std::u16string& pattern) = 0;
  // GetCurrentDirectoryW, with a buffer as large as the platform asks for. Returns 0 and
  // fills `directory`, or the GetLastError code.
  virtual std::uint32_t ReadCurrentDirectory(std::u16string& directory) = 0;
  // GetFullPathNameW for a name, with a buffer as large as the platform asks for.
  // Nothing when the call fails.
  virtual std::optional<std::u16string> ReadFullPathName(const std::u16string& name) = 0;
  // GetSystemDirectoryW and GetSystemWindowsDirectoryW (the machine's Windows folder, also
  // on a Remote Desktop host), with a buffer as large as the platform asks for; empty when
  // the call fails.
  virtual std::u16string ReadSystemDirectory() = 0;
  virtual std::u16string ReadWindowsDirectory() = 0;
  // GetFileAttributesExW: a file's size; nothing for a folder or when it fails.
  virtual std::optional<std::uint64_t> ReadFileSize(const std::u16string& path) = 0;
  // CreateFileW(FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, shared for reading and writing,
  // OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT), then GetFileInformationByHandle; a file
  // whose information can't be read is closed again.
  virtual OpenedFile OpenForAppending(const std::u16string& path) = 0;
  // The same, but GENERIC_READ, shared for reading only, OPEN_EXISTING, a link followed as
  // every reader follows it: while it is open nobody can write, rename or delete the file,
  // and whoever only reads it (msiexec, WinVerifyTrust) still can.
  virtual OpenedFile HoldFile(const std::u16string& path) = 0;
  // CreateFileW(GENERIC_READ, shared for reading only, OPEN_EXISTING), GetFileSize, then
  // ReadFile of the whole file into `bytes`: 0, the GetLastError code of the step that
  // failed, or ERROR_FILE_TOO_LARGE above `limit` bytes (nothing read then).
  virtual std::uint32_t ReadFileBytes(const std::u16string& path, std::uint32_t limit,
                                      std::string& bytes) = 0;
  // ReadFile at `offset` of a file this run holds (HoldFile), through its handle, never by
  // its path again: what is read is the file nobody can change any more. Up to `size`
  // bytes into `buffer`, their number in `read`, fewer at its end and none past it: 0, or
  // the GetLastError code.
  virtual std::uint32_t ReadHeldFile(AppendHandle file, std::uint64_t offset, char* buffer,
                                     std::uint32_t size, std::uint32_t& read) = 0;
  // CreateFileW(GENERIC_READ, no sharing, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT): only
  // `handle` and `error` are set.
  virtual OpenedFile OpenUnshared(const std::u16string& path) = 0;
  // CreateDirectoryW with the security descriptor ConvertStringSecurityDescriptorTo-
  // SecurityDescriptorW makes of `sddl`: 0 or the GetLastError code.
  virtual std::uint32_t CreateFolder(const std::u16string& path, const std::u16string& sddl) = 0;
  // GetNamedSecurityInfoW(owner, DACL) as ConvertSecurityDescriptorToStringSecurity-
  // DescriptorW writes it: 0 and `sddl`, or the error.
  virtual std::uint32_t ReadSecurity(const std::u16string& path, std::u16string& sddl) = 0;
  // SetNamedSecurityInfoW(owner and protected DACL) of `sddl`'s descriptor: 0 or the error.
  virtual std::uint32_t WriteSecurity(const std::u16string& path, const std::u16string& sddl) = 0;
  // MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING), DeleteFileW, WriteFile of every
  // byte: 0 or the GetLastError code.
  virtual std::uint32_t RenameFile(const std::u16string& from, const std::u16string& to) = 0;
  virtual std::uint32_t RemoveFile(const std::u16string& path) = 0;
  virtual std::uint32_t Append(AppendHandle file, const std::string& bytes) = 0;
  // CloseHandle.
  virtual void CloseFile(AppendHandle file) = 0;
};

}  // namespace setup
