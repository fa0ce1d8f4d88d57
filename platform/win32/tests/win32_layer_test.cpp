// The Win32 layer against the real platform, under Wine or Windows: each case calls a seam
// method the way the core does and checks what the platform answered.
//
//   win32_layer_test.exe WORK_DIR PACKAGE.msi CERTIFICATE.cer WOW64(0|1)
//
// WORK_DIR is an empty writable folder; the package has ProductVersion 1.2.3 and a
// 300-character LongProperty; the certificate is one the machine root store lacks.
// The program also serves as its own child process ("child-exit", "child-cwd").
//
// tests/wine/suites.py (dialog) presses the configuration dialog's buttons from outside:
//   win32_layer_test.exe dialog rus|eng   shows it as the program does, opening with the
//                                         choice for a Russian or an English system, and
//                                         prints how it ended
//   win32_layer_test.exe dialog-state     prints what the open dialog shows
//   win32_layer_test.exe dialog-close     presses its close box
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "packages/package_selection.h"
#include "platform/win32/certificates.h"
#include "platform/win32/desktop.h"
#include "platform/win32/files.h"
#include "platform/win32/installer.h"
#include "platform/win32/processes.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/system.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "ui/message_catalogue.h"
#include "ui/progress_window.h"
#include "ui/selection_dialog.h"

