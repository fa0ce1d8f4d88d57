#include "platform/win32/files.h"

#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide_text.h"

namespace setup::win32 {

std::optional<std::vector<DirectoryEntry>> Win32Files::FindFiles(const std::u16string& pattern) {
  WIN32_FIND_DATAW found{};
  const FindHandle find(::FindFirstFileW(Wide(pattern), &found));
  if (!find) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  do {
    entries.push_back({FromWide(found.cFileName), found.dwFileAttributes});
  } while (::FindNextFileW(find.Get(), &found));
  return entries;
}

namespace {

// The buffer protocol of GetCurrentDirectoryW, GetFullPathNameW, GetSystemDirectoryW and
// GetSystemWindowsDirectoryW: they answer the size they need, NUL included, when the buffer is
// too small, and the length without the NUL when it fitted. The loop covers a value that
// grew between two calls. Nothing when a call fails; `error` then holds its last error.
template <typename Call>
std::optional<std::u16string> ReadGrowing(Call call, DWORD* error = nullptr) {
  // The last error is read at once, before freeing a buffer could change it.
  const auto failed = [error]() -> std::optional<std::u16string> {
    if (error != nullptr) *error = ::GetLastError();
    return std::nullopt;
  };
  DWORD size = call(nullptr, 0);
  if (size == 0) return failed();
  for (;;) {
    std::u16string buffer(size, u'\0');
    const DWORD length = call(Wide(buffer), size);
    if (length == 0) return failed();
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    size = length;
  }
}

}  // namespace

std::uint32_t Win32Files::ReadCurrentDirectory(std::u16string& directory) {
  DWORD error = ERROR_SUCCESS;
  std::optional<std::u16string> read = ReadGrowing(
      [](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); }, &error);
  if (!read) return error;
  directory = std::move(*read);
  return ERROR_SUCCESS;
}

std::optional<std::u16string> Win32Files::ReadFullPathName(const std::u16string& name) {
  return ReadGrowing([&](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(Wide(name), size, buffer, nullptr);
  });
}

std::u16string Win32Files::ReadSystemDirectory() {
  return ReadGrowing(
             [](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); })
      .value_or(std::u16string());
}

std::u16string Win32Files::ReadWindowsDirectory() {
  return ReadGrowing(
             [](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); })
      .value_or(std::u16string());
}

std::optional<std::uint32_t> Win32Files::ReadAttributes(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

std::optional<std::uint64_t> Win32Files::ReadFileSize(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

namespace {

// Whether an opening follows a link at its path, for every opening of a file the run
// writes, holds or locks: the one place that decides it. Appending and locking open the
// link itself, so that no link leads the run's lines or its lock elsewhere; holding follows
// it, as msiexec and WinVerifyTrust will when they open the path.
constexpr DWORD kAppendedLinks = FILE_FLAG_OPEN_REPARSE_POINT;
constexpr DWORD kHeldLinks = 0;
constexpr DWORD kLockLinks = FILE_FLAG_OPEN_REPARSE_POINT;

// CreateFileW, then what GetFileInformationByHandle tells of the file.
OpenedFile OpenWithInformation(const std::u16string& path, DWORD access, DWORD share,
                               DWORD disposition, DWORD flags) {
  OpenedFile opened;
  FileHandle file(::CreateFileW(Wide(path), access, share, nullptr, disposition, flags, nullptr));
  opened.error = ::GetLastError();
  if (!file) return opened;
  opened.existed = opened.error == ERROR_ALREADY_EXISTS;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.Get(), &information)) {
    opened.error = ::GetLastError();
    return opened;
  }
  opened.error = ERROR_SUCCESS;
  opened.attributes = information.dwFileAttributes;
  opened.links = information.nNumberOfLinks;
  opened.size = (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
  opened.handle = reinterpret_cast<AppendHandle>(file.Release());
  return opened;
}

}  // namespace

OpenedFile Win32Files::OpenForAppending(const std::u16string& path) {
  // Shared for writing too, so that two runs logging into one file both get their lines
  // in; a link is opened itself, not followed.
  return OpenWithInformation(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | kAppendedLinks);
}

OpenedFile Win32Files::HoldFile(const std::u16string& path) {
  return OpenWithInformation(path, GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | kHeldLinks);
}

std::uint32_t Win32Files::ReadFileBytes(const std::u16string& path, std::uint32_t limit,
                                        std::string& bytes) {
  // Shared for reading only: nobody writes it while it is read.
  const FileHandle file(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return ::GetLastError();
  DWORD high = 0;
  const DWORD size = ::GetFileSize(file.Get(), &high);
  if (size == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return ::GetLastError();
  if (high != 0 || size > limit) return ERROR_FILE_TOO_LARGE;
  std::string read(size, '\0');
  DWORD got = 0;
  if (size != 0 && !::ReadFile(file.Get(), read.data(), size, &got, nullptr)) {
    return ::GetLastError();
  }
  if (got != size) return ERROR_HANDLE_EOF;
  bytes = std::move(read);
  return ERROR_SUCCESS;
}

std::uint32_t Win32Files::Append(AppendHandle file, const std::string& bytes) {
  DWORD written = 0;
  if (!::WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), static_cast<DWORD>(bytes.size()),
                   &written, nullptr)) {
    return ::GetLastError();
  }
  return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

void Win32Files::CloseFile(AppendHandle file) { ::CloseHandle(reinterpret_cast<HANDLE>(file)); }

OpenedFile Win32Files::CreateNewFile(const std::u16string& path) {
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  OpenedFile opened;
  opened.error = ::GetLastError();
  if (file != INVALID_HANDLE_VALUE) opened.handle = reinterpret_cast<AppendHandle>(file);
  return opened;
}

std::uint32_t Win32Files::ReadFileChunk(AppendHandle file, std::uint64_t offset,
                                        std::uint32_t size, std::string& bytes) {
  // At an offset of its own: WinVerifyTrust, reading through the same handle, moves the
  // file pointer.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  std::string read(size, '\0');
  DWORD got = 0;
  if (!::ReadFile(reinterpret_cast<HANDLE>(file), read.data(), size, &got, &at)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_HANDLE_EOF) return error;
  }
  read.resize(got);
  bytes = std::move(read);
  return ERROR_SUCCESS;
}

OpenedFile Win32Files::OpenUnshared(const std::u16string& path) {
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | kLockLinks, nullptr);
  OpenedFile opened;
  opened.error = ::GetLastError();
  if (file != INVALID_HANDLE_VALUE) opened.handle = reinterpret_cast<AppendHandle>(file);
  return opened;
}

std::uint32_t Win32Files::RenameFile(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING) ? ERROR_SUCCESS
                                                                        : ::GetLastError();
}

std::uint32_t Win32Files::RemoveFile(const std::u16string& path) {
  return ::DeleteFileW(Wide(path)) ? ERROR_SUCCESS : ::GetLastError();
}

std::uint32_t Win32Files::RemoveFolder(const std::u16string& path) {
  return ::RemoveDirectoryW(Wide(path)) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace setup::win32
