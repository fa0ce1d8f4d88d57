// The run's record: what the log of each kind of run holds, its bytes, and a log that
// can't be written.
#include <gtest/gtest.h>

#include "app/main_flow.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "program_version.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"
#include "ui/log_folder.h"

namespace setup::testing {
namespace {

// A distribution with the card provider's files and a certificate, the provider installed
// in an older version, and the plug-in's installation asking for a restart.
FakeWindows LoggedMachine() {
  FakeWindows fake = Distribution();
  fake.AddFile(u"root.cer");
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"3F2A"};
  fake.osVersion = OsVersion{6, 1, 1, 7601};
  fake.packages[u"C:\\dist\\csp\\csp-x64-kc1-eng.msi"].properties[u"ProductVersion"] = u"4.0.1";
  Install(fake, {kProviderProductCode, u"3.6.10000", u"kc1", u"1033"});
  fake.defaultExitCode = kSuccessRebootRequired;
  return fake;
}

// Where the run's copies go, in the folder the run made for its log.
#define COPIES u"C:\\WINDOWS\\Logs\\Orventa\\copies-20261208-090507-1\\"

TEST(RunLog, RecordsEveryDecisionProgramAndAnswerOfARun) {
  FakeWindows fake = LoggedMachine();
  fake.folders[u"C:\\WINDOWS"] = u"";
  fake.defaultExitCode = kSuccess;
  fake.processOutcomes[u"msiexec /qn /i \"" COPIES u"velumcom-2.1.0-x64.msi\"  REBOOT=R /l*v+ "
                       u"\"C:\\logs\\setup.log.20261208-090507-3.msiexec.log\""] =
      Exited(kSuccessRebootRequired);
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -ucsp -log C:\\logs\\setup.log -KC 1"), kSuccess);
  std::string expected = "\xEF\xBB\xBF";
  for (const char16_t* line : {
           u"setup.exe " PROGRAM_BUILD ", command line: -csp -ucsp -log C:\\logs\\setup.log -KC 1",
           u"trust: a development build, no pins",
           u"start folder (current folder): C:\\dist",
           u"Windows 6.1.7601, service pack 1",
           u"64-bit Windows: yes, administrator: yes",
           u"interactive: yes",
           u"folder C:\\WINDOWS\\Logs made, for administrators only",
           u"packages: not checked, setup.exe is not signed (0x800b0100)",
           u"message 125 shown, answered Yes",
           u"from the options: level pieces \"*1*\", language pieces \"\"",
           u"language piece \"eng*\" from the system UI language",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: state 5",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: ISReleaseFlags \"kc1\" gives \"kc1*\"",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: ProductLanguage \"1033\" gives "
           u"\"eng*\"",
           u"package \"csp*x64*kc1*eng*\": C:\\dist\\csp\\csp-x64-kc1-eng.msi (matches: 1)",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: installed version 3.6.10000, package "
           u"version 4.0.1 (newer)",
           u"provider: installed, the package is the same or newer: refreshed in its configuration",
           u"product {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}: state -1",
           u"card provider: not installed",
           u"package \"ucsp*x64*eng*\": C:\\dist\\ucsp\\ucsp-x64-eng.msi (matches: 1)",
           u"plug-in: product state -1, feature state -1: install",
           u"package \"velumcom*x64*\": C:\\dist\\plugin\\velumcom-2.1.0-x64.msi (matches: 1)",
           u"copy " COPIES u"csp-x64-kc1-eng.msi made of C:\\dist\\csp\\csp-x64-kc1-eng.msi",
           u"copy " COPIES u"ucsp-x64-eng.msi made of C:\\dist\\ucsp\\ucsp-x64-eng.msi",
           u"copy " COPIES u"UEC_x64_2.reg made of C:\\dist\\UEC_x64_2.reg",
           u"copy " COPIES u"UEC_acl_x64.acl made of C:\\dist\\UEC_acl_x64.acl",
           u"copy " COPIES u"velumcom-2.1.0-x64.msi made of C:\\dist\\plugin\\velumcom-2.1.0-x64.msi",
           u"the plan, before anything changes:",
           u"step 1 of 6, provider: refresh in the installed configuration, its package "
           u"named in the source list first: msiexec /qn /i \"" COPIES u"csp-x64-kc1-eng.msi\" "
           u"REINSTALL=ALL REINSTALLMODE=vomus REBOOT=R (a copy of "
           u"C:\\dist\\csp\\csp-x64-kc1-eng.msi); a failure is kept, the run ends after the "
           u"providers' steps",
           u"step 2 of 6, card provider: install, its package named in the source list first: "
           u"msiexec /qn /i \"" COPIES u"ucsp-x64-eng.msi\"  REBOOT=R (a copy of "
           u"C:\\dist\\ucsp\\ucsp-x64-eng.msi); a failure is kept, the run ends after the "
           u"providers' steps",
           u"step 3 of 6, card provider: apply a registry file: regedit /s \"" COPIES
           u"UEC_x64_2.reg\" (a copy of C:\\dist\\UEC_x64_2.reg); a failure is kept, the run "
           u"ends after the providers' steps",
           u"step 4 of 6, card provider: apply a registry file: regini \"" COPIES
           u"UEC_acl_x64.acl\" (a copy of C:\\dist\\UEC_acl_x64.acl); a failure is kept, the run "
           u"ends after the providers' steps",
           u"step 5 of 6, card provider: import a file's certificates into the machine's Root "
           u"store: C:\\dist\\root.cer; a failure is kept, the run ends after the providers' steps",
           u"step 6 of 6, plug-in: install, its package named in the source list first: msiexec "
           u"/qn /i \"" COPIES u"velumcom-2.1.0-x64.msi\"  REBOOT=R (a copy of "
           u"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi); a failure ends the run",
           u"source list of {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: package name "
           u"csp-x64-kc1-eng.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i \"" COPIES
           u"csp-x64-kc1-eng.msi\" REINSTALL=ALL REINSTALLMODE=vomus REBOOT=R "
           u"/l*v+ \"C:\\logs\\setup.log.20261208-090507-1.msiexec.log\"",
           u"exit code 0 after 5 ms",
           u"source list of {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: C:\\dist\\csp\\ added (0), "
           u"searched anew",
           u"source list of {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}: package name "
           u"ucsp-x64-eng.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i \"" COPIES
           u"ucsp-x64-eng.msi\"  REBOOT=R /l*v+ \"C:\\logs\\setup.log.20261208-090507-2.msiexec.log\"",
           u"exit code 0 after 5 ms",
           u"source list of {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}: C:\\dist\\ucsp\\ added (0), "
           u"searched anew",
           u"run C:\\WINDOWS\\regedit.exe: regedit /s \"" COPIES u"UEC_x64_2.reg\"",
           u"exit code 0 after 5 ms",
           u"run C:\\WINDOWS\\system32\\regini.exe: regini \"" COPIES u"UEC_acl_x64.acl\"",
           u"exit code 0 after 5 ms",
           u"certificate 3F2A from C:\\dist\\root.cer added to the machine's Root store",
           u"source list of {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}: package name "
           u"velumcom-2.1.0-x64.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i \"" COPIES
           u"velumcom-2.1.0-x64.msi\"  REBOOT=R /l*v+ "
           u"\"C:\\logs\\setup.log.20261208-090507-3.msiexec.log\"",
           u"exit code 3010 after 5 ms",
           u"source list of {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}: C:\\dist\\plugin\\ added "
           u"(0), searched anew",
           u"message 126 shown, answered Yes",
           u"restart requested",
           u"Windows took the restart request",
           u"exit code 0: success",
       }) {
    expected += "2026-12-08 09:05:07.042  " + Utf8(line) + "\r\n";
  }
  EXPECT_EQ(fake.writtenFiles[u"C:\\logs\\setup.log"], expected);
  // Made closed: nothing inherited from C:\WINDOWS, which users may read.
  EXPECT_EQ(fake.folders[u"C:\\WINDOWS\\Logs\\Orventa"],
            u"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)");
  // Held from its making on: nobody puts a link in its place before msiexec writes to it.
  EXPECT_EQ(fake.openAtCommands.back().back(),
            u"append C:\\logs\\setup.log.20261208-090507-3.msiexec.log");
}

// A plain run on a machine whose numbers all differ: Windows 6.2.9200 with service pack 3,
// 32-bit, an administrator; the plug-in's package and the providers'.
FakeWindows NumberedMachine() {
  FakeWindows fake;
  AddPackages(fake, u"2.1.0",
              {u"plugin\\velumcom-2.1.0-win32.msi", u"csp\\csp-win32-kc2-eng.msi",
               u"ucsp\\ucsp-win32-eng.msi"});
  fake.osVersion = OsVersion{6, 2, 3, 9200};
  fake.wow64 = false;
  return fake;
}

const std::u16string kLock = u"C:\\WINDOWS\\Logs\\Orventa\\setup.lock";

// C:\WINDOWS\Logs, and Orventa in it with `access` (after its owner) if given; the run lock
// held by another run for `held` ms; what the volume keeps of any access set, if given.
void LogFolderAnd(FakeWindows& fake, std::optional<std::u16string> access, std::uint32_t held,
                  std::optional<std::u16string> kept = {}) {
  fake.volumeAccess = kept;
  fake.folders[u"C:\\WINDOWS"] = fake.folders[u"C:\\WINDOWS\\Logs"] = u"O:SYD:P(A;;FA;;;BU)";
  if (access) fake.folders[u"C:\\WINDOWS\\Logs\\Orventa"] = u"O:BA" + *access;
  fake.lockHeldFor[kLock] = held;
}

// setup.exe signed by "A" with certificate AA, the provider's package by "A" with its
// renewal BB, the plug-in's package validly signed by "B"; runs kept apart by the lock.
void PackageOfAnotherPublisher(FakeWindows& f) {
  LogFolderAnd(f, {}, 0);
  f.signatures[f.programPath] = {kSuccess, true, "A", u"A", u"AA", 0};
  f.signatures[u"C:\\dist\\csp\\csp-win32-kc2-eng.msi"] = {kSuccess, true, "A", u"A", u"BB", 0};
  f.signatures[u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi"] = {kSuccess, true, "B", u"B", {}, 0};
}

TEST(RunLog, RecordsWhatEachKindOfRunDid) {
  const std::u16string longLog = u"C:\\" + std::u16string(226, u'x');  // 229 characters
  const std::u16string relativeLog(221, u'x');  // 229 characters from C:\dist
  // Each command line gets "-log L"; the whole lines are found in their order.
  using Script = void (*)(FakeWindows&);
  const std::tuple<const char*, std::u16string, Script, std::uint32_t, Lines> cases[] = {
      {"interactive", u"", [](FakeWindows&) {}, 0,
       List(u"Windows 6.2.9200, service pack 3", u"64-bit Windows: no, administrator: yes",
            u"interactive: yes", u"no log in C:\\WINDOWS\\Logs: error 3",
            u"message 103 shown, answered Yes", u"runs not kept apart: lock error 3",
            u"package \"velumcom*win32*\": C:\\dist\\plugin\\velumcom-2.1.0-win32.msi (matches: 1)",
            u"message 110 shown, answered OK", u"exit code 0: success")},
      // setup.exe's own signature: none, one in an algorithm unknown here, no chain here.
      {"not signed", u"",
       [](FakeWindows& f) {
         f.signatures[f.programPath] = {kTrustNoSignature, {}, {}, {}, {}, 0x800B0003};
       },
       0, List(u"packages: not checked, setup.exe is not signed (0x800b0100)")},
      {"an algorithm unknown here", u"",
       [](FakeWindows& f) { f.signatures[f.programPath].trust = 0x80090008; }, 0,
       List(u"packages: not checked, setup.exe is signed in an unknown algorithm (0x80090008)")},
      {"no chain here: the very same certificate passes, the same subject alone does not", u"-csp",
       [](FakeWindows& f) {
         f.signatures[f.programPath] = {kCertUntrustedRoot, true, "V", u"V", u"AA"};
         f.signatures[u"C:\\dist\\csp\\csp-win32-kc2-eng.msi"] = {kCertChaining, true, "V", u"V",
                                                                  u"AA"};
         f.signatures[u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi"] = {0, true, "V", u"V", u"BB"};
       },
       kTrustSubjectNotTrusted,
       List(u"signature: C:\\dist\\csp\\csp-win32-kc2-eng.msi is signed by \"V\", its certificate "
            u"chain not built here (0x800b010a); setup.exe is signed by \"V\", certificate AA: the "
            u"same certificate, accepted")},
      {"no chain here: the very same certificate on a package changed since", u"",
       [](FakeWindows& f) {
         f.signatures[f.programPath] = {kCertUntrustedRoot, true, "V", u"V", u"AA"};
         f.signatures[u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi"] = {kTrustBadDigest, true, "V",
                                                                        u"V", u"AA"};
       },
       kTrustBadDigest,
       List(
           u"signature: C:\\dist\\plugin\\velumcom-2.1.0-win32.msi is signed by \"V\", but changed "
           u"since (0x80096010); setup.exe is signed by \"V\", certificate AA: refused with "
           u"0x80096010")},
      {"Windows 10 behind a manifest that stops at 6.2", u"",
       [](FakeWindows& f) {
         f.realOsVersion = OsVersion{10, 0, 0, 19045};
       },
       0, List(u"Windows 10.0.19045, service pack 0")},
      {"no visible desktop", u"", [](FakeWindows& f) { f.windowStationVisible = false; }, 0,
       List(u"interactive: no, the window station is not visible: no message, dialog or "
            u"progress window, no restart (as -silent -norestart)",
            u"message 103 not shown (no visible desktop)")},
      {"session 0", u"", [](FakeWindows& f) { f.sessionId = 0; }, 0,
       List(u"interactive: no, session 0 has no user to see windows: no message, dialog or "
            u"progress window, no restart (as -silent -norestart)")},
      // On Windows XP and Server 2003 the console user's session is 0.
      {"session 0 of Windows XP", u"",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{5, 1, 2};
         f.sessionId = 0;
         f.defaultExitCode = 3010;
         f.answers[Text(IDS_RESTART_PLUGIN)] = kIdNo;
       },
       0, List(u"interactive: yes", u"message 108 shown, answered No", u"exit code 0: success")},
      {"silent, another installation ending in the run's last second", u"-silent",
       [](FakeWindows& f) {
         f.otherInstallations = {599100, 0};
       },
       0,
       List(u"interactive: no (-silent)", u"message 103 not shown (silent)",
            u"another installation is in progress: waiting for it to end, at most 600 s",
            u"another installation is in progress: waiting for it to end, at most 1 s",
            u"message 110 not shown (silent)")},
      {"-norestart, 3010", u"-norestart", [](FakeWindows& f) { f.defaultExitCode = 3010; }, 3010,
       List(u"restart needed: left to the caller (-norestart), message 108 not shown",
            u"exit code 3010: success, Windows must be restarted to complete it")},
      {"restart question not shown", u"",
       [](FakeWindows& f) {
         f.defaultExitCode = 3010;
         f.answers[Text(IDS_RESTART_PLUGIN)] = 0;
       },
       3010,
       List(u"message 108 could not be shown: taken as in an unattended run",
            u"restart needed: left to the caller (the question could not be shown)")},
      {"a failed flow", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 0);
         f.defaultExitCode = 1603;
       },
       1603,
       List(u"exit code 1603 after 5 ms", u"message 106 shown, answered OK",
            u"exit code 1603: Windows error 1603 (fatal error during "
            u"installation), from msiexec")},
      // Each code is read where it came from, never as another step's verdict.
      {"regini's 5", u"-ucsp",
       [](FakeWindows& f) { f.processOutcomes[u"regini UEC_acl_x86.acl"] = Exited(5); }, 5,
       List(u"step 4 of 4 skipped: a failure before it",
            u"exit code 5: Windows error 5 (access denied), from regini")},
      {"a platform call's 5, found under the lock", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 0);
         f.products[kPluginProductCode].infoErrors[u"VersionString"] = 5;
       },
       5,
       List(u"exit code 5: Windows error 5 (access denied), from MsiGetProductInfoW "
            u"(VersionString)")},
      {"a certificate file that can't be read", u"-ucsp",
       [](FakeWindows& f) {
         f.AddFile(u"root.cer");
         f.readErrors[u"C:\\dist\\root.cer"] = 21;
       },
       21, List(u"certificate file C:\\dist\\root.cer not imported: can't be read, error 0x15")},
      {"the first of two failures with one number", u"-csp -ucsp",
       [](FakeWindows& f) { f.defaultExitCode = 1603; }, 1603,
       List(u"exit code 1603: Windows error 1603 (fatal error during "
            u"installation), from msiexec")},
      {"the check's 2", u"", [](FakeWindows& f) { f.osVersion.reset(); }, 2,
       List(u"exit code 2: the Windows version could not be read")},
      {"the dialog's choice", u"-csp -selectDlg",
       [](FakeWindows& f) {
         f.dialogOutcome = std::vector<std::uint16_t>{IDC_ENGLISH, IDC_KC2};
       },
       0,
       List(u"configuration dialog: Next",
            u"with the dialog's choice: level pieces \"kc2*\", language pieces \"eng*\"")},
      // Taken as not shown: the run goes on, its restart left to the caller.
      {"a dialog that can't be created", u"-csp -selectDlg -norestart",
       [](FakeWindows& f) {
         f.dialogFails = true;
         f.defaultExitCode = 3010;
       },
       3010, List(u"configuration dialog could not be created, error 1813: taken as not shown")},
      {"the dialog cancelled", u"-csp -selectDlg",
       [](FakeWindows& f) { f.dialogOutcome = std::optional<std::vector<std::uint16_t>>{}; }, 0,
       List(u"configuration dialog: Cancel", u"exit code 0: success")},
      {"silent, with the dialog asked for and a restart due", u"-csp -selectDlg -silent",
       [](FakeWindows& f) { f.defaultExitCode = 3010; }, 0,
       List(u"configuration dialog not shown",
            u"restart needed: restarting without asking (silent)",
            u"Windows took the restart request")},
      {"a package of another publisher", u"-csp", PackageOfAnotherPublisher,
       kTrustSubjectNotTrusted,
       // What is checked is the copy the run made.
       List(u"signature: " COPIES u"csp-win32-kc2-eng.msi is signed by \"A\"; setup.exe is "
            u"signed by \"A\": the same publisher, accepted",
            u"signature: " COPIES u"velumcom-2.1.0-win32.msi is signed by \"B\"; setup.exe "
            u"is signed by \"A\": another publisher, refused with 0x800b0004")},
      {"the browser feature added from another publisher's package", u"",
       [](FakeWindows& f) {
         PackageOfAnotherPublisher(f);
         f.products[kPluginProductCode] = {5, u"2.1.0", u"", {{u"NPVELUM", 2}}, {}};
       },
       kTrustSubjectNotTrusted,
       List(u"plug-in: product state 5, feature state 2: install the "
            u"browser feature NPVELUM")},
      {"a package another program holds open for writing", u"",
       [](FakeWindows& f) { f.holdErrors[u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi"] = 32; }, 32,
       List(u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi could not be held against change, "
            u"error 32",
            u"message 133 shown, answered OK",
            u"exit code 32: Windows error 32 (the file is in use by another process), from "
            u"CreateFileW (holding a file)")},
      {"a command line not understood", u"-slient", [](FakeWindows&) {}, 1639,
       List(u"command line not understood: argument \"-slient\": unknown option; nothing is "
            u"installed",
            u"help shown", u"exit code 1639: setup.exe's command line was not understood")},
      {"a command line not understood, silent", u"-silent -slient", [](FakeWindows&) {}, 1639,
       List(u"help not shown (silent)")},
      // Licence keys: a property's name and its value's length, wherever the argument shows.
      {"-VelumArgs",
       u"-VelumArgs \"K=s3cret-1 C=\"\"A s3cret\"\"\" -VelumArgs P=\"s3cret\" "
       u"-VelumArgs \\\"PIN=s3cret\\\"",
       [](FakeWindows&) {}, 0,
       List(u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i \"C:\\dist\\plugin\\"
            u"velumcom-2.1.0-win32.msi\" K=<8 characters> C=<8 characters> P=<6 characters> "
            u"\"PIN=<6 characters>  REBOOT=R /l*v+ \"L.20261208-090507-1.msiexec.log\"")},
      {"a second property left out of the quotes", u"-ucsp -UCSPArgs K=s3cret C=s3cret2",
       [](FakeWindows&) {}, 1639,
       List(u"command line not understood: argument \"C=<7 characters>\": unknown option; "
            u"nothing is installed")},
      {"the same version installed", u"",
       [](FakeWindows& f) {
         f.products[kPluginProductCode] = {5, u"2.1.0", u"", {{u"NPVELUM", 3}}, {}};
       },
       0,
       List(u"package \"velumcom*win32*\": C:\\dist\\plugin\\velumcom-2.1.0-win32.msi (matches: 1)",
            u"product {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}: installed version 2.1.0, package "
            u"version 2.1.0 (same)",
            u"plug-in: product state 5, feature state 3: nothing to do")},
      // One run at a time, and one ten minutes for all its waits; taken after the question.
      {"another run ending", u"", [](FakeWindows& f) { LogFolderAnd(f, u"D:P(A;;FA;;;SY)", 5000); },
       0,
       List(u"folder C:\\WINDOWS\\Logs\\Orventa had access O:BAD:P(A;;FA;;;SY): reset to "
            u"administrators only",
            u"message 103 shown, answered Yes",
            u"another setup.exe runs: waiting for it, at most 600 s",
            u"the other setup.exe has ended: going on", u"exit code 0: success")},
      {"another run past the ten minutes", u"-silent",
       [](FakeWindows& f) { LogFolderAnd(f, {}, 700000); }, 1618,
       List(u"another setup.exe still runs after 600 s",
            u"exit code 1618: Windows error 1618 (another installation is in progress), from "
            u"another setup.exe")},
      {"waits for a run, then for the installer", u"-silent",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 400000);
         f.otherInstallations = {300000};
       },
       1618, List(u"another installation is in progress: waiting for it to end, at most 200 s")},
      // The run's own folders: a link or a volume without access lists gets nothing of the
      // run; a copy that can't be made ends it before anything changes; an earlier run's
      // copies go.
      {"a link where the log folder goes", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, u"D:P(A;;FA;;;BU)", 0);
         f.fileLinks[u"C:\\WINDOWS\\Logs\\Orventa"] = {0x410, 1};
       },
       0,
       List(u"folder C:\\WINDOWS\\Logs\\Orventa is a link: no log, lock or copies there",
            u"runs not kept apart: lock error 3",
            u"no folder for copies (3): files go by their paths")},
      {"a volume without access lists", u"",
       [](FakeWindows& f) { LogFolderAnd(f, {}, 0, u"O:BAD:NO_ACCESS_CONTROL"); },
       0, List(u"folder C:\\WINDOWS\\Logs\\Orventa not closed to users (O:BAD:NO_ACCESS_CONTROL): "
               u"no log, lock or copies there")},
      {"a volume that shows everyone reading, as Wine does", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 0, u"O:S-1-5-21-1D:(A;OICI;FA;;;S-1-5-21-1)(A;OICI;0x1200a9;;;WD)");
       },
       0, List(u"copy " COPIES u"velumcom-2.1.0-win32.msi made of "
               u"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi")},
      {"access that reads back open to users", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, u"", 0, u"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)(A;OICI;0x2;;;BU)");
       },
       0, List(u"runs not kept apart: lock error 3")},
      {"a copy that can't be made, an earlier run's copies", u"",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 0);
         f.folders[u"C:\\WINDOWS\\Logs\\Orventa\\copies-20261101-000000-1"] = u"";
         // A link: what it leads to keeps its file.
         f.fileLinks[u"C:\\WINDOWS\\Logs\\Orventa\\copies-20261101-000000-1"] = {0x410, 1};
         f.writtenFiles[u"C:\\WINDOWS\\Logs\\Orventa\\copies-20261101-000000-1\\kept"];
         f.createErrors[COPIES u"velumcom-2.1.0-win32.msi"] = 112;
       },
       112,
       List(u"removing copies-20261101-000000-1, left by an earlier run",
            u"copy of C:\\dist\\plugin\\velumcom-2.1.0-win32.msi not made, error 112",
            u"exit code 112: Windows error 112, from copying a file into the run's folder")},
      {"the question answered No", u"-ucsp",
       [](FakeWindows& f) {
         LogFolderAnd(f, {}, 700000);
         f.answers[Text(IDS_CONFIRM_PLUGIN_AND_CARD_PROVIDER)] = kIdNo;
       },
       0, List(u"message 122 shown, answered No", u"exit code 0: success")},
  };
  for (const auto& [name, options, script, exitCode, logged] : cases) {
    FakeWindows fake = NumberedMachine();
    script(fake);
    EXPECT_EQ(RunSetup(fake.windows(), options + (options.empty() ? u"" : u" ") + u"-log L"),
              exitCode)
        << name;
    const std::string& log = fake.writtenFiles[u"L"];
    EXPECT_EQ(log.find("s3cret"), std::string::npos) << name << "\n" << log;
    for (const auto& [folder, access] : fake.folders) EXPECT_EQ(folder.find(u"copies-"), folder.npos);
    EXPECT_TRUE(fake.Commands().empty() || exitCode != 112) << name;
    EXPECT_EQ(fake.writtenFiles.count(u"C:\\WINDOWS\\Logs\\Orventa\\copies-20261101-000000-1\\kept"),
              exitCode == 112 ? 1u : 0u);
    // No box waits for a person while the lock keeps every other run waiting.
    for (const Lines& open : fake.openAtBoxes) {
      EXPECT_EQ(std::count(open.begin(), open.end(), u"unshared " + kLock), 0) << name;
    }
    std::size_t at = 0;
    for (const std::u16string& expected : logged) {
      at = log.find("  " + Utf8(expected) + "\r\n", at);
      EXPECT_NE(at, std::string::npos) << name << ": " << Utf8(expected) << "\n" << log;
      if (at == std::string::npos) break;
    }
  }
  // msiexec's own log takes a name no file has, and none that msiexec would refuse.
  for (const auto& [log, taken, argument] :
       {std::tuple{u"L", u"L.20261208-090507-1.msiexec.log",
                   u" /l*v+ \"L.20261208-090507-2.msiexec.log\""},
        std::tuple{longLog.c_str(), u"", u""}, std::tuple{relativeLog.c_str(), u"", u""}}) {
    FakeWindows fake = NumberedMachine();
    fake.writtenFiles[taken] = "an earlier run's";
    EXPECT_EQ(RunSetup(fake.windows(), u"-silent -log " + std::u16string(log)), 0u);
    EXPECT_EQ(fake.Commands(),
              Lines{u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-win32.msi\"  REBOOT=R" +
                    std::u16string(argument)});
  }
  FakeWindows fake = NumberedMachine();
  RunSetup(fake.windows(), u"-silent -log " + longLog);
  EXPECT_NE(fake.writtenFiles[longLog].find("msiexec's own log left out: its path would be 259 "
                                            "characters long"),
            std::string::npos);
}

