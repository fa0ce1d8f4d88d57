// A scripted Windows for the native tests: a machine described by plain data, and a log
// of every call that changes something or shows something, in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows.h"
#include "platform/windows_constants.h"
#include "ui/run_log.h"

namespace setup::testing {

struct FakeProduct {
  std::int32_t state = 5;
  std::u16string version;
  std::u16string localPackage;
  std::map<std::u16string, std::int32_t> features;
  std::map<std::u16string, std::uint32_t> infoErrors;  // by attribute
};

struct FakePackage {
  std::map<std::u16string, std::u16string> properties;  // absent ones read as empty
  std::map<std::u16string, std::uint32_t> propertyErrors;
  std::optional<std::uint32_t> openError;
};

struct ShownBox {
  std::u16string text;
  std::u16string caption;
  std::uint32_t style;
  bool operator==(const ShownBox&) const = default;
};

// The platform's wildcard match of one file name: '*' and '?', letters compared without
// case (Latin and Cyrillic), blanks at the end of the pattern ignored.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name);

// CommandLineToArgvW's rules, the first argument with the program-name rules.
std::vector<std::u16string> SplitLikeWindows(std::u16string_view commandLine);

class FakeWindows : public Installer,
                    public Processes,
                    public Files,
                    public Certificates,
                    public Desktop,
                    public System {
 public:
  FakeWindows() : windows_{*this, *this, *this, *this, *this, *this} {}
  Windows& windows() { return windows_; }

  // ---- The machine ----
  std::map<std::u16string, FakeProduct> products;  // by product code
  std::map<std::u16string, FakePackage> packages;  // by full path as opened
  std::u16string currentDirectory = u"C:\\dist";
  std::optional<std::uint32_t> currentDirectoryError;
  bool rootEnumerationFails = false;
  // Files and folders below the current directory, relative, listed in the order added,
  // or reversed or shuffled as a FAT stick or a share may list them.
  enum class Listing { kAsAdded, kReversed, kShuffled } listing = Listing::kAsAdded;
  void AddFile(const std::u16string& relativePath) { Add(relativePath, false); }
  void AddDirectory(const std::u16string& relativePath) { Add(relativePath, true); }
  // Certificate files by full path: the names of the certificates each holds. A file
  // that is there but not a certificate store is simply not listed here.
  std::map<std::u16string, std::vector<std::u16string>> certificateFiles;
  std::optional<std::uint32_t> rootStoreError;                // opening the Root store fails
  std::map<std::u16string, std::uint32_t> certificateErrors;  // adding these fails
  std::optional<std::u16string> fullPathOverride;             // what GetFullPathNameW gives, if set
  std::map<std::u16string, Signature> signatures;             // by path; any other file is unsigned
  std::map<std::u16string, BuiltChain> chains;                // by path, on chainRoot
  std::string chainRoot = "pinned root";
  std::u16string programPath = u"C:\\dist\\setup.exe";
  bool fullPathFails = false;

  // Windows keeps its tools in the system folder or C:\WINDOWS; a tool is there when
  // systemFiles lists it.
  std::u16string systemDirectory = u"C:\\WINDOWS\\system32";
  std::vector<std::u16string> systemFiles{u"C:\\WINDOWS\\system32\\msiexec.exe",
                                          u"C:\\WINDOWS\\regedit.exe",
                                          u"C:\\WINDOWS\\system32\\regini.exe"};
  // Files opened for appending and what was written to them, by path; appendError makes
  // every opening fail. Links at a path: its attributes and number of hard links.
  std::map<std::u16string, std::string> writtenFiles;
  std::optional<std::uint32_t> appendError;
  std::map<std::u16string, std::pair<std::uint32_t, std::uint32_t>> fileLinks;
  // What a held file reads as; any other reads as its path. Holding or reading these files
  // fails with the code. The files open when each command
  // ran and each box showed, in the order opened: "append", "held" (shared for reading
  // only) or "unshared", then the path.
  std::map<std::u16string, std::string> contents;
  std::map<std::u16string, std::uint32_t> holdErrors, readErrors;
  std::vector<std::vector<std::u16string>> openAtCommands, openAtBoxes;
  // Folders by full path, with their access (SDDL): none, so no log folder, unless a test
  // adds C:\WINDOWS. Another run holds the files at these paths for so many ms from our
  // first try; nothing opens unshared what is open, this run's own handles too.
  std::map<std::u16string, std::u16string> folders;
  std::map<std::u16string, std::uint32_t> lockHeldFor;
  // What the volume keeps of any access set on a folder: as set, unless given (a FAT
  // volume keeps none); files that can't be made; each package's external cabinets.
  std::optional<std::u16string> volumeAccess;
  std::map<std::u16string, std::uint32_t> createErrors;
  std::map<std::u16string, std::vector<std::u16string>> cabinets;

  // Exit codes by exact command line; other commands exit with defaultExitCode.
  std::map<std::u16string, ProcessOutcome> processOutcomes;
  std::uint32_t defaultExitCode = 0;
  // Runs with every command, after it is logged: lets a test change the machine as an
  // installer would.
  std::function<void(const std::u16string&)> onCommand;
  // Other installations, each as long as its number of milliseconds: the next msiexec
  // start begins the first one, and every start answers 1618 until it is over; the
  // installer's mutex stays owned as long, unless it can't be read.
  std::deque<std::uint32_t> otherInstallations;
  bool installerMutexUnreadable = false;
  std::uint32_t msiexecMilliseconds = 0;  // how long each msiexec run takes on the clock

  // Answers by message text; a Yes/No box otherwise answers Yes, any other box OK.
  std::map<std::u16string, std::int32_t> answers;
  // The buttons checked at Next, or nothing for Cancel; otherwise Next with those it
  // opened with.
  std::optional<std::optional<std::vector<std::uint16_t>>> dialogOutcome;
  bool dialogFails = false;  // DialogBoxParamW answers -1
  bool progressThreadFails = false;
  bool windowStationVisible = true;

  bool administrator = true;
  std::optional<OsVersion> osVersion = OsVersion{6, 1, 1};
  std::optional<OsVersion> realOsVersion;  // what RtlGetVersion says; unset: osVersion
  std::optional<std::uint32_t> sessionId = 1u;
  std::uint16_t uiLanguage = 0x0409;
  bool wow64 = true;
  std::uint32_t restartError = 0;
  std::uint32_t tickCount = 1000;  // moves on by 5 ms at every reading

  // ---- What happened ----
  std::vector<std::u16string> log;
  std::vector<std::u16string> Commands() const;
  std::vector<ShownBox> boxes;
  std::vector<std::u16string> rootStore;  // certificate names, in the order added
  std::vector<std::u16string> programs;   // the program each command was started from
  std::vector<std::vector<std::uint16_t>> dialogsShown;  // the buttons each opened with
  int openInstallerHandles = 0;
  int openStores = 0;

  // ---- Installer ----
  void SetInternalUI(std::uint32_t level) override;
  std::int32_t QueryProductState(const std::u16string& productCode) override;
  std::int32_t QueryFeatureState(const std::u16string& productCode,
                                 const std::u16string& feature) override;
  std::uint32_t ReadProductInfo(const std::u16string& productCode, const std::u16string& attribute,
                                std::u16string& value) override;
  std::uint32_t OpenPackage(const std::u16string& path, std::uint32_t& handle) override;
  std::uint32_t ReadPackageProperty(std::uint32_t package, const std::u16string& property,
                                    std::u16string& value) override;
  void CloseHandle(std::uint32_t handle) override {
    if (openPackages_.erase(handle) == 1) --openInstallerHandles;
  }
  void ForceSourceListResolution(const std::u16string& productCode) override {
    log.push_back(u"source list: resolve " + productCode);
  }
  void SetSourceListPackageName(const std::u16string& productCode,
                                const std::u16string& packageName) override {
    log.push_back(u"source list: " + productCode + u" PackageName=" + packageName);
  }
  // ---- Processes ----
  ProcessOutcome RunAndWait(const std::u16string& program,
                            const std::u16string& commandLine) override;
  InstallerMutex WaitForInstallerMutex(std::uint32_t milliseconds) override;
  // ---- Files ----
  std::optional<std::vector<DirectoryEntry>> FindFiles(const std::u16string& pattern) override;
  std::uint32_t ReadCurrentDirectory(std::u16string& directory) override;
  std::optional<std::u16string> ReadFullPathName(const std::u16string& name) override;
  std::u16string ReadSystemDirectory() override { return systemDirectory; }
  std::u16string ReadWindowsDirectory() override { return u"C:\\WINDOWS"; }
  std::optional<std::uint64_t> ReadFileSize(const std::u16string& path) override;
  OpenedFile OpenForAppending(const std::u16string& path) override;
  OpenedFile HoldFile(const std::u16string& path) override;
  std::uint32_t ReadFileBytes(const std::u16string& path, std::uint32_t,
                              std::string& bytes) override {
    if (readErrors.count(path) != 0) return readErrors.at(path);
    bytes = ToUtf8(path);  // a file's bytes are its path
    return kSuccess;
  }
  OpenedFile OpenUnshared(const std::u16string& path) override;
  std::uint32_t CreateFolder(const std::u16string& path, const std::u16string& sddl) override;
  std::uint32_t ReadSecurity(const std::u16string& path, std::u16string& sddl) override {
    sddl = folders.at(path);
    return kSuccess;
  }
  std::uint32_t WriteSecurity(const std::u16string& path, const std::u16string& sddl) override {
    folders.at(path) = volumeAccess.value_or(sddl);
    return kSuccess;
  }
  std::optional<std::uint32_t> ReadAttributes(const std::u16string& path) override;
  OpenedFile CreateNewFile(const std::u16string& path) override;
  std::uint32_t ReadFileChunk(AppendHandle file, std::uint64_t offset, std::uint32_t size,
                              std::string& bytes) override;
  std::uint32_t RemoveFolder(const std::u16string& path) override {
    return folders.erase(path) == 1 ? kSuccess : kErrorFileNotFound;
  }
  std::uint32_t AddSource(const std::u16string& productCode,
                          const std::u16string& folder) override {
    log.push_back(u"source list: " + productCode + u" add " + folder);
    return kSuccess;
  }
  std::uint32_t ReadCabinets(const std::u16string& package,
                             std::vector<std::u16string>& found) override {
    found = cabinets.count(package) != 0 ? cabinets.at(package) : std::vector<std::u16string>{};
    return kSuccess;
  }
  std::uint32_t RenameFile(const std::u16string& from, const std::u16string& to) override {
    writtenFiles[to] = std::move(writtenFiles.at(from));
    return RemoveFile(from);
  }
  std::uint32_t RemoveFile(const std::u16string& path) override {
    return writtenFiles.erase(path) == 1 ? kSuccess : kErrorFileNotFound;
  }
  std::uint32_t Append(AppendHandle file, const std::string& bytes) override {
    writtenFiles[files_.at(file).second] += bytes;
    return kSuccess;
  }
  void CloseFile(AppendHandle file) override { files_.erase(file); }
  // ---- Certificates ----
  StoreHandle OpenCertificateStore(const std::string& bytes, std::uint32_t& error) override;
  StoreHandle OpenMachineRootStore(std::uint32_t& error) override;
  std::vector<CertificateAddition> AddEveryCertificate(StoreHandle from, StoreHandle to) override;
  std::uint32_t DeleteCertificate(StoreHandle, const std::u16string&) override {
    return kCryptNotFound;
  }
  void CloseStore(StoreHandle store) override;
  // A chain asked for is the one `chains` has for the path, if `root` is its extra store.
  Signature VerifySignature(const std::u16string& path, AppendHandle, std::string_view root,
                            BuiltChain* chain) override;
  bool SameCertificateName(const std::string& a, const std::string& b) override { return a == b; }
  // ---- Desktop ----
  std::int32_t ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                              std::uint32_t style) override;
  SelectionDialogOutcome ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                             const SelectionDialogTexts& texts) override;
  std::unique_ptr<ProgressThread> CreateProgressThread(const std::u16string& title) override;
  bool IsWindowStationVisible() override { return windowStationVisible; }
  // ---- System ----
  std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) override {
    return SplitLikeWindows(commandLine);
  }
  bool IsUserAnAdmin() override { return administrator; }
  std::optional<OsVersion> GetVersion() override { return osVersion; }
  std::optional<OsVersion> ReadRealVersion() override {
    return realOsVersion ? realOsVersion : osVersion;
  }
  std::optional<std::uint32_t> ReadSessionId() override { return sessionId; }
  std::uint16_t GetSystemDefaultUILanguage() override { return uiLanguage; }
  std::u16string ReadProgramPath() override { return programPath; }
  bool IsWow64() override { return wow64; }
  std::optional<std::u16string> LoadStringBlock(std::uint16_t block) override;
  std::uint32_t ReadMachineStrings(const std::u16string&, const std::u16string&,
                                   std::vector<std::u16string>&) override {
    return kErrorFileNotFound;
  }
  std::uint32_t WriteMachineStrings(const std::u16string&, const std::u16string&,
                                    const std::vector<std::u16string>&) override {
    return kSuccess;
  }
  std::uint32_t RestartWindows() override {
    log.push_back(u"restart");
    return restartError;
  }
  LocalTime ReadLocalTime() override { return {2026, 12, 8, 9, 5, 7, 42}; }
  std::uint32_t ReadTickCount() override { return tickCount += 5; }
  void Sleep(std::uint32_t milliseconds) override;

 private:
  struct Entry {
    std::u16string path;  // relative, '\' between components
    bool directory;
  };
  void Add(const std::u16string& relativePath, bool directory);
  StoreHandle OpenStore(const std::u16string& path);  // the root store by an empty path
  std::vector<Entry> entries_;
  std::map<std::uint32_t, std::u16string> openPackages_;
  std::map<StoreHandle, std::u16string> stores_;
  std::vector<std::u16string> OpenFiles() const;
  std::map<AppendHandle, std::pair<const char16_t*, std::u16string>> files_;  // kind, path
  std::uint32_t nextHandle_ = 100;
  std::uint32_t installerBusyUntil_ = 0;  // tick count; 0: free
  std::map<std::u16string, std::uint32_t> lockFreeAt_;
  Windows windows_;
};

// Text for failure output: UTF-8 of a UTF-16 string.
inline std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

}  // namespace setup::testing
