// The seam between the program's decisions and Windows: one small interface per
// platform family, gathered in `Windows`. Each method is one platform call or idiom
// and decides nothing; platform/win32/ implements them, tests/support/ fakes them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace setup {

// Windows Installer (msi.dll).
class Installer {
 public:
  virtual ~Installer() = default;
  // MsiSetInternalUI(level, NULL).
  virtual void SetInternalUI(std::uint32_t level) = 0;
  // MsiQueryProductStateW: an INSTALLSTATE value.
  virtual std::int32_t QueryProductState(const std::u16string& productCode) = 0;
  // MsiQueryFeatureStateW: an INSTALLSTATE value.
  virtual std::int32_t QueryFeatureState(const std::u16string& productCode,
                                         const std::u16string& feature) = 0;
  // MsiGetProductInfoW with its two-call buffer protocol: a first call with no buffer,
  // then one with room for the returned length. `value` is written only on success.
  virtual std::uint32_t ReadProductInfo(const std::u16string& productCode,
                                        const std::u16string& attribute, std::u16string& value) = 0;
  // MsiOpenPackageExW(path, MSIOPENPACKAGEFLAGS_IGNOREMACHINESTATE, &handle).
  virtual std::uint32_t OpenPackage(const std::u16string& path, std::uint32_t& handle) = 0;
  // MsiGetPropertyW with its two-call protocol: a first call with an empty buffer;
  // only ERROR_MORE_DATA leads to the second call. A first result of 0 leaves `value`
  // as it was; `value` is written only when the second call succeeds.
  virtual std::uint32_t ReadPackageProperty(std::uint32_t package, const std::u16string& property,
                                            std::u16string& value) = 0;
  // MsiCloseHandle.
  virtual void CloseHandle(std::uint32_t handle) = 0;
  // MsiSourceListForceResolutionW(productCode, NULL, 0); the result is not used.
  virtual void ForceSourceListResolution(const std::u16string& productCode) = 0;
  // MsiSourceListSetInfoW(productCode, NULL, MSIINSTALLCONTEXT_MACHINE, MSICODE_PRODUCT,
  // "PackageName", packageName); the result is not used.
  virtual void SetSourceListPackageName(const std::u16string& productCode,
                                        const std::u16string& packageName) = 0;
};

// What became of a child process.
struct ProcessOutcome {
  // CreateProcessW succeeded.
  bool started = false;
  // GetLastError after a failed start, or after a failed GetExitCodeProcess.
  std::uint32_t error = 0;
  // GetExitCodeProcess succeeded; `exitCode` holds the child's code.
  bool exitCodeRead = false;
  std::uint32_t exitCode = 0;
  // WaitForSingleObject did not see the child end: `error` is the wait's, and no exit
  // code was read from a process that may still be running.
  bool waitFailed = false;
};

// The Windows Installer's "another installation is running" mutex, as seen by a wait.
enum class InstallerMutex {
  kFree,        // not owned by anybody, or not there at all
  kOwned,       // still owned when the time was up
  kUnreadable,  // could not be opened or waited for
};

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW(program, private writable copy of the command line; no inheritance,
  // CREATE_NO_WINDOW, inherited environment and current directory),
  // WaitForSingleObject(INFINITE), GetExitCodeProcess, then both handles closed.
  virtual ProcessOutcome RunAndWait(const std::u16string& program,
                                    const std::u16string& commandLine) = 0;
  // OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, "Global\_MSIExecute"), then
  // WaitForSingleObject for at most `milliseconds`; a wait that was given the mutex
  // releases it at once, so that the installer never finds it held by us.
  virtual InstallerMutex WaitForInstallerMutex(std::uint32_t milliseconds) = 0;
};

// A file opened for appending; 0 is none.
using AppendHandle = std::uintptr_t;

// What opening a file for appending found: the file at the path itself, never what a
// link there leads to.
struct OpenedFile {
  AppendHandle handle = 0;  // 0: not opened, `error` says why
  std::uint32_t error = 0;
  bool existed = false;  // it was there before, not made by this call
  std::uint32_t attributes = 0;
  std::uint32_t links = 0;  // its hard links, the path's included
  std::uint64_t size = 0;
};

