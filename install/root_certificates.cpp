#include "install/root_certificates.h"

#include <optional>
#include <vector>

#include "platform/windows_constants.h"

namespace setup {
namespace {

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

void ImportFile(Windows& windows, Reporter& reporter, const std::u16string& name) {
  const std::optional<std::u16string> path = windows.files.ReadFullPathName(name);
  // The path must fit the platform's classic 260-character limit, NUL included.
  if (!path || path->size() >= kMaxPath) {
    reporter.Record(u"certificate file " + name + u" skipped: no usable full path");
    return;
  }
  StoreHolder file(windows.certificates, windows.certificates.OpenFileStore(*path));
  if (file.get() == 0) {
    reporter.Record(u"certificate file " + *path + u" skipped: not a certificate file");
    return;
  }
  // Declared second so that it closes first: root store, then file store.
  StoreHolder root(windows.certificates, windows.certificates.OpenMachineRootStore());
  if (root.get() == 0) {
    reporter.Record(u"the machine's Root store could not be opened");
    return;
  }
  for (const std::u16string& thumbprint :
       windows.certificates.AddEveryCertificate(file.get(), root.get())) {
    reporter.Record(u"certificate " + thumbprint + u" from " + *path +
                    u" added to the machine's Root store");
  }
}

}  // namespace

void ImportRootCertificates(Windows& windows, Reporter& reporter) {
  for (const char16_t* pattern : {u"*.cer", u"*.p7b", u"*.crt"}) {
    const std::optional<std::vector<DirectoryEntry>> entries = windows.files.FindFiles(pattern);
    if (!entries) continue;
    for (const DirectoryEntry& entry : *entries) ImportFile(windows, reporter, entry.name);
  }
}

}  // namespace setup
