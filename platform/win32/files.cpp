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

// Both calls answer the size they need, NUL included, when the buffer is too small, and
// the length without the NUL when it fitted. The loop covers a directory that changed
// between the two calls.
std::uint32_t Win32Files::ReadCurrentDirectory(std::u16string& directory) {
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  for (;;) {
    if (size == 0) return ::GetLastError();
    std::u16string buffer(size, u'\0');
    const DWORD length = ::GetCurrentDirectoryW(size, Wide(buffer));
    if (length == 0) return ::GetLastError();
    if (length < size) {
      buffer.resize(length);
      directory = std::move(buffer);
      return ERROR_SUCCESS;
    }
    size = length;
  }
}

std::optional<std::u16string> Win32Files::ReadFullPathName(const std::u16string& name) {
  DWORD size = ::GetFullPathNameW(Wide(name), 0, nullptr, nullptr);
  for (;;) {
    if (size == 0) return std::nullopt;
    std::u16string buffer(size, u'\0');
    const DWORD length = ::GetFullPathNameW(Wide(name), size, Wide(buffer), nullptr);
    if (length == 0) return std::nullopt;
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    size = length;
  }
}

namespace {

// GetSystemDirectoryW and GetWindowsDirectoryW answer the size they need, NUL included,
// when the buffer is too small, and the length without it when it fitted.
template <typename Call>
std::u16string ReadFolder(Call call) {
  UINT size = MAX_PATH;
  for (;;) {
    std::u16string buffer(size, u'\0');
    const UINT length = call(Wide(buffer), size);
    if (length == 0) return {};
    if (length < size) {
      buffer.resize(length);
      return buffer;
    }
    size = length;
  }
}

}  // namespace

std::u16string Win32Files::ReadSystemDirectory() {
  return ReadFolder([](wchar_t* buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); });
}

std::u16string Win32Files::ReadWindowsDirectory() {
  return ReadFolder(
      [](wchar_t* buffer, UINT size) { return ::GetWindowsDirectoryW(buffer, size); });
}

std::optional<std::uint64_t> Win32Files::ReadFileSize(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::uint32_t Win32Files::AppendToFile(const std::u16string& path, const std::string& bytes) {
  // Shared for writing too, so that two runs logging into one file both get their lines in.
  const FileHandle file(::CreateFileW(Wide(path), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return ::GetLastError();
  }
  return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

}  // namespace setup::win32