struct DirectoryEntry {
  std::u16string name;  // the long name (cFileName)
  std::uint32_t attributes = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // FindFirstFileW / FindNextFileW / FindClose over a relative or absolute pattern, in
  // the order the platform returns the entries. Nothing when the first call fails.
  virtual std::optional<std::vector<DirectoryEntry>> FindFiles(const std::u16string& pattern) = 0;
  // GetCurrentDirectoryW, with a buffer as large as the platform asks for. Returns 0 and
  // fills `directory`, or the GetLastError code.
  virtual std::uint32_t ReadCurrentDirectory(std::u16string& directory) = 0;
  // GetFullPathNameW for a name, with a buffer as large as the platform asks for.
  // Nothing when the call fails.
  virtual std::optional<std::u16string> ReadFullPathName(const std::u16string& name) = 0;
  // GetSystemDirectoryW and GetSystemWindowsDirectoryW (the machine's Windows folder, also
  // on a Remote Desktop host), with a buffer as large as the platform asks for; empty when
  // the call fails.
  virtual std::u16string ReadSystemDirectory() = 0;
  virtual std::u16string ReadWindowsDirectory() = 0;
  // GetFileAttributesExW: a file's size; nothing for a folder or when it fails.
  virtual std::optional<std::uint64_t> ReadFileSize(const std::u16string& path) = 0;
  // CreateFileW(FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, shared for reading and writing,
  // OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT), then GetFileInformationByHandle; a file
  // whose information can't be read is closed again.
  virtual OpenedFile OpenForAppending(const std::u16string& path) = 0;
  // The same, but GENERIC_READ, shared for reading only, OPEN_EXISTING, a link followed as
  // every reader follows it: while it is open nobody can write, rename or delete the file,
  // and whoever only reads it (msiexec, WinVerifyTrust) still can.
  virtual OpenedFile HoldFile(const std::u16string& path) = 0;
  // CreateFileW(GENERIC_READ, shared for reading only, OPEN_EXISTING), GetFileSize, then
  // ReadFile of the whole file into `bytes`: 0, the GetLastError code of the step that
  // failed, or ERROR_FILE_TOO_LARGE above `limit` bytes (nothing read then).
  virtual std::uint32_t ReadFileBytes(const std::u16string& path, std::uint32_t limit,
                                      std::string& bytes) = 0;
  // CreateFileW(GENERIC_READ, no sharing, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT): only
  // `handle` and `error` are set.
  virtual OpenedFile OpenUnshared(const std::u16string& path) = 0;
  // CreateDirectoryW with the security descriptor ConvertStringSecurityDescriptorTo-
  // SecurityDescriptorW makes of `sddl`: 0 or the GetLastError code.
  virtual std::uint32_t CreateFolder(const std::u16string& path, const std::u16string& sddl) = 0;
  // GetNamedSecurityInfoW(owner, DACL) as ConvertSecurityDescriptorToStringSecurity-
  // DescriptorW writes it: 0 and `sddl`, or the error.
  virtual std::uint32_t ReadSecurity(const std::u16string& path, std::u16string& sddl) = 0;
  // SetNamedSecurityInfoW(owner and protected DACL) of `sddl`'s descriptor: 0 or the error.
  virtual std::uint32_t WriteSecurity(const std::u16string& path, const std::u16string& sddl) = 0;
  // MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING), DeleteFileW, WriteFile of every
  // byte: 0 or the GetLastError code.
  virtual std::uint32_t RenameFile(const std::u16string& from, const std::u16string& to) = 0;
  virtual std::uint32_t RemoveFile(const std::u16string& path) = 0;
  virtual std::uint32_t Append(AppendHandle file, const std::string& bytes) = 0;
  // CloseHandle.
  virtual void CloseFile(AppendHandle file) = 0;
};

// Certificate store handles; 0 is no store.
using StoreHandle = std::uintptr_t;

struct CertificateAddition {
  std::u16string thumbprint;  // SHA-1 (CERT_SHA1_HASH_PROP_ID), upper-case hexadecimal
  bool alreadyPresent = false;
  std::uint32_t error = 0;  // the addition's GetLastError code; 0: added
};

// A file's Authenticode signature, as WinVerifyTrust judged it.
struct Signature {
  std::uint32_t trust = 0;  // its answer: 0 for a valid signature, else a TRUST_E_ or CERT_E_ code
  bool signerRead = false;  // the signer's certificate was there, its hash read
  std::string subject;      // its subject name as encoded in the certificate
  std::u16string signer;    // its subject as shown (CERT_NAME_SIMPLE_DISPLAY_TYPE)
  std::u16string thumbprint;    // SHA-1 of the encoded certificate, upper-case hexadecimal
  std::uint32_t lastError = 0;  // GetLastError right after it: why there is no signature
};

class Certificates {
 public:
  virtual ~Certificates() = default;
  // WinVerifyTrust(WINTRUST_ACTION_GENERIC_VERIFY_V2) of the file with no UI, no revocation
  // check and no URL fetched, the signer's certificate from WTHelperProvDataFromStateData and
  // WTHelperGetProvSignerFromChain (its hash: CertGetCertificateContextProperty(
  // CERT_SHA1_HASH_PROP_ID)), then the state closed. With `file`, a handle of that file open
  // for reading, WinVerifyTrust reads through it instead of opening the path again.
  virtual Signature VerifySignature(const std::u16string& path, AppendHandle file = 0) = 0;
  // CertCompareCertificateName(X509 | PKCS_7, a, b).
  virtual bool SameCertificateName(const std::string& a, const std::string& b) = 0;
  // CryptQueryObject(CERT_QUERY_OBJECT_BLOB, bytes, a certificate, a PKCS #7 message or a
  // serialized store, binary or Base64) and the store it gives; on failure 0 and the
  // GetLastError code in `error`.
  virtual StoreHandle OpenCertificateStore(const std::string& bytes, std::uint32_t& error) = 0;
  // CertOpenStore(CERT_STORE_PROV_SYSTEM_W, X509 | PKCS_7, 0,
  // CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root"); on failure 0 and the code in `error`.
  virtual StoreHandle OpenMachineRootStore(std::uint32_t& error) = 0;
  // CertEnumCertificatesInStore over `from`; for each context CertFindCertificateInStore
  // (CERT_FIND_SHA1_HASH) in `to`, then CertAddCertificateContextToStore(
  // CERT_STORE_ADD_ALWAYS) into `to`: what became of each, in the file's order.
  virtual std::vector<CertificateAddition> AddEveryCertificate(StoreHandle from,
                                                               StoreHandle to) = 0;
  // CertCloseStore(store, 0).
  virtual void CloseStore(StoreHandle store) = 0;
};

