#include "install/run_copies.h"

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"
#include "ui/log_folder.h"
#include "ui/run_log.h"

namespace setup {
namespace {

// Copied a piece at a time: a package may be far larger than what a 32-bit program can
// take in one piece.
constexpr std::uint32_t kCopyPiece = 1u << 20;

}  // namespace

void RunCopies::RemoveFolder(const std::u16string& folder) {
  // A link is removed as it is; a real folder after its files (the run puts no folders in
  // it, so any entry that is a folder or a link is removed as one, never entered).
  if ((windows_.files.ReadAttributes(folder).value_or(0) & kFileAttributeReparsePoint) == 0) {
    for (const DirectoryEntry& entry :
         windows_.files.FindFiles(Join({folder, "\\*"})).value_or(std::vector<DirectoryEntry>{})) {
      if (entry.name == u"." || entry.name == u"..") continue;
      const std::u16string path = Join({folder, "\\", entry.name});
      if ((entry.attributes & kFileAttributeDirectory) != 0) {
        windows_.files.RemoveFolder(path);
      } else {
        windows_.files.RemoveFile(path);
      }
    }
  }
  windows_.files.RemoveFolder(folder);
}

bool RunCopies::Make(Reporter& reporter) {
  std::uint32_t error = kErrorPathNotFound;
  std::u16string folder;
  if (parent_) {
    // What a run that ended without removing its own left: only runs make folders here.
    for (const DirectoryEntry& left : windows_.files.FindFiles(Join({*parent_, "\\copies-*"}))
                                          .value_or(std::vector<DirectoryEntry>{})) {
      reporter.Record({"removing ", left.name, ", left by an earlier run"});
      RemoveFolder(Join({*parent_, "\\", left.name}));
    }
    const std::u16string stamp = FileStamp(windows_.system.ReadLocalTime());
    error = kErrorAlreadyExists;
    // Made only where nothing, a link included, has the name: never an older or planted one.
    for (unsigned n = 1; error == kErrorAlreadyExists && n <= 100; ++n) {
      folder = Join({*parent_, "\\copies-", stamp, "-", Decimal(n)});
      error = windows_.files.CreateFolder(folder, kAdministratorsOnly);
    }
  }
  if (error != kSuccess) {
    reporter.Record({"no folder for copies (", Decimal(error), "): files go by their paths"});
    return false;
  }
  folder_ = folder + u'\\';
  if (const std::u16string fault = ProtectionFault(windows_, folder); !fault.empty()) {
    reporter.Record(fault);
    Remove();
    return false;
  }
  return true;
}

std::uint32_t RunCopies::Copy(Reporter& reporter, AppendHandle from, const std::u16string& source,
                              const std::u16string& name, std::u16string& copy) {
  const std::u16string path = folder_ + name;
  const OpenedFile to = windows_.files.CreateNewFile(path);
  std::uint32_t error = to.handle == 0 ? to.error : kSuccess;
  std::string piece;
  for (std::uint64_t at = 0; error == kSuccess; at += piece.size()) {
    error = windows_.files.ReadFileChunk(from, at, kCopyPiece, piece);
    if (error != kSuccess || piece.empty()) break;
    error = windows_.files.Append(to.handle, piece);
  }
  if (to.handle != 0) windows_.files.CloseFile(to.handle);
  if (error != kSuccess) {
    reporter.Record({"copy of ", source, " not made, error ", Decimal(error)});
    return reporter.NoteSource(error, "copying a file into the run's folder");
  }
  reporter.Record({"copy ", path, " made of ", source});
  copy = path;
  return kSuccess;
}

void RunCopies::Remove() {
  if (folder_.empty()) return;
  RemoveFolder(folder_.substr(0, folder_.size() - 1));
  folder_.clear();
}

}  // namespace setup