// Without -log an administrator's run (not one asking for help) logs into the folder made for
// administrators, where the oldest logs roll over; a -log file never does.
TEST(RunLog, WithoutLogGoesIntoTheAdministratorsFolder) {
  const std::u16string log = u"C:\\WINDOWS\\Logs\\Orventa\\setup.log",
                       ours = u"a\\setup.log.20261208-090507-1.msiexec.log\"";
  for (const auto& [options, administrator, logged] :  // a help request makes nothing
       {std::tuple{u"", true, true},
        {u"-silent -log L", true, false},
        {u"-help", true, false},
        {u"-silent", false, false}}) {
    FakeWindows fake = NumberedMachine();
    fake.administrator = administrator;
    fake.folders[u"C:\\WINDOWS"] = u"";
    fake.writtenFiles[log] = std::string(kLogRollSize, 'x');
    for (const char16_t* run :
         {u".20251208-090507-1", u".20261108-090507-2", u".20261108-090507-3"}) {
      fake.writtenFiles[log + run + u".msiexec.log"] = std::string(kInstallerLogsKept / 2, 'x');
    }
    RunSetup(fake.windows(), options);
    const bool help = std::u16string_view(options) == u"-help";
    EXPECT_EQ(fake.folders.size(), administrator && !help ? 3u : 1u) << Utf8(options);
    EXPECT_EQ(!fake.Commands().empty() && fake.Commands()[0].ends_with(ours), logged);
    EXPECT_EQ(fake.writtenFiles.count(u"C:\\WINDOWS\\Logs\\Orventa\\setup.old.log"), logged);
    EXPECT_EQ(fake.writtenFiles[log].ends_with("exit code 0: success\r\n"), logged);
    EXPECT_EQ(fake.writtenFiles.count(log + u".20251208-090507-1.msiexec.log"), !logged);
    EXPECT_EQ(fake.writtenFiles.count(log + u".20261108-090507-2.msiexec.log"), 1u);
    for (const Lines& open : fake.openAtBoxes) {  // the roll-over's lock let go before any box
      EXPECT_EQ(std::count(open.begin(), open.end(), u"unshared " + kLock), 0) << Utf8(options);
    }
  }
}

