#include "tests/support/fake_windows.h"

#include <algorithm>
#include <random>

#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"
#include "ui/reporter.h"

namespace setup::testing {
namespace {

char16_t FoldCase(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 0x20);
  if (unit >= 0x0410 && unit <= 0x042F) return static_cast<char16_t>(unit + 0x20);  // А-Я
  if (unit >= 0x0400 && unit <= 0x040F) return static_cast<char16_t>(unit + 0x50);  // Ѐ-Џ
  return unit;
}

// Greedy matching with one remembered star: linear in practice, never exponential.
bool MatchFrom(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// The value at `key`, or `fallback` when there is none.
template <class Map, class Key>
typename Map::mapped_type ValueOr(const Map& map, const Key& key,
                                  typename Map::mapped_type fallback) {
  const auto found = map.find(key);
  return found == map.end() ? fallback : found->second;
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// The folder and the name of a relative path.
std::pair<std::u16string, std::u16string> SplitPath(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'\\');
  if (slash == std::u16string::npos) return {u"", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

struct FakeProgressThread : ProgressThread {
  explicit FakeProgressThread(std::vector<std::u16string>& log) : log(log) {}
  void Resume() override { log.push_back(u"progress: resume"); }
  void Stop() override { log.push_back(u"progress: stop"); }
  std::vector<std::u16string>& log;
};

}  // namespace

bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  while (!pattern.empty() && pattern.back() == u' ') pattern.remove_suffix(1);
  return MatchFrom(pattern, name);
}

std::vector<std::u16string> SplitLikeWindows(std::u16string_view line) {
  std::vector<std::u16string> arguments;
  std::size_t i = 0;
  const auto isBlank = [&](std::size_t at) { return line[at] == u' ' || line[at] == u'\t'; };
  // The first argument follows the program-name rules: quotes only group, no escapes.
  std::u16string first;
  if (i < line.size() && line[i] == u'"') {
    ++i;
    while (i < line.size() && line[i] != u'"') first.push_back(line[i++]);
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && !isBlank(i)) first.push_back(line[i++]);
  }
  arguments.push_back(first);
  for (;;) {
    while (i < line.size() && isBlank(i)) ++i;
    if (i >= line.size()) break;
    std::u16string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !isBlank(i))) {
      if (line[i] == u'\\') {
        std::size_t slashes = 0;
        while (i < line.size() && line[i] == u'\\') ++slashes, ++i;
        if (i < line.size() && line[i] == u'"') {
          argument.append(slashes / 2, u'\\');
          if (slashes % 2 == 1) {
            argument.push_back(u'"');
            ++i;
          }
        } else {
          argument.append(slashes, u'\\');
        }
      } else if (line[i] == u'"') {
        ++i;
        if (quoted && i < line.size() && line[i] == u'"') {
          argument.push_back(u'"');
          ++i;
        } else {
          quoted = !quoted;
        }
      } else {
        argument.push_back(line[i++]);
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

void FakeWindows::Add(const std::u16string& relativePath, bool directory) {
  const std::u16string folder = SplitPath(relativePath).first;
  if (!folder.empty()) Add(folder, true);
  for (const Entry& entry : entries_) {
    if (directory && SamePath(entry.path, relativePath)) return;
  }
  entries_.push_back({relativePath, directory});
}

std::vector<std::u16string> FakeWindows::Commands() const {
  std::vector<std::u16string> commands;
  for (const std::u16string& line : log) {
    if (line.starts_with(u"run: ")) commands.push_back(line.substr(5));
  }
  return commands;
}

void FakeWindows::SetInternalUI(std::uint32_t level) {
  log.push_back(u"installer ui: " + DecimalText(level));
}

std::int32_t FakeWindows::QueryProductState(const std::u16string& productCode) {
  const auto product = products.find(productCode);
  return product == products.end() ? kInstallStateUnknown : product->second.state;
}

std::int32_t FakeWindows::QueryFeatureState(const std::u16string& productCode,
                                            const std::u16string& feature) {
  const auto product = products.find(productCode);
  if (product == products.end()) return kInstallStateUnknown;
  return ValueOr(product->second.features, feature, kInstallStateUnknown);
}

std::uint32_t FakeWindows::ReadProductInfo(const std::u16string& productCode,
                                           const std::u16string& attribute, std::u16string& value) {
  const auto product = products.find(productCode);
  // Another account's per-user product (absent here) is unknown to our queries.
  if (product == products.end() || product->second.state == kInstallStateAbsent) {
    return kErrorUnknownProduct;
  }
  if (const std::uint32_t error = ValueOr(product->second.infoErrors, attribute, 0u)) return error;
  if (attribute == u"VersionString") {
    value = product->second.version;
  } else if (attribute == u"LocalPackage") {
    value = product->second.localPackage;
  } else {
    return 1608;  // ERROR_UNKNOWN_PROPERTY
  }
  return kSuccess;
}

std::uint32_t FakeWindows::OpenPackage(const std::u16string& path, std::uint32_t& handle) {
  const auto package = packages.find(path);
  if (package == packages.end()) return 1619;  // ERROR_INSTALL_PACKAGE_OPEN_FAILED
  if (package->second.openError) return *package->second.openError;
  handle = nextHandle_++;
  openPackages_[handle] = path;
  ++openInstallerHandles;
  return kSuccess;
}

std::uint32_t FakeWindows::ReadPackageProperty(std::uint32_t handle, const std::u16string& property,
                                               std::u16string& value) {
  const auto open = openPackages_.find(handle);
  if (open == openPackages_.end()) return 6;  // ERROR_INVALID_HANDLE
  const FakePackage& package = packages.at(open->second);
  if (const std::uint32_t error = ValueOr(package.propertyErrors, property, 0u)) return error;
  if (std::u16string found = ValueOr(package.properties, property, {}); !found.empty()) {
    value = found;
  }
  return kSuccess;
}

ProcessOutcome FakeWindows::RunAndWait(const std::u16string& program,
                                       const std::u16string& commandLine) {
  log.push_back(u"run: " + commandLine);
  programs.push_back(program);
  openAtCommands.push_back(OpenFiles());
  if (program.ends_with(u"msiexec.exe")) tickCount += msiexecMilliseconds;
  if (program.ends_with(u"msiexec.exe") &&
      (installerBusyUntil_ > tickCount || !otherInstallations.empty())) {
    if (installerBusyUntil_ <= tickCount) {
      installerBusyUntil_ = tickCount + otherInstallations.front();
      otherInstallations.pop_front();
    }
    return {true, 0, true, kErrorInstallAlreadyRunning};
  }
  if (onCommand) onCommand(commandLine);
  return ValueOr(processOutcomes, commandLine, {true, 0, true, defaultExitCode});
}

InstallerMutex FakeWindows::WaitForInstallerMutex(std::uint32_t milliseconds) {
  log.push_back(u"wait for the installer, at most " + DecimalText(milliseconds) + u" ms");
  if (installerMutexUnreadable) return InstallerMutex::kUnreadable;
  if (installerBusyUntil_ <= tickCount) return InstallerMutex::kFree;
  if (installerBusyUntil_ - tickCount > milliseconds) {
    tickCount += milliseconds;
    return InstallerMutex::kOwned;
  }
  tickCount = installerBusyUntil_;
  return InstallerMutex::kFree;
}

std::optional<std::vector<DirectoryEntry>> FakeWindows::FindFiles(const std::u16string& pattern) {
  const auto [folder, namePattern] = SplitPath(pattern);
  std::vector<DirectoryEntry> found;
  for (const auto& [path, bytes] : writtenFiles) {  // in a folder of `folders`
    const auto [parent, name] = SplitPath(path);
    if (folders.count(folder) && SamePath(parent, folder) && WildcardMatch(namePattern, name)) {
      found.push_back({name});
    }
  }
  if (folder.empty() && rootEnumerationFails) return std::nullopt;
  bool folderExists = folder.empty() || folders.count(folder);
  for (const Entry& entry : entries_) {
    const auto [parent, name] = SplitPath(entry.path);
    if (entry.directory && SamePath(entry.path, folder)) folderExists = true;
    if (!SamePath(parent, folder) || !WildcardMatch(namePattern, name)) continue;
    found.push_back({name, entry.directory ? kFileAttributeDirectory : 0x80u});
  }
  // As on Windows, a search that finds nothing fails at its first call.
  if (!folderExists || found.empty()) return std::nullopt;
  if (listing == Listing::kReversed) std::reverse(found.begin(), found.end());
  if (listing == Listing::kShuffled) std::shuffle(found.begin(), found.end(), std::minstd_rand(31));
  return found;
}

std::uint32_t FakeWindows::ReadCurrentDirectory(std::u16string& directory) {
  if (currentDirectoryError) return *currentDirectoryError;
  directory = currentDirectory;
  return kSuccess;
}

std::optional<std::u16string> FakeWindows::ReadFullPathName(const std::u16string& name) {
  if (fullPathFails) return std::nullopt;
  if (fullPathOverride) return fullPathOverride;
  if (name.size() > 1 && name[1] == u':') return name;
  return currentDirectory + (currentDirectory.ends_with(u'\\') ? u"" : u"\\") + name;
}

std::optional<std::uint64_t> FakeWindows::ReadFileSize(const std::u16string& path) {
  for (const std::u16string& file : systemFiles) {
    if (SamePath(file, path)) return 4096;
  }
  if (writtenFiles.count(path) != 0) return writtenFiles.at(path).size();
  return std::nullopt;
}

OpenedFile FakeWindows::OpenForAppending(const std::u16string& path) {
  if (appendError) return {0, *appendError};
  const auto [attributes, links] = fileLinks.count(path) ? fileLinks[path] : std::pair{0x80u, 1u};
  const bool existed = fileLinks.count(path) + writtenFiles.count(path) != 0;
  files_[nextHandle_] = {u"append", path};
  return {nextHandle_++, 0, existed, attributes, links, writtenFiles[path].size()};
}

OpenedFile FakeWindows::HoldFile(const std::u16string& path) {
  if (holdErrors.count(path) != 0) return {0, holdErrors.at(path)};
  const auto [attributes, links] = fileLinks.count(path) ? fileLinks[path] : std::pair{0x80u, 1u};
  files_[nextHandle_] = {u"held", path};
  return {nextHandle_++, 0, true, attributes, links, 4096};
}

OpenedFile FakeWindows::OpenUnshared(const std::u16string& path) {
  if (folders.count(path.substr(0, path.rfind(u'\\'))) == 0) return {0, 3};
  lockFreeAt_.emplace(path, tickCount + ValueOr(lockHeldFor, path, 0u));
  const bool open = std::any_of(files_.begin(), files_.end(), [&](const auto& file) {
    return SamePath(file.second.second, path);
  });
  if (open || tickCount < lockFreeAt_.at(path)) return {0, kErrorSharingViolation};
  files_[nextHandle_] = {u"unshared", path};
  return {nextHandle_++};
}

std::vector<std::u16string> FakeWindows::OpenFiles() const {
  std::vector<std::u16string> open;
  for (const auto& [handle, file] : files_) open.push_back(file.first + (u" " + file.second));
  return open;
}

std::uint32_t FakeWindows::CreateFolder(const std::u16string& path, const std::u16string& sddl) {
  if (folders.count(path) != 0) return kErrorAlreadyExists;
  if (folders.count(path.substr(0, path.rfind(u'\\'))) == 0) return 3;  // ERROR_PATH_NOT_FOUND
  folders[path] = sddl;
  return kSuccess;
}

StoreHandle FakeWindows::OpenStore(const std::u16string& path) {
  stores_[nextHandle_] = path;
  ++openStores;
  return nextHandle_++;
}

StoreHandle FakeWindows::OpenCertificateStore(const std::string& bytes, std::uint32_t& error) {
  for (const auto& [path, certificates] : certificateFiles) {
    if (Utf8(path) == bytes) return OpenStore(path);
  }
  error = 0x80092009;  // CRYPT_E_NO_MATCH
  return 0;
}

StoreHandle FakeWindows::OpenMachineRootStore(std::uint32_t& error) {
  if (!rootStoreError) return OpenStore(u"");
  error = *rootStoreError;
  return 0;
}

std::vector<CertificateAddition> FakeWindows::AddEveryCertificate(StoreHandle from,
                                                                  StoreHandle to) {
  if (stores_.count(from) == 0 || stores_.count(to) == 0 || !stores_[to].empty()) return {};
  std::vector<CertificateAddition> additions;
  for (const std::u16string& certificate : certificateFiles.at(stores_[from])) {
    CertificateAddition addition{certificate};
    addition.alreadyPresent =
        std::find(rootStore.begin(), rootStore.end(), certificate) != rootStore.end();
    addition.error = ValueOr(certificateErrors, certificate, kSuccess);
    if (addition.error == kSuccess) {
      log.push_back(u"root store: add " + certificate);
      rootStore.push_back(certificate);
    }
    additions.push_back(addition);
  }
  return additions;
}

void FakeWindows::CloseStore(StoreHandle store) {
  if (const auto open = stores_.find(store); open != stores_.end()) {
    log.push_back(u"close store " + (open->second.empty() ? u"Root" : open->second));
    stores_.erase(open);
    --openStores;
  }
}

Signature FakeWindows::VerifySignature(const std::u16string& path, AppendHandle) {
  return ValueOr(signatures, path, {kTrustNoSignature, false, {}, {}, {}, kTrustNoSignature});
}

std::int32_t FakeWindows::ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                         std::uint32_t style) {
  log.push_back(u"box: " + caption + u" | " + text + u" | " + HexText(style));
  boxes.push_back({text, caption, style});
  openAtBoxes.push_back(OpenFiles());
  return ValueOr(answers, text, (style & 0xF) == kMbYesNo ? kIdYes : 1);
}

SelectionDialogOutcome FakeWindows::ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                                        const SelectionDialogTexts&) {
  log.push_back(u"dialog");
  if (dialogFails) return {true, 1813, {}};  // ERROR_RESOURCE_TYPE_NOT_FOUND
  dialogsShown.push_back(checked);
  return {false, 0, dialogOutcome.value_or(checked)};
}

std::unique_ptr<ProgressThread> FakeWindows::CreateProgressThread(const std::u16string& title) {
  if (progressThreadFails) return nullptr;
  log.push_back(u"progress: create " + title);
  return std::make_unique<FakeProgressThread>(log);
}

std::optional<std::u16string> FakeWindows::LoadStringBlock(std::uint16_t block) {
  const std::u16string units = BuildStringBlock(MessageCatalogue(), block);
  return units.empty() ? std::nullopt : std::optional(units);
}

void FakeWindows::Sleep(std::uint32_t milliseconds) {
  log.push_back(u"sleep " + DecimalText(milliseconds) + u" ms");
  tickCount += milliseconds;
}

}  // namespace setup::testing
