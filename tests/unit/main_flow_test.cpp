#include "app/main_flow.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/command_line.h"
#include "app/run_outcome.h"
#include "common/exit_codes.h"
#include "install/plugin_flow.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

using Boxes = std::vector<ShownBox>;

constexpr char16_t kCaption[] = u"Орвента ЭЦП Browser plug-in";
const std::u16string kPluginInstall = Msiexec(u"plugin\\velumcom-2.1.0-x64.msi");
const std::u16string kProviderInstall = Msiexec(u"csp\\csp-x64-kc1-eng.msi");

// The lines of the log that show what a user or the machine would notice.
Lines Visible(const FakeWindows& fake) {
  Lines lines;
  std::copy_if(fake.log.begin(), fake.log.end(), std::back_inserter(lines), [](const auto& line) {
    return line.starts_with(u"run: ") || line.starts_with(u"box: ") ||
           line.starts_with(u"progress: ") || line == u"dialog" || line == u"restart";
  });
  return lines;
}

std::u16string Box(std::uint16_t id, std::uint32_t style) {
  return u"box: " + std::u16string(kCaption) + u" | " + Text(id) + u" | " + HexText(style);
}

// What was applied and the restart answer make the exit code and the message; the restart
// tests below run whole what is not repeated here.
TEST(MainFlow, OutcomeDecisionTable) {
  using Shown = Outcome::Shown;
  using Answer = std::optional<RestartChoice>;
  const Answer none, left = RestartChoice::kLeftToCaller, no = RestartChoice::kDeclined,
                     yes = RestartChoice::kRestartNow;
  const Applied plugin3010{.plugin = 3010}, removed{.restartToContinue = true},
      provider3010{.providers = 3010};
  const std::tuple<bool, bool, Applied, Answer, Outcome> cases[] = {
      {false, false, plugin3010, left, {3010, IDS_RESTART_PLUGIN, Shown::kRestartQuestion}},
      {false, false, plugin3010, no, {0, IDS_RESTART_PLUGIN, Shown::kRestartQuestion}},
      {false, false, plugin3010, yes, {0, IDS_RESTART_PLUGIN, Shown::kRestartQuestion, true}},
      {false, false, removed, no, {0, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      {true, true, provider3010, yes, {0, IDS_RESTART_ALL, Shown::kRestartQuestion, true}},
      {false, true, plugin3010, left,
       {3010, IDS_RESTART_PLUGIN_AND_CARD_PROVIDER, Shown::kRestartQuestion}},
      {true, true, {}, none, {0, IDS_DONE_ALL}},
      {false, true, {}, none, {0, IDS_DONE_PLUGIN_AND_CARD_PROVIDER}},
      // The plug-in was removed and its successor waits for a restart: never "installed".
      {false, true, removed, none, {3010, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      {true, true, {.providers = 3010, .restartToContinue = true}, left, {3010, IDS_RESTART_TO_CONTINUE, Shown::kRestartQuestion}},
      // A failure: its part's message and code, whatever restart the other part asked for.
      {true, false, {3010, 1603, false, Part::kPlugin, 1603}, yes,
       {1603, IDS_PLUGIN_FAILED, Shown::kFailure}},
      {true, true, {5, 0, false, Part::kProviders, 5}, none,
       {5, IDS_PROVIDER_FAILED, Shown::kFailure}},
  };
  for (const auto& [provider, card, applied, answer, outcome] : cases) {
    EXPECT_EQ(DecideOutcome(provider, card, applied, answer), outcome)
        << provider << card << " " << applied.providers << " " << applied.plugin << " "
        << applied.restartToContinue << " " << answer.has_value();
  }
}

// The progress thread, titled after the components, is created first and resumed only for
// the installations; a confirmation answered No (here those with the card provider) or a
// dialog cancelled only stops it. Any other answer goes on: Yes, IDCANCEL (2), OK, or a box
// that could not be shown (0). The dialog only with the provider, and not silent.
TEST(MainFlow, ConfirmationNamesTheComponentsAndProgressFramesTheInstallations) {
  const std::u16string plugin = u"progress: create " + Text(IDS_PROGRESS_PLUGIN);
  const std::u16string provider = u"progress: create " + Text(IDS_PROGRESS_WITH_PROVIDER);
  const std::u16string resume = u"progress: resume", stop = u"progress: stop";
  const std::u16string run = u"run: " + kPluginInstall;
  const std::pair<const char16_t*, Lines> cases[] = {
      {u"",
       {plugin, Box(IDS_CONFIRM_PLUGIN, kMbYesNo), resume, run, stop, Box(IDS_DONE_PLUGIN, kMbOk)}},
      {u"-selectDlg",
       {plugin, Box(IDS_CONFIRM_PLUGIN, kMbYesNo), resume, run, stop, Box(IDS_DONE_PLUGIN, kMbOk)}},
      {u"-silent", {plugin, resume, run, stop}},
      {u"-csp -selectDlg -silent", {provider, resume, u"run: " + kProviderInstall, run, stop}},
      {u"-ucsp -selectDlg", {plugin, Box(IDS_CONFIRM_PLUGIN_AND_CARD_PROVIDER, kMbYesNo), stop}},
      {u"-csp -ucsp", {provider, Box(IDS_CONFIRM_ALL, kMbYesNo), stop}},
      {u"-csp -selectDlg",
       {provider, Box(IDS_CONFIRM_PLUGIN_AND_PROVIDER, kMbYesNo), u"dialog", stop}},
      {u"-selectDlg -csp",
       {provider, Box(IDS_CONFIRM_PLUGIN_AND_PROVIDER, kMbYesNo), u"dialog", stop}},
  };
  for (const std::int32_t answer : {kIdYes, 2, kIdOk, 0}) {
    for (const auto& [line, visible] : cases) {
      FakeWindows fake = Distribution();
      fake.answers[Text(IDS_CONFIRM_PLUGIN)] = answer;
      fake.answers[Text(IDS_CONFIRM_PLUGIN_AND_CARD_PROVIDER)] = kIdNo;
      fake.answers[Text(IDS_CONFIRM_ALL)] = kIdNo;
      fake.dialogOutcome = std::optional<std::vector<std::uint16_t>>{};  // Cancel
      EXPECT_EQ(RunSetup(fake.windows(), line), 0u) << Utf8(line) << answer;
      EXPECT_EQ(fake.log.front(), u"installer ui: 2") << Utf8(line);
      EXPECT_EQ(Visible(fake), visible) << Utf8(line) << answer;
    }
  }
}

// The help comes before every check, and the checks before anything is touched or the
// progress thread started. Without a visible desktop nothing is shown and nothing waits.
TEST(MainFlow, HelpComesBeforeEveryCheckAndTheChecksBeforeAnythingElse) {
  const auto help = [](bool provider, bool card) {  // listing the options of -csp and -ucsp
    return Boxes{{HelpText(provider, card), u"Справка", kMbIconInformation}};
  };
  const auto told = [](std::uint16_t id) { return Boxes{{Text(id), kCaption, kMbIconError}}; };
  using Version = std::optional<OsVersion>;
  using Script = void (*)(FakeWindows&);
  const Version none, win7 = OsVersion{6, 1, 1};
  const std::tuple<bool, Version, const char16_t*, std::uint32_t, Boxes, Script> cases[] = {
      {false, none, u"-help", 0, help(false, false), {}},
      {false, none, u"-silent -help", 0, help(false, false), {}},
      {false, none, u"-csp -ucsp /?", 0, help(true, true), {}},
      {false, none, u"-ucsp -h", 0, help(false, true), {}},
      {false, none, u"-csp -h -ucsp", 0, help(true, false), {}},  // read no further
      {false, none, u"-bogus", 1639, help(false, false), {}},
      {false, none, u"-csp -KC", 1639, help(true, false), {}},
      // An unattended run never waits for a click on a mistyped call.
      {false, none, u"-silent -slient", 1639, {}, {}},
      {false, none, u"-slient -SILENT", 1639, {}, {}},
      {false, none, u"-csp -CSPArgs -silent -bogus", 1639, {}, {}},
      {false, win7, u"", 1, told(IDS_NOT_ADMINISTRATOR), {}},
      {false, win7, u"-silent", 1, {}, {}},
      {true, OsVersion{5, 1, 1}, u"", 4, told(IDS_WINDOWS_XP_NEEDS_SP2), {}},
      {true, OsVersion{5, 1, 1}, u"-silent", 4, {}, {}},
      // Too old a Windows is told even to an unattended run.
      {true, OsVersion{4, 0, 6}, u"", 1150, told(IDS_SYSTEM_TOO_OLD), {}},
      {true, OsVersion{4, 0, 6}, u"-silent", 1150, told(IDS_SYSTEM_TOO_OLD), {}},
      {true, none, u"", 2, told(IDS_VERSION_UNREADABLE), {}},
      // setup.exe's own signature, read before the first question: the run ends with its code.
      {true, win7, u"", kTrustBadDigest,
       Boxes{{Text(IDS_PLUGIN_FAILED) + u": 2148098064.", kCaption, kMbIconError}},
       [](FakeWindows& f) { f.signatures[f.programPath].trust = kTrustBadDigest; }},
      {true, win7, u"-silent", 32, Boxes(),  // can't be read: no "not signed", no signer
       [](FakeWindows& f) {
         f.signatures[f.programPath] = {kTrustNoSignature, {}, {}, {}, {}, 32};
       }},
      {true, win7, u"-silent", 32, Boxes(),
       [](FakeWindows& f) { f.holdErrors[f.programPath] = 32; }},
      {true, win7, u"-silent", kTrustNoSignerCert, Boxes(),
       [](FakeWindows& f) { f.signatures[f.programPath].trust = kSuccess; }},
  };
  for (const auto& [administrator, version, line, exitCode, boxes, script] : cases) {
    for (const bool desktop : {true, false}) {
      FakeWindows fake = Distribution();
      fake.administrator = administrator;
      fake.osVersion = version;
      fake.windowStationVisible = desktop;
      if (script) script(fake);
      EXPECT_EQ(RunSetup(fake.windows(), line), exitCode) << Utf8(line);
      EXPECT_EQ(fake.boxes, desktop ? boxes : Boxes{}) << Utf8(line);
      EXPECT_EQ(fake.log.size(), fake.boxes.size()) << Utf8(line);  // and nothing else
    }
  }
}

// Nothing runs after the failure, and the progress thread stops before its box.
TEST(MainFlow, AFailureIsToldWithItsUnsignedCodeAndStopsTheRun) {
  const std::tuple<const char16_t*, std::u16string, std::u16string, std::uint32_t> cases[] = {
      {u"-csp", kProviderInstall, u"В процессе установки Орвента CSP возникла ошибка: 1603.", 1603},
      {u"-csp -silent", kProviderInstall, u"", 1603},
      {u"", kPluginInstall,
       u"В процессе установки или обновления Орвента ЭЦП Browser plug-in возникла ошибка: "
       u"4294967295.",
       0xFFFFFFFFu},
  };
  for (const auto& [line, failing, box, code] : cases) {
    FakeWindows fake = Distribution();
    fake.processOutcomes[failing] = Exited(code);
    EXPECT_EQ(RunSetup(fake.windows(), line), code) << Utf8(line);
    Lines expected{u"progress: resume", u"run: " + failing, u"progress: stop"};
    if (!box.empty()) {
      expected.push_back(u"box: " + std::u16string(kCaption) + u" | " + box + u" | 0x10");
    }
    const Lines visible = Visible(fake);
    ASSERT_GE(visible.size(), expected.size()) << Utf8(line);
    EXPECT_EQ(Lines(visible.end() - expected.size(), visible.end()), expected) << Utf8(line);
  }
}

// Only a Yes restarts: a box that could not be shown leaves the restart to the caller. (An
// unattended run's restart is in the run log's tests.)
TEST(MainFlow, RestartQuestionAndItsAnswers) {
  const ShownBox question{Text(IDS_RESTART_PLUGIN), kCaption, kMbYesNo | kMbIconWarning};
  const ShownBox refused{Text(IDS_RESTART_FAILED), kCaption, kMbOk};
  const std::tuple<const char16_t*, int, std::uint32_t, std::uint32_t, bool, Boxes> cases[] = {
      {u"", kIdYes, 0, kSuccess, true, {question}},
      {u"", 0, 0, kSuccessRebootRequired, false, {question}},
      {u"", 2, 0, kSuccess, false, {question}},
      {u"", kIdYes, 5, exit_code::kRestartFailed, true, {question, refused}},
      {u"-silent", kIdYes, 5, exit_code::kRestartFailed, true, {}},
  };
  for (const auto& [line, answer, error, exitCode, restarted, finalBoxes] : cases) {
    FakeWindows fake = Distribution();
    fake.processOutcomes[kPluginInstall] = Exited(kSuccessRebootRequired);
    fake.answers[question.text] = answer;
    fake.restartError = error;
    EXPECT_EQ(RunSetup(fake.windows(), line), exitCode) << Utf8(line) << answer;
    EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), u"restart"), restarted)
        << Utf8(line) << answer;
    Boxes boxes = fake.boxes;
    if (!boxes.empty()) boxes.erase(boxes.begin());  // the confirmation
    EXPECT_EQ(boxes, finalBoxes) << Utf8(line) << answer;
  }
}

TEST(MainFlow, DialogAppendsItsChoiceAfterTheOptions) {
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  fake.dialogOutcome = std::vector<std::uint16_t>{IDC_ENGLISH, IDC_KC2};
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -selectDlg -KC -"), 0u);
  EXPECT_EQ(fake.dialogsShown, (std::vector<std::vector<std::uint16_t>>{{IDC_KC1, IDC_RUSSIAN}}));
  // "*-*kc2*" (option, then dialog) still finds csp-x64-kc2-eng.msi.
  EXPECT_EQ(fake.Commands()[0], Msiexec(u"csp\\csp-x64-kc2-eng.msi"));
}

// Here without a progress thread, which the run does without.
TEST(MainFlow, HandsEachComponentItsOwnArguments) {
  FakeWindows fake = Distribution();
  fake.progressThreadFails = true;
  EXPECT_EQ(RunSetup(fake.windows(),
                     u"-silent -VelumArgs V=3 -csp -CSPArgs A=1 -ucsp -UCSPArgs \"U=2 W\""),
            0u);
  EXPECT_EQ(fake.Commands(), (Lines{Msiexec(u"csp\\csp-x64-kc1-eng.msi", u"A=1 "),
                                    Msiexec(u"ucsp\\ucsp-x64-eng.msi", u"U=2 W "),
                                    u"regedit /s UEC_x64_2.reg", u"regini UEC_acl_x64.acl",
                                    Msiexec(u"plugin\\velumcom-2.1.0-x64.msi", u"V=3 ")}));
}

// A restart due is asked about in an interactive run (here answered No); -norestart, an
// unattended run, a hidden window station and session 0 (nothing shown, not even the dialog
// asked for; only the programs run) leave it to the caller with 3010 and never ask.
TEST(MainFlow, ARestartDueIsAskedForOrLeftToTheCaller) {
  const std::tuple<const char16_t*, void (*)(FakeWindows&), std::uint16_t, bool> cases[] = {
      {u"", [](FakeWindows&) {}, IDS_DONE_PLUGIN, false},
      {u"", [](FakeWindows& f) { f.processOutcomes[kPluginInstall] = Exited(3010); },
       IDS_RESTART_PLUGIN, true},
      {u"-csp",
       [](FakeWindows& f) {
         f.products[kPluginProductCode].version = u"2.0.0";
         f.processOutcomes[RemovalCommand(kPlugin)] = Exited(3010);
       },
       IDS_RESTART_TO_CONTINUE, true},
      {u"-csp -selectDlg", [](FakeWindows&) {}, IDS_DONE_PLUGIN_AND_PROVIDER, false},
      {u"-csp", [](FakeWindows& f) { f.processOutcomes[kProviderInstall] = Exited(3010); },
       IDS_RESTART_PLUGIN_AND_PROVIDER, true},
      {u"-ucsp", [](FakeWindows& f) { f.defaultExitCode = 3010; },
       IDS_RESTART_PLUGIN_AND_CARD_PROVIDER, true},
      {u"-csp -ucsp", [](FakeWindows& f) { f.defaultExitCode = 3010; }, IDS_RESTART_ALL, true},
  };
  const std::tuple<const char16_t*, bool, std::uint32_t> modes[] = {
      {u"", true, 1},  {u"-norestart", true, 1}, {u"-silent -norestart", true, 1},
      {u"", false, 1}, {u"", true, 0},
  };
  for (const auto& [base, script, finalMessage, restartDue] : cases) {
    for (const auto& [options, station, session] : modes) {
      FakeWindows fake = Distribution();
      script(fake);
      fake.windowStationVisible = station;
      fake.sessionId = session;
      fake.answers[Text(finalMessage)] = kIdNo;
      const std::u16string line = base + std::u16string(*base && *options ? u" " : u"") + options;
      const bool desktop = station && session != 0;
      const bool asks = desktop && !*options;
      EXPECT_EQ(RunSetup(fake.windows(), line),
                restartDue && !asks ? kSuccessRebootRequired : kSuccess)
          << Utf8(line) << finalMessage << desktop;
      EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), u"restart"), 0) << Utf8(line);
      Boxes expected;
      if (desktop && !std::u16string_view(options).starts_with(u"-silent")) {
        expected.push_back(
            {Text(ConfirmationMessageId(line.find(u"-csp") != std::u16string::npos,
                                        line.find(u"-ucsp") != std::u16string::npos)),
             kCaption, kMbYesNo});
        const std::uint32_t style = restartDue ? kMbYesNo | kMbIconWarning : kMbOk;
        if (!restartDue || asks) expected.push_back({Text(finalMessage), kCaption, style});
      }
      EXPECT_EQ(fake.boxes, expected) << Utf8(line) << finalMessage << desktop;
      EXPECT_TRUE(desktop || Visible(fake).size() == fake.Commands().size()) << Utf8(line);
    }
  }
}

}  // namespace
}  // namespace setup::testing