// Literal bytes, never the program's own encoder; one mark at most, and only at the start
// of a new file.
TEST(RunLog, WritesItsBytesAsTheyStand) {
  const std::u16string path = u"C:\\журналы установки\\s.log";
  const std::string mark = "\xEF\xBB\xBF";
  const std::tuple<const char*, std::u16string, std::optional<std::string>, std::string,
                   std::string>
      cases[] = {
          {"a Cyrillic path, new file", u"", std::nullopt, mark + "2026-12-08 09:05:07.042  ",
           "command line: -silent -log "
           "\"C:\\\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB\xD1\x8B "},
          {"lone surrogates, either half, and a pair",
           u" -VelumArgs \xDC00\xD800\xD83D\xDE00\xD800", std::nullopt, mark,
           "-VelumArgs \xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD\r\n"},
          {"an empty file already there", u"", "", mark + "2026-12-08 ", "\r\n"},
          {"an older log", u"", "older\r\n", "older\r\n2026-12-08 ", "\r\n"},
      };
  for (const auto& [name, arguments, before, starts, holds] : cases) {
    FakeWindows fake = Distribution();
    if (before) fake.writtenFiles[path] = *before;
    RunSetup(fake.windows(), u"-silent -log \"" + path + u"\"" + arguments);
    const std::string& log = fake.writtenFiles[path];
    EXPECT_TRUE(log.starts_with(starts)) << name << "\n" << log;
    EXPECT_NE(log.find(holds), std::string::npos) << name << "\n" << log;
    EXPECT_EQ(log.find(mark, 1), std::string::npos) << name;
  }
}

