#include "install/added_roots.h"

#include <algorithm>

#include "platform/windows_constants.h"

namespace setup {
namespace {

void WriteAddedRoots(Windows& windows, Reporter& reporter,
                     const std::vector<std::u16string>& roots) {
  if (const std::uint32_t error =
          windows.system.WriteMachineStrings(kSetupKey, kAddedRootsValue, roots);
      error != kSuccess) {
    reporter.Record({"the record of added roots could not be written, error ", Decimal(error)});
  }
}

}  // namespace

std::vector<std::u16string> ReadAddedRoots(Windows& windows, Reporter& reporter) {
  std::vector<std::u16string> roots;
  const std::uint32_t error = windows.system.ReadMachineStrings(kSetupKey, kAddedRootsValue, roots);
  if (error != kSuccess && error != kErrorFileNotFound) {
    reporter.Record({"the record of added roots could not be read, error ", Decimal(error)});
  }
  return roots;
}

void RecordAddedRoot(Windows& windows, Reporter& reporter, const std::u16string& thumbprint) {
  std::vector<std::u16string> roots = ReadAddedRoots(windows, reporter);
  if (std::find(roots.begin(), roots.end(), thumbprint) != roots.end()) return;
  roots.push_back(thumbprint);
  WriteAddedRoots(windows, reporter, roots);
}

std::uint32_t RemoveAddedRoot(Windows& windows, Reporter& reporter,
                              const std::u16string& thumbprint) {
  std::uint32_t error = kSuccess;
  const StoreHandle root = windows.certificates.OpenMachineRootStore(error);
  if (root == 0) {
    reporter.Record({"the machine's Root store could not be opened, error ", Hex(error)});
    return reporter.NoteSource(error != kSuccess ? error : kErrorGenFailure,
                               "CertOpenStore (the machine's Root store)");
  }
  error = windows.certificates.DeleteCertificate(root, thumbprint);
  windows.certificates.CloseStore(root);
  if (error != kSuccess && error != kCryptNotFound) {
    reporter.Record({"certificate ", thumbprint,
                     " not removed from the machine's Root store, error ", Hex(error)});
    return reporter.NoteSource(error, "CertDeleteCertificateFromStore");
  }
  reporter.Record({"certificate ", thumbprint,
                   error == kSuccess ? " removed from" : " already gone from",
                   " the machine's Root store"});
  std::vector<std::u16string> roots = ReadAddedRoots(windows, reporter);
  roots.erase(std::remove(roots.begin(), roots.end(), thumbprint), roots.end());
  WriteAddedRoots(windows, reporter, roots);
  return kSuccess;
}

}  // namespace setup