namespace setup::win32 {
namespace {

int failures = 0;

std::string Narrow(const std::u16string& text) {
  std::string narrow(text.size() * 3, '\0');  // at most three bytes for a UTF-16 unit
  narrow.resize(::WideCharToMultiByte(CP_UTF8, 0, Wide(text), static_cast<int>(text.size()),
                                      narrow.data(), static_cast<int>(narrow.size()), nullptr,
                                      nullptr));
  return narrow;
}

void Expect(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

std::u16string OwnPath() {
  wchar_t path[MAX_PATH];
  return FromWide(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
}

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

const std::u16string kAbsentProduct = u"{0D3C9E1A-7B42-4F55-9A6E-3C1B2D4E5F60}";

void TestProcesses(const std::u16string& workDir) {
  struct Case {
    std::u16string program, commandLine;
    bool started;
    std::uint32_t error, exitCode;
  };
  const std::u16string self = OwnPath();
  const Case cases[] = {
      {self, Quoted(self) + u" child-exit 0", true, 0, 0},
      {self, Quoted(self) + u" child-exit 3010", true, 0, 3010},
      {self, Quoted(self) + u" child-exit 1641", true, 0, 1641},
      {self, Quoted(self) + u" child-exit 4294967295", true, 0, 4294967295u},
      {self, Quoted(self) + u" child-cwd " + Quoted(workDir), true, 0, 0},
      {self, Quoted(self) + u" child-abort", true, 0, 8},
      // The program named, not the command line's first word, is what runs.
      {self, u"msiexec child-exit 7", true, 0, 7},
      {workDir + u"\\no-such-program-7f3a.exe", u"no-such-program-7f3a.exe /qn", false,
       ERROR_FILE_NOT_FOUND, 0},
  };
  Win32Processes processes;
  for (const Case& c : cases) {
    const ProcessOutcome outcome = processes.RunAndWait(c.program, c.commandLine);
    Expect(outcome.started == c.started && outcome.error == c.error &&
               outcome.exitCodeRead == c.started && outcome.exitCode == c.exitCode,
           "RunAndWait(" + Narrow(c.commandLine) + ") gives started " +
               std::to_string(outcome.started) + ", error " + std::to_string(outcome.error) +
               ", exit code " + std::to_string(outcome.exitCode));
  }
}

void WriteTestFile(const std::u16string& path, const std::string& contents = {}) {
  const HANDLE file =
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  ::CloseHandle(file);
}

void TestFiles(const std::u16string& workDir) {
  Win32Files files;
  ::CreateDirectoryW(Wide(workDir + u"\\find"), nullptr);
  ::CreateDirectoryW(Wide(workDir + u"\\find\\sub.cer"), nullptr);
  for (const char16_t* name : {u"b.cer", u"a.cer", u"c.txt"}) {
    WriteTestFile(workDir + u"\\find\\" + name);
  }
  const auto found = files.FindFiles(u"find\\*.cer");
  std::vector<std::pair<std::u16string, bool>> entries;
  for (const DirectoryEntry& entry : found.value_or(std::vector<DirectoryEntry>()))
    entries.emplace_back(entry.name, (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  std::sort(entries.begin(), entries.end());
  const std::vector<std::pair<std::u16string, bool>> expected = {
      {u"a.cer", false}, {u"b.cer", false}, {u"sub.cer", true}};
  Expect(entries == expected, "FindFiles lists every match with its directory flag");
  Expect(!files.FindFiles(u"find\\*.p7b"), "FindFiles gives nothing when nothing matches");

  std::u16string current;
  const std::uint32_t result = files.ReadCurrentDirectory(current);
  Expect(result == 0 && current == workDir, "ReadCurrentDirectory gives " + Narrow(current));

  Expect(files.ReadFullPathName(u"root.cer") == workDir + u"\\root.cer",
         "ReadFullPathName of a bare name");
  // Longer than MAX_PATH: the buffer must grow to what the platform asks for.
  const std::u16string longName(300, u'n');
  Expect(files.ReadFullPathName(longName) == workDir + u"\\" + longName,
         "ReadFullPathName of a name longer than MAX_PATH");

  const std::u16string system = files.ReadSystemDirectory();
  const std::u16string windows = files.ReadWindowsDirectory();
  Expect(!system.empty() && system.back() != u'\\' && files.ReadFileSize(system + u"\\msiexec.exe"),
         "ReadSystemDirectory gives " + Narrow(system) + ", which holds msiexec.exe");
  Expect(!windows.empty() && system.rfind(windows, 0) == 0,
         "ReadWindowsDirectory gives " + Narrow(windows));
  Expect(!files.ReadFileSize(workDir + u"\\find") && !files.ReadFileSize(workDir + u"\\none"),
         "ReadFileSize gives nothing for a folder and for a missing file");

  const std::u16string log = workDir + u"\\журнал.log", linked = workDir + u"\\linked.log";
  OpenedFile opened = files.OpenForAppending(log);
  Expect(opened.handle != 0 && !opened.existed && opened.links == 1 && opened.size == 0 &&
             files.Append(opened.handle, "1\n") == 0,
         "OpenForAppending creates a plain file with one link; Append writes");
  files.CloseFile(opened.handle);
  opened =
      files.OpenForAppending(::CreateHardLinkW(Wide(linked), Wide(log), nullptr) ? linked : log);
  Expect(opened.existed && opened.size == 2 && opened.links == 2 &&
             files.Append(opened.handle, "2\n") == 0 && files.ReadFileSize(log) == 4u,
         "OpenForAppending counts a second hard link made by CreateHardLinkW; Append appends");
  files.CloseFile(opened.handle);
  opened = files.OpenForAppending(workDir + u"\\no-folder\\x.log");
  Expect(opened.handle == 0 && opened.error == ERROR_PATH_NOT_FOUND,
         "OpenForAppending into a missing folder fails with its error");
}

void TestStringTable() {
  Win32System system(::GetModuleHandleW(nullptr));
  for (std::uint16_t block : {7, 8, 9, 10}) {
    const auto loaded = system.LoadStringBlock(block);
    Expect(loaded && *loaded == BuildStringBlock(MessageCatalogue(), block),
           "string block " + std::to_string(block) + " holds the catalogue's messages");
  }
  for (std::uint16_t block : {1, 6, 11})
    Expect(!system.LoadStringBlock(block), "string block " + std::to_string(block) + " absent");
}

void TestSplitCommandLine() {
  const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
      {u"-csp -KC 2 -Lang rus", {u"-csp", u"-KC", u"2", u"-Lang", u"rus"}},
      {u"-VelumArgs \"A=1 B=2\" -silent", {u"-VelumArgs", u"A=1 B=2", u"-silent"}},
      // No program name is put in front: the first argument is read by the rules for one,
      // where backslashes escape nothing.
      {u"\"a\\\\\" -x a\\\\\"b c\" d\\e", {u"a\\\\", u"-x", u"a\\b c", u"d\\e"}},
      {u"-Lang Русский", {u"-Lang", u"Русский"}},
  };
  Win32System system(::GetModuleHandleW(nullptr));
  for (const auto& [commandLine, arguments] : cases) {
    const std::vector<std::u16string> split = system.SplitCommandLine(commandLine);
    std::string shown;
    for (const std::u16string& argument : split) shown += " [" + Narrow(argument) + "]";
    Expect(split == arguments, "SplitCommandLine(" + Narrow(commandLine) + ") gives" + shown);
  }
}

void TestSystemQueries(bool wow64) {
  Win32System system(::GetModuleHandleW(nullptr));
  Expect(system.IsUserAnAdmin(), "IsUserAnAdmin is found and answers for the administrator");
  const auto version = system.GetVersion();
  Expect(version && version->major >= 5, "GetVersion reads the extended version record");
  const auto real = system.ReadRealVersion();
  Expect(real && real->major >= version->major, "ReadRealVersion reads RtlGetVersion");
  Expect(system.ReadSessionId().has_value(), "ReadSessionId finds ProcessIdToSessionId");
  Expect(Win32Processes().WaitForInstallerMutex(0) == InstallerMutex::kFree,
         "no installation running: the installer's mutex is free");
  Expect(system.IsWow64() == wow64 && system.IsWow64() == wow64,
         std::string("IsWow64 answers ") + (wow64 ? "true" : "false") + ", twice");
  const LocalTime now = system.ReadLocalTime();
  Expect(now.year >= 2020 && now.month >= 1 && now.month <= 12, "ReadLocalTime");
  Win32Desktop desktop(::GetModuleHandleW(nullptr));
  Expect(desktop.IsWindowStationVisible(), "IsWindowStationVisible on the interactive station");
}

void TestInstaller(const std::u16string& workDir, const std::u16string& packagePath) {
  Win32Installer installer;
  installer.SetInternalUI(2);
  Expect(installer.QueryProductState(kAbsentProduct) == -1,
         "QueryProductState of an absent product");
  std::u16string value = u"preset";
  Expect(
      installer.ReadProductInfo(kAbsentProduct, u"VersionString", value) == ERROR_UNKNOWN_PRODUCT &&
          value == u"preset",
      "ReadProductInfo of an absent product fails and leaves the value");
  std::uint32_t handle = 77;
  Expect(installer.OpenPackage(workDir + u"\\missing.msi", handle) != 0 && handle == 77,
         "OpenPackage of a missing file fails and leaves the handle");
  handle = 0;
  Expect(installer.OpenPackage(packagePath, handle) == 0 && handle != 0, "OpenPackage");
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"ProductVersion", u"1.2.3"},
      {u"ISReleaseFlags", u"kc2,rus"},
      {u"LongProperty", std::u16string(300, u'L')},
  };
  for (const auto& [property, expected] : cases) {
    std::u16string read = u"preset";
    const std::uint32_t result = installer.ReadPackageProperty(handle, property, read);
    Expect(result == 0 && read == expected, "ReadPackageProperty(" + Narrow(property) + ") gives " +
                                                std::to_string(result) + " and " +
                                                Narrow(read.substr(0, 40)));
  }
  installer.CloseHandle(handle);
  // Their results are not used; they must only return for a product the system lacks.
  installer.ForceSourceListResolution(kAbsentProduct);
  installer.SetSourceListPackageName(kAbsentProduct, u"package.msi");
}

// Through the system's crypt32.dll by path, as the layer does: a static import would load
// the copy planted beside this program.
int CountRootCertificates() {
  const HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
  const auto open = FindFunction<decltype(&::CertOpenStore)>(crypt32, "CertOpenStore");
  const auto next = FindFunction<decltype(&::CertEnumCertificatesInStore)>(
      crypt32, "CertEnumCertificatesInStore");
  const auto close = FindFunction<decltype(&::CertCloseStore)>(crypt32, "CertCloseStore");
  const HCERTSTORE root =
      open(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  int count = 0;
  for (PCCERT_CONTEXT c = nullptr; (c = next(root, c)) != nullptr;) ++count;
  close(root, 0);
  return count;
}

void TestCertificates(const std::u16string& certificatePath) {
  Win32Certificates certificates;
  std::uint32_t error = 0;
  Expect(certificates.OpenCertificateStore("not a certificate", error) == 0 && error != 0,
         "OpenCertificateStore refuses bytes of garbage, with the platform's error");
  const int before = CountRootCertificates();
  std::string bytes;
  Win32Files().ReadFileBytes(certificatePath, 1 << 20, bytes);
  const StoreHandle file = certificates.OpenCertificateStore(bytes, error);
  const StoreHandle root = certificates.OpenMachineRootStore(error);
  Expect(file != 0 && root != 0, "OpenCertificateStore and OpenMachineRootStore");
  const std::vector<CertificateAddition> added = certificates.AddEveryCertificate(file, root);
  const std::u16string thumbprint = added.empty() ? u"" : added[0].thumbprint;
  Expect(added.size() == 1 && !added[0].alreadyPresent && added[0].error == 0 &&
             thumbprint.size() == 40 &&
             thumbprint.find_first_not_of(u"0123456789ABCDEF") == std::u16string::npos,
         "AddEveryCertificate gives the SHA-1 thumbprint of what it added: " + Narrow(thumbprint));
  const std::vector<CertificateAddition> again = certificates.AddEveryCertificate(file, root);
  Expect(again.size() == 1 && again[0].alreadyPresent && again[0].error == 0,
         "a second addition finds the certificate already present");
  certificates.CloseStore(root);
  certificates.CloseStore(file);
  Expect(CountRootCertificates() == before + 1, "the certificate reached the machine root store");
}

BOOL CALLBACK CollectFrame(HWND window, LPARAM frames) {
  wchar_t className[32] = {};
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId() && ::GetClassNameW(window, className, 32) > 0 &&
      std::wstring(className) == L"Message")
    reinterpret_cast<std::vector<HWND>*>(frames)->push_back(window);
  return TRUE;
}

// The progress windows of this process: top-level windows of the class "Message".
std::vector<HWND> ProgressFrames() {
  std::vector<HWND> frames;
  ::EnumWindows(&CollectFrame, reinterpret_cast<LPARAM>(&frames));
  return frames;
}

// Polls `done` for up to five seconds.
template <typename Condition>
bool Eventually(Condition done) {
  for (int i = 0; i < 250; ++i, ::Sleep(20))
    if (done()) return true;
  return done();
}

void CheckProgressWindow(HWND frame) {
  RECT outer{};
  ::GetWindowRect(frame, &outer);
  const WindowRect expected =
      ProgressWindowRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  Expect(outer.left == expected.x && outer.top == expected.y &&
             outer.right - outer.left == expected.width &&
             outer.bottom - outer.top == expected.height,
         "the progress window stands centred, 300 x 58");
  const HWND bar = ::FindWindowExW(frame, nullptr, L"msctls_progress32", nullptr);
  RECT barRect{};
  ::GetWindowRect(bar, &barRect);
  Expect(bar != nullptr && ::IsWindowVisible(frame) &&
             static_cast<DWORD>(::GetWindowLongW(bar, GWL_STYLE)) == 0x50000008 &&
             barRect.right - barRect.left == 296 && barRect.bottom - barRect.top == 33,
         "a visible marquee bar of 296 x 33 fills it");
}

void TestProgressThread() {
  Win32Desktop desktop(::GetModuleHandleW(nullptr));
  {
    auto progress = desktop.CreateProgressThread(u"Установка...");
    const DWORD start = ::GetTickCount();
    progress->Stop();
    Expect(::GetTickCount() - start < 2000 && ProgressFrames().empty(),
           "Stop before Resume ends the thread without a window");
  }
  {
    auto progress = desktop.CreateProgressThread(u"Установка...");
    progress->Resume();
    progress->Resume();
    // The frame exists a moment before its bar is made and it is shown: wait for both.
    Expect(Eventually([] {
             const std::vector<HWND> frames = ProgressFrames();
             return frames.size() == 1 && ::IsWindowVisible(frames[0]) &&
                    ::FindWindowExW(frames[0], nullptr, L"msctls_progress32", nullptr) != nullptr;
           }),
           "Resume shows one window");
    const std::vector<HWND> frames = ProgressFrames();
    if (frames.size() == 1) CheckProgressWindow(frames[0]);
    progress->Stop();
    Expect(ProgressFrames().empty(), "Stop takes the window away before it returns");
    progress->Stop();
    progress->Resume();
    Expect(ProgressFrames().empty(), "Stop and Resume after Stop do nothing");
  }
  // Stop right after Resume meets the thread before, during or after it makes its queue.
  const DWORD start = ::GetTickCount();
  for (int i = 0; i < 40; ++i) {
    auto progress = desktop.CreateProgressThread(u"race");
    progress->Resume();
    if (i % 2 == 0) ::Sleep(static_cast<DWORD>(i % 7));
    progress->Stop();
  }
  Expect(::GetTickCount() - start < 20000 && ProgressFrames().empty(),
         "Stop right after Resume never hangs and leaves no window");
  desktop.CreateProgressThread(u"destroyed")->Resume();
  Expect(ProgressFrames().empty(), "destroying a running progress thread stops it");
}

int ChildMain(int argc, wchar_t** argv) {
  const std::u16string mode = FromWide(argv[1]);
  if (mode == u"child-exit" && argc == 3)
    ::ExitProcess(static_cast<UINT>(std::wcstoul(argv[2], nullptr, 10)));
  if (mode == u"child-abort") {
    EndAbortWith(8);
    std::abort();
  }
  if (mode == u"child-cwd" && argc == 3) {
    std::u16string current;
    return Win32Files().ReadCurrentDirectory(current) == 0 && current == FromWide(argv[2]) ? 0 : 1;
  }
  return 2;
}

// The controls of the selection dialog's template, in template order.
constexpr std::uint16_t kDialogControls[] = {
    IDC_NEXT, IDCANCEL,           IDC_RUSSIAN,     IDC_ENGLISH,      IDC_KC1,     IDC_KC2,
    IDC_KC3,  IDC_LANGUAGE_GROUP, IDC_LEVEL_GROUP, IDC_SLOGAN_GROUP, IDC_OPTIONS, IDC_WELCOME_TEXT};

HWND FindSelectionDialog() { return ::FindWindowW(L"#32770", L"VOZEdove"); }

std::u16string WindowText(HWND window) {
  wchar_t text[512] = {};
  const LRESULT length = ::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return FromWide(text, static_cast<std::size_t>(length));
}

// One line per property, for the driving script: "name value...".
int PrintDialogState() {
  const HWND dialogWindow = FindSelectionDialog();
  if (dialogWindow == nullptr) {
    std::printf("absent\n");
    return 1;
  }
  std::printf("title %s\n", Narrow(WindowText(dialogWindow)).c_str());
  std::string visible, checked;
  for (const std::uint16_t id : kDialogControls) {
    const HWND control = ::GetDlgItem(dialogWindow, id);
    if (control == nullptr) continue;
    if (::IsWindowVisible(control)) visible += " " + std::to_string(id);
    if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
      checked += " " + std::to_string(id);
    RECT rect{};
    ::GetWindowRect(control, &rect);
    std::printf("centre %u %ld %ld\n", id, (rect.left + rect.right) / 2,
                (rect.top + rect.bottom) / 2);
  }
  std::printf("visible%s\nchecked%s\n", visible.c_str(), checked.c_str());
  std::printf("caption %s\n", Narrow(WindowText(::GetDlgItem(dialogWindow, 1015))).c_str());

  GUITHREADINFO thread{};
  thread.cbSize = sizeof(thread);
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialogWindow, nullptr), &thread);
  std::printf("focus %d\n", thread.hwndFocus ? ::GetDlgCtrlID(thread.hwndFocus) : -1);

