#include "packages/package_locator.h"

#include <optional>
#include <vector>

#include "common/joined_text.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

bool IsFolder(const DirectoryEntry& entry) {
  return (entry.attributes & kFileAttributeDirectory) != 0;
}

// The upper case Windows gives Latin-1 and Cyrillic letters; other units stand as they are.
// A table of our own, not the platform's: the choice must not change with the Windows version.
char16_t UpperCase(char16_t unit) {
  if ((unit >= u'a' && unit <= u'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) ||
      (unit >= 0x0430 && unit <= 0x044F)) {
    return static_cast<char16_t>(unit - 0x20);
  }
  if (unit >= 0x0450 && unit <= 0x045F) return static_cast<char16_t>(unit - 0x50);
  return unit == 0xFF ? char16_t{0x0178} : unit;
}

// A match, where it was, and how many there were.
struct Matches {
  std::u16string folder;
  std::u16string name;
  std::uint32_t count = 0;
};

// Whether name `a` comes before `b`: unit by unit, upper-cased, as NTFS keeps a folder.
bool NameBefore(std::u16string_view a, std::u16string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char16_t x = UpperCase(a[i]), y = UpperCase(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  // Names that differ only in case (a share that keeps both): still one order.
  return a < b;
}

Matches Collect(Windows& windows, const std::vector<DirectoryEntry>& entries,
                const std::u16string& mask) {
  Matches found;
  for (const DirectoryEntry& folder : entries) {
    if (!IsFolder(folder)) continue;
    // Skips "." and ".." and every hidden-by-convention folder such as ".git".
    if (!folder.name.empty() && folder.name.front() == u'.') continue;
    // The mask goes to the platform unchanged, a trailing blank included: the platform's
    // search ignores it, which is what the callers rely on.
    const std::optional<std::vector<DirectoryEntry>> matches =
        windows.files.FindFiles(Join({folder.name, "\\", mask}));
    if (!matches) continue;
    for (const DirectoryEntry& match : *matches) {
      if (IsFolder(match)) continue;
      // Every subfolder is searched, so that the log can say how many could have been taken.
      const bool first = found.count++ == 0;
      if (first || NameBefore(folder.name, found.folder) ||
          (folder.name == found.folder && NameBefore(match.name, found.name))) {
        found.folder = folder.name;
        found.name = match.name;
      }
    }
  }
  return found;
}

std::uint32_t Locate(Windows& windows, const std::u16string& mask, std::u16string& path,
                     std::uint32_t& count) {
  const std::optional<std::vector<DirectoryEntry>> entries = windows.files.FindFiles(u"*");
  if (!entries) return kErrorNoData;
  const Matches found = Collect(windows, *entries, mask);
  count = found.count;
  if (found.count == 0) return kErrorNoData;
  std::u16string directory;
  if (const std::uint32_t error = windows.files.ReadCurrentDirectory(directory); error != 0) {
    return error;
  }
  // A distribution at a drive's root has a current folder that ends in "\\" already.
  if (directory.empty() || directory.back() != u'\\') directory += u'\\';
  path = Join({directory, found.folder, "\\", found.name});
  return kSuccess;
}

}  // namespace

std::uint32_t FindPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                          std::u16string& path) {
  std::uint32_t count = 0;
  const std::uint32_t code = Locate(windows, mask, path, count);
  const bool found = code == kSuccess;
  reporter.Record({"package \"", mask, "\": ", found ? path : u"",
                   found ? " (matches: " : "not found, code ", Decimal(found ? count : code),
                   found ? ")" : ""});
  return code;
}

}  // namespace setup