TEST(RunLog, ThatCannotBeWrittenOrIsALinkChangesNothing) {
  const std::u16string path = u"C:\\logs\\setup.log";
  struct Case {
    std::optional<std::uint32_t> openError;
    std::pair<std::uint32_t, std::uint32_t> file;  // its attributes and hard links
    bool linkedDuringRun;                          // one handle: nothing changes for the log
  } cases[] = {
      {3, {}, false}, {{}, {0x20, 2}, false}, {{}, {0x420, 1}, false}, {{}, {0x20, 2}, true}};
  FakeWindows plain = LoggedMachine();
  const std::uint32_t code = RunSetup(plain.windows(), u"-csp -ucsp -silent");
  for (const Case& c : cases) {
    FakeWindows fake = LoggedMachine();
    fake.appendError = c.openError;
    if (c.linkedDuringRun) {
      fake.onCommand = [&](const std::u16string&) { fake.fileLinks[path] = c.file; };
    } else if (c.file.second != 0) {
      fake.fileLinks[path] = c.file;
    }
    EXPECT_EQ(RunSetup(fake.windows(), u"-csp -ucsp -silent -log " + path), code);
    // Not even msiexec is asked for a log it could not write either.
    EXPECT_TRUE(c.linkedDuringRun || fake.log == plain.log) << c.file.first;
    EXPECT_EQ(fake.writtenFiles[path].ends_with("exit code 0: success\r\n"), c.linkedDuringRun);
  }
}

}  // namespace
}  // namespace setup::testing