// The progress window's thread, created suspended. Stop() makes its window go and waits
// for the thread; it is safe before the window exists and when nothing was created.
class ProgressThread {
 public:
  virtual ~ProgressThread() = default;
  virtual void Resume() = 0;
  virtual void Stop() = 0;
};

// The Options button's two captions, from the program's messages.
struct SelectionDialogTexts {
  std::u16string options;  // the compact view's
  std::u16string hide;     // the expanded view's
};

struct SelectionDialogOutcome {
  // DialogBoxParamW answered -1: there was no dialog; `error` is its GetLastError code.
  bool failed = false;
  std::uint32_t error = 0;
  // Next: the choice buttons checked then; Cancel, Escape or the close box: nothing.
  std::optional<std::vector<std::uint16_t>> next;
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // MessageBoxW(NULL, text, caption, style): the button pressed; 0 when no box could be
  // shown.
  virtual std::int32_t ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                                      std::uint32_t style) = 0;
  // DialogBoxParamW(instance, IDD_SELECTION, NULL, ...), modal, its procedure given the
  // dialog's own state, with the radio buttons `checked` checked and the Options button's
  // captions `texts`.
  virtual SelectionDialogOutcome ShowSelectionDialog(const std::vector<std::uint16_t>& checked,
                                                     const SelectionDialogTexts& texts) = 0;
  // Creates the progress thread suspended, with the window title it will show. Nothing
  // when the thread cannot be created.
  virtual std::unique_ptr<ProgressThread> CreateProgressThread(const std::u16string& title) = 0;
  // GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS): WSF_VISIBLE set. A
  // window station that can't be asked counts as visible, as the program always assumed.
  virtual bool IsWindowStationVisible() = 0;
};

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint16_t servicePackMajor = 0;
  std::uint32_t build = 0;
};

struct LocalTime {
  std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

class System {
 public:
  virtual ~System() = default;
  // CommandLineToArgvW, the array released with LocalFree.
  virtual std::vector<std::u16string> SplitCommandLine(const std::u16string& commandLine) = 0;
  // IsUserAnAdmin.
  virtual bool IsUserAnAdmin() = 0;
  // GetVersionExW on an OSVERSIONINFOEXW (size 284). Nothing when it fails.
  virtual std::optional<OsVersion> GetVersion() = 0;
  // RtlGetVersion (ntdll, looked up at run time), which is not held to the versions the
  // manifest names; GetVersionExW where it is missing or fails.
  virtual std::optional<OsVersion> ReadRealVersion() = 0;
  // ProcessIdToSessionId(GetCurrentProcessId()), looked up at run time. Nothing when it
  // is missing or fails.
  virtual std::optional<std::uint32_t> ReadSessionId() = 0;
  // GetSystemDefaultUILanguage.
  virtual std::uint16_t GetSystemDefaultUILanguage() = 0;
  // GetModuleFileNameW(NULL), with a buffer as large as the path needs; empty when it fails.
  virtual std::u16string ReadProgramPath() = 0;
  // IsWow64Process(GetCurrentProcess()), looked up at run time once (Windows 2000 has
  // none): true only when the call succeeds and says so.
  virtual bool IsWow64() = 0;
  // FindResourceExW(module, RT_STRING, block, LANG_NEUTRAL) in the program's own image,
  // loaded and locked: the block's 16-bit units. Nothing when the block is absent.
  virtual std::optional<std::u16string> LoadStringBlock(std::uint16_t block) = 0;

  // The restart: the shutdown privilege enabled on the process token, then
  // ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, SHTDN_REASON_MAJOR_APPLICATION), which
  // asks the other programs to close and ends only the hung ones. 0 when Windows took
  // the request, else the error of the step that failed.
  virtual std::uint32_t RestartWindows() = 0;
  // GetLocalTime and GetTickCount, for the run's record and its waits.
  virtual LocalTime ReadLocalTime() = 0;
  virtual std::uint32_t ReadTickCount() = 0;
  // Sleep.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// Everything the program asks of Windows, handed by reference to the flows.
struct Windows {
  Installer& installer;
  Processes& processes;
  Files& files;
  Certificates& certificates;
  Desktop& desktop;
  System& system;
};

}  // namespace setup
