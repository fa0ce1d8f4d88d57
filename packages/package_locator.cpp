#include "packages/package_locator.h"

#include <optional>
#include <vector>

#include "platform/windows_constants.h"

namespace setup {
namespace {

bool IsFolder(const DirectoryEntry& entry) {
  return (entry.attributes & kFileAttributeDirectory) != 0;
}

std::uint32_t Locate(Windows& windows, const std::u16string& mask, std::u16string& path) {
  const std::optional<std::vector<DirectoryEntry>> entries = windows.files.FindFiles(u"*");
  if (!entries) return kErrorNoData;
  for (const DirectoryEntry& folder : *entries) {
    if (!IsFolder(folder)) continue;
    // Skips "." and ".." and every hidden-by-convention folder such as ".git".
    if (!folder.name.empty() && folder.name.front() == u'.') continue;
    // The mask goes to the platform unchanged, a trailing blank included: the platform's
    // search ignores it, which is what the callers rely on.
    const std::optional<std::vector<DirectoryEntry>> matches =
        windows.files.FindFiles(folder.name + u"\\" + mask);
    if (!matches) continue;
    for (const DirectoryEntry& match : *matches) {
      if (IsFolder(match)) continue;
      std::u16string directory;
      if (const std::uint32_t error = windows.files.ReadCurrentDirectory(directory); error != 0) {
        return error;
      }
      // A distribution at a drive's root has a current folder that ends in "\\" already.
      if (directory.empty() || directory.back() != u'\\') directory += u'\\';
      path = directory + folder.name + u"\\" + match.name;
      return kSuccess;
    }
  }
  return kErrorNoData;
}

}  // namespace

std::uint32_t FindPackage(Windows& windows, Reporter& reporter, const std::u16string& mask,
                          std::u16string& path) {
  const std::uint32_t code = Locate(windows, mask, path);
  reporter.Record(u"package \"" + mask + u"\": " +
                  (code == kSuccess ? path : u"not found, code " + DecimalText(code)));
  return code;
}

}  // namespace setup
