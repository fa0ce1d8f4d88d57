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

}  // namespace setup::win32