  RECT outer{}, area{};
  ::GetWindowRect(dialogWindow, &outer);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  std::printf("offcentre %ld %ld\n", (outer.left + outer.right) / 2 - (area.left + area.right) / 2,
              (outer.top + outer.bottom) / 2 - (area.top + area.bottom) / 2);
  std::printf("style %#lx %#lx\n",
              static_cast<unsigned long>(::GetWindowLongW(dialogWindow, GWL_STYLE)),
              static_cast<unsigned long>(::GetWindowLongW(dialogWindow, GWL_EXSTYLE)));
  return 0;
}

// Wine answers WM_GETICON from another process with nothing, so the dialog's own process
// looks at its icon once the dialog is up.
DWORD WINAPI PrintDialogIcon(void*) {
  HWND dialogWindow = nullptr;
  Eventually([&] {
    dialogWindow = FindSelectionDialog();
    return dialogWindow != nullptr && ::IsWindowVisible(dialogWindow);
  });
  const auto icon = reinterpret_cast<HICON>(::SendMessageW(dialogWindow, WM_GETICON, ICON_BIG, 0));
  ICONINFO info{};
  BITMAP colour{};
  if (icon != nullptr && ::GetIconInfo(icon, &info)) {
    ::GetObjectW(info.hbmColor, sizeof(colour), &colour);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
  }
  std::printf("icon %d %ld %ld\n", icon != nullptr, colour.bmWidth, colour.bmHeight);
  std::fflush(stdout);
  return 0;
}

int ShowDialog(const std::u16string& language) {
  const KernelHandle iconWatch(::CreateThread(nullptr, 0, &PrintDialogIcon, nullptr, 0, nullptr));
  Win32Installer installer;
  Win32Processes processes;
  Win32Files files;
  Win32Certificates certificates;
  Win32Desktop desktop(::GetModuleHandleW(nullptr));
  Win32System system(::GetModuleHandleW(nullptr));
  Windows windows{installer, processes, files, certificates, desktop, system};
  // The captions as the program has them: from its own string table.
  const auto outcome = desktop.ShowSelectionDialog(
      InitialDialogChoice(language == u"rus" ? kRussianLanguageId : 0x0409),
      LoadSelectionDialogTexts(windows));
  std::string shown = outcome.failed ? "failed" : outcome.next ? "next" : "cancelled";
  if (outcome.next) {
    PackageSelection selection;
    AppendDialogChoice(*outcome.next, selection);
    shown += " " + Narrow(selection.levelPattern) + " " + Narrow(selection.languagePattern);
  }
  ::WaitForSingleObject(iconWatch.Get(), 10000);
  std::printf("outcome %s\n", shown.c_str());
  return 0;
}

int DialogMain(int argc, wchar_t** argv) {
  const std::u16string mode = FromWide(argv[1]);
  if (mode == u"dialog" && argc == 3) return ShowDialog(FromWide(argv[2]));
  if (mode == u"dialog-state") return PrintDialogState();
  if (mode == u"dialog-close") {
    const HWND dialogWindow = FindSelectionDialog();
    return dialogWindow != nullptr && ::PostMessageW(dialogWindow, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0
                                                                                               : 1;
  }
  return 2;
}

}  // namespace
}  // namespace setup::win32

int wmain(int argc, wchar_t** argv) {
  using namespace setup::win32;
  if (argc >= 2 && std::wstring(argv[1]).rfind(L"child-", 0) == 0) return ChildMain(argc, argv);
  if (argc >= 2 && std::wstring(argv[1]).rfind(L"dialog", 0) == 0) return DialogMain(argc, argv);
  if (argc != 5) {
    std::printf("usage: win32_layer_test WORK_DIR PACKAGE.msi CERTIFICATE.cer WOW64(0|1)\n");
    return 2;
  }
  RestrictLibrarySearch();
  const std::u16string workDir = FromWide(argv[1]);
  ::SetCurrentDirectoryW(argv[1]);
  TestProcesses(workDir);
  TestFiles(workDir);
  TestStringTable();
  TestSplitCommandLine();
  TestSystemQueries(std::wstring(argv[4]) == L"1");
  TestInstaller(workDir, FromWide(argv[2]));
  TestCertificates(FromWide(argv[3]));
  TestProgressThread();
  std::printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
