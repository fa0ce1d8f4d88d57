#include "install/root_certificates.h"

#include <optional>
#include <string>
#include <vector>

#include "install/added_roots.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

// Far above a bundle of every root a Windows trusts (under 1 MiB in Base64); a larger
// file is refused unread rather than held in memory.
constexpr std::uint32_t kLargestCertificateFile = 4u << 20;

class StoreHolder {
 public:
  StoreHolder(Certificates& certificates, StoreHandle store)
      : certificates_(certificates), store_(store) {}
  ~StoreHolder() {
    if (store_ != 0) certificates_.CloseStore(store_);
  }
  StoreHolder(const StoreHolder&) = delete;
  StoreHolder& operator=(const StoreHolder&) = delete;
  StoreHandle get() const { return store_; }

 private:
  Certificates& certificates_;
  StoreHandle store_;
};

}  // namespace

std::uint32_t FindCertificateFiles(Windows& windows, Reporter& reporter,
                                   std::vector<std::u16string>& paths) {
  for (const char16_t* pattern : {u"*.cer", u"*.p7b", u"*.crt"}) {
    const std::optional<std::vector<DirectoryEntry>> entries = windows.files.FindFiles(pattern);
    if (!entries) continue;
    for (const DirectoryEntry& entry : *entries) {
      if ((entry.attributes & kFileAttributeDirectory) != 0) continue;
      const std::optional<std::u16string> path = windows.files.ReadFullPathName(entry.name);
      // The path must fit the platform's classic 260-character limit, NUL included.
      if (!path || path->size() >= kMaxPath) {
        reporter.Record({"certificate file ", entry.name, " can't be imported: no full path under ",
                         Decimal(kMaxPath), " characters"});
        return reporter.NoteSource(kErrorFilenameExcedRange, "GetFullPathNameW");
      }
      paths.push_back(*path);
    }
  }
  return kSuccess;
}

std::uint32_t ImportCertificateFile(Windows& windows, Reporter& reporter,
                                    const std::u16string& path, const std::string* checked) {
  // Read once, then imported from what was read: the file can't change in between.
  std::string read;
  std::uint32_t error = checked != nullptr
                            ? kSuccess
                            : windows.files.ReadFileBytes(path, kLargestCertificateFile, read);
  const std::string& bytes = checked != nullptr ? *checked : read;
  if (error != kSuccess) {
    reporter.Record(
        {"certificate file ", path, " not imported: can't be read, error ", Hex(error)});
    return reporter.NoteSource(error, "reading a certificate file");
  }
  StoreHandle opened = windows.certificates.OpenCertificateStore(bytes, error);
  StoreHolder file(windows.certificates, opened);
  if (file.get() == 0) {
    reporter.Record({"certificate file ", path, " not imported: not a certificate file, error ",
                     Hex(error)});
    return kSuccess;
  }
  // Declared second so that it closes first: root store, then file store.
  opened = windows.certificates.OpenMachineRootStore(error);
  StoreHolder root(windows.certificates, opened);
  if (root.get() == 0) {
    reporter.Record({"certificate file ", path,
                     " not imported: the machine's Root store could not be opened, error ",
                     Hex(error)});
    return reporter.NoteSource(error != kSuccess ? error : kErrorGenFailure,
                               "CertOpenStore (the machine's Root store)");
  }
  std::uint32_t result = kSuccess;
  for (const CertificateAddition& addition :
       windows.certificates.AddEveryCertificate(file.get(), root.get())) {
    const std::u16string& thumbprint = addition.thumbprint;
    reporter.Record({"certificate ",
                     thumbprint.empty() ? Piece("(thumbprint unreadable)") : Piece(thumbprint),
                     " from ", path,
                     addition.error != kSuccess ? " not added to the machine's Root store, error "
                     : addition.alreadyPresent  ? " already present in the machine's Root store"
                                                : " added to the machine's Root store",
                     addition.error != kSuccess ? Hex(addition.error) : Piece(u"")});
    if (addition.error != kSuccess) {
      if (result == kSuccess) {
        result = reporter.NoteSource(addition.error, "CertAddCertificateContextToStore");
      }
    } else if (!addition.alreadyPresent && !thumbprint.empty()) {
      // Only what this run added is ever taken back.
      RecordAddedRoot(windows, reporter, thumbprint);
    }
  }
  return result;
}

}  // namespace setup
