#include "app/main_flow.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "install/plugin_flow.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "program_version.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"
#include "ui/exit_codes.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using testing::Text;
using testing::Utf8;
using Lines = std::vector<std::u16string>;

constexpr char16_t kCaption[] = u"Орвента ЭЦП Browser plug-in";
constexpr char16_t kPluginInstall[] =
    u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  REBOOT=R";
constexpr char16_t kProviderInstall[] =
    u"msiexec /qn /i \"C:\\dist\\csp\\csp-x64-kc1-eng.msi\"  REBOOT=R";

FakeWindows Distribution() {
  FakeWindows fake;
  for (const char16_t* file : {u"plugin\\velumcom-2.1.0-x64.msi", u"csp\\csp-x64-kc1-eng.msi",
                               u"csp\\csp-x64-kc2-eng.msi", u"ucsp\\ucsp-x64-eng.msi"}) {
    fake.AddFile(file);
    fake.packages[u"C:\\dist\\" + std::u16string(file)].properties[u"ProductVersion"] = u"2.1.0";
  }
  return fake;
}

// The lines of the log that show what a user or the machine would notice.
Lines Visible(const FakeWindows& fake) {
  Lines lines;
  for (const std::u16string& line : fake.log) {
    if (line.starts_with(u"run: ") || line.starts_with(u"box: ") ||
        line.starts_with(u"progress: ") || line == u"dialog" || line == u"restart") {
      lines.push_back(line);
    }
  }
  return lines;
}

std::u16string Box(std::uint16_t id, std::uint32_t style) {
  return u"box: " + std::u16string(kCaption) + u" | " + Text(id) + u" | " + HexText(style);
}

TEST(MainFlow, ConfirmationQuestionNamesTheComponents) {
  EXPECT_EQ(ConfirmationMessageId(true, true), IDS_CONFIRM_ALL);
  EXPECT_EQ(ConfirmationMessageId(true, false), IDS_CONFIRM_PLUGIN_AND_PROVIDER);
  EXPECT_EQ(ConfirmationMessageId(false, true), IDS_CONFIRM_PLUGIN_AND_CARD_PROVIDER);
  EXPECT_EQ(ConfirmationMessageId(false, false), IDS_CONFIRM_PLUGIN);
}

TEST(MainFlow, FinalMessageDecisionTable) {
  constexpr std::uint32_t k3010 = kSuccessRebootRequired;
  struct Case {
    bool provider, card;
    std::uint32_t providerResult, pluginResult;
    bool restartToContinue;
    std::uint16_t id;
    bool question;
  } cases[] = {
      {false, false, 0, k3010, false, IDS_RESTART_PLUGIN, true},
      {false, false, 0, k3010, true, IDS_RESTART_PLUGIN, true},
      {false, false, 0, 0, true, IDS_RESTART_TO_CONTINUE, true},
      {false, false, 0, 0, false, IDS_DONE_PLUGIN, false},
      {true, false, k3010, 0, false, IDS_RESTART_PLUGIN_AND_PROVIDER, true},
      {true, false, 0, k3010, false, IDS_RESTART_PLUGIN_AND_PROVIDER, true},
      {true, true, k3010, 0, false, IDS_RESTART_ALL, true},
      {false, true, 0, k3010, false, IDS_RESTART_PLUGIN_AND_CARD_PROVIDER, true},
      {true, false, 0, 0, false, IDS_DONE_PLUGIN_AND_PROVIDER, false},
      {true, true, 0, 0, false, IDS_DONE_ALL, false},
      // The plug-in was removed and its successor waits for a restart: never "installed".
      {true, false, 0, 0, true, IDS_RESTART_TO_CONTINUE, true},
      {false, true, 0, 0, true, IDS_RESTART_TO_CONTINUE, true},
      {true, true, k3010, 0, true, IDS_RESTART_TO_CONTINUE, true},
  };
  for (const Case& c : cases) {
    const FinalMessage message = ChooseFinalMessage(c.provider, c.card, c.providerResult,
                                                    c.pluginResult, c.restartToContinue);
    EXPECT_EQ(message.id, c.id) << c.provider << c.card << " " << c.providerResult << " "
                                << c.pluginResult << " " << c.restartToContinue;
    EXPECT_EQ(message.restartQuestion, c.question) << c.id;
  }
}

TEST(MainFlow, NoArgumentsInstallsThePluginBetweenConfirmationAndResult) {
  FakeWindows fake = Distribution();
  EXPECT_EQ(RunSetup(fake.windows(), u""), 0u);
  EXPECT_EQ(Visible(fake), (Lines{u"progress: create " + Text(IDS_PROGRESS_PLUGIN),
                                  Box(IDS_CONFIRM_PLUGIN, kMbYesNo), u"progress: resume",
                                  std::u16string(u"run: ") + kPluginInstall, u"progress: stop",
                                  Box(IDS_DONE_PLUGIN, kMbOk)}));
  EXPECT_EQ(fake.log.front(), u"installer ui: 2");
}

TEST(MainFlow, SilentRunAsksAndTellsNothingButShowsProgress) {
  FakeWindows fake = Distribution();
  EXPECT_EQ(RunSetup(fake.windows(), u"-silent"), 0u);
  EXPECT_EQ(Visible(fake),
            (Lines{u"progress: create " + Text(IDS_PROGRESS_PLUGIN), u"progress: resume",
                   std::u16string(u"run: ") + kPluginInstall, u"progress: stop"}));
}

TEST(MainFlow, AnsweringNoInstallsNothingAndNeverShowsProgress) {
  FakeWindows fake = Distribution();
  fake.answers[Text(IDS_CONFIRM_PLUGIN_AND_PROVIDER)] = kIdNo;
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp"), 0u);
  EXPECT_TRUE(fake.Commands().empty());
  // The suspended thread is only stopped, never resumed.
  EXPECT_EQ(Visible(fake),
            (Lines{u"progress: create " + Text(IDS_PROGRESS_WITH_PROVIDER),
                   Box(IDS_CONFIRM_PLUGIN_AND_PROVIDER, kMbYesNo), u"progress: stop"}));
}

TEST(MainFlow, HelpComesBeforeEveryCheck) {
  constexpr std::uint32_t kNotUnderstood = kErrorInvalidCommandLine;
  struct Case {
    const char16_t* line;
    std::uint32_t exitCode;
    bool box, provider, card;  // the help box, listing the options of -csp and -ucsp
  } cases[] = {
      {u"-help", 0, true, false, false},
      {u"-silent -help", 0, true, false, false},
      {u"-csp -ucsp /?", 0, true, true, true},
      {u"-ucsp -h", 0, true, false, true},
      {u"-bogus", kNotUnderstood, true, false, false},
      {u"-csp -KC", kNotUnderstood, true, true, false},
      // An unattended run never waits for a click on a mistyped call.
      {u"-silent -slient", kNotUnderstood, false, false, false},
      {u"-slient -SILENT", kNotUnderstood, false, false, false},
      {u"-csp -CSPArgs -silent -bogus", kNotUnderstood, false, false, false},
  };
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.administrator = false;
    fake.osVersion = std::nullopt;
    EXPECT_EQ(RunSetup(fake.windows(), c.line), c.exitCode) << Utf8(c.line);
    EXPECT_EQ(fake.boxes.size(), c.box ? 1u : 0u) << Utf8(c.line);
    if (c.box && !fake.boxes.empty()) {
      const std::u16string& text = fake.boxes[0].text;
      EXPECT_EQ(fake.boxes[0].caption, u"Справка");
      EXPECT_EQ(text, HelpText(c.provider, c.card)) << Utf8(c.line);
      EXPECT_TRUE(text.starts_with(u"Установщик Орвента ЭЦП Browser plug-in.\n")) << Utf8(text);
      EXPECT_EQ(text.find(u"-cspargs \"<args>\"") != std::u16string::npos, c.provider);
      EXPECT_EQ(text.find(u"-ucspargs \"<args>\"") != std::u16string::npos, c.card);
    }
    EXPECT_TRUE(fake.Commands().empty());
    EXPECT_EQ(fake.log.size(), c.box ? 1u : 0u) << Utf8(c.line);
  }
}

TEST(MainFlow, RefusesNonAdministratorsAndUnsupportedSystems) {
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    const char16_t* line;
    std::uint32_t exitCode;
    std::size_t boxes;
  } cases[] = {
      {"not administrator", [](FakeWindows& f) { f.administrator = false; }, u"", 1, 1},
      {"not administrator, silent", [](FakeWindows& f) { f.administrator = false; }, u"-silent", 1,
       0},
      {"XP SP1",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{5, 1, 1};
       },
       u"", 4, 1},
      {"XP SP1, silent",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{5, 1, 1};
       },
       u"-silent", 4, 0},
      {"NT 4, silent",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{4, 0, 6};
       },
       u"-silent", 1150, 1},
      {"version unreadable", [](FakeWindows& f) { f.osVersion = std::nullopt; }, u"", 2, 1},
  };
  for (const auto& c : cases) {
    FakeWindows fake = Distribution();
    c.script(fake);
    EXPECT_EQ(RunSetup(fake.windows(), c.line), c.exitCode) << c.name;
    EXPECT_EQ(fake.boxes.size(), c.boxes) << c.name;
    EXPECT_TRUE(fake.Commands().empty()) << c.name;
    // Nothing touched the installer, nor started the progress thread.
    EXPECT_EQ(fake.log.size(), c.boxes) << c.name;
  }
}

TEST(MainFlow, ProviderFailureIsReportedWithItsCodeAndStopsThePlugin) {
  for (const bool silent : {false, true}) {
    FakeWindows fake = Distribution();
    fake.processOutcomes[kProviderInstall] = {true, 0, true, 1603};
    EXPECT_EQ(RunSetup(fake.windows(), silent ? u"-csp -silent" : u"-csp"), 1603u);
    EXPECT_EQ(fake.Commands(), (Lines{kProviderInstall}));
    Lines expected{u"progress: create " + Text(IDS_PROGRESS_WITH_PROVIDER)};
    if (!silent) expected.push_back(Box(IDS_CONFIRM_PLUGIN_AND_PROVIDER, kMbYesNo));
    expected.push_back(u"progress: resume");
    expected.push_back(std::u16string(u"run: ") + kProviderInstall);
    expected.push_back(u"progress: stop");
    if (!silent) {
      expected.push_back(
          u"box: " + std::u16string(kCaption) +
          u" | В процессе установки Орвента CSP возникла ошибка: 1603. | 0x10");  // MB_ICONERROR
    }
    EXPECT_EQ(Visible(fake), expected);
  }
}

TEST(MainFlow, PluginFailureIsReportedWithItsUnsignedCode) {
  FakeWindows fake = Distribution();
  fake.processOutcomes[kPluginInstall] = {true, 0, true, 0xFFFFFFFFu};
  EXPECT_EQ(RunSetup(fake.windows(), u""), 0xFFFFFFFFu);
  EXPECT_EQ(fake.boxes.back(),
            (ShownBox{u"В процессе установки или обновления Орвента ЭЦП Browser plug-in возникла "
                      u"ошибка: 4294967295.",
                      kCaption, kMbIconError}));
  EXPECT_EQ(fake.log[fake.log.size() - 2], u"progress: stop");
}

TEST(MainFlow, RestartQuestionAndItsAnswers) {
  const ShownBox question{Text(IDS_RESTART_PLUGIN), kCaption, kMbYesNo | kMbIconWarning};
  const ShownBox refused{Text(IDS_RESTART_FAILED), kCaption, kMbOk};
  struct Case {
    const char* name;
    const char16_t* line;
    bool desktop;
    std::int32_t answer;
    std::uint32_t restartError;
    std::uint32_t exitCode;
    bool restartRequested;
    std::vector<ShownBox> finalBoxes;  // after the confirmation
  } cases[] = {
      {"yes", u"", true, kIdYes, 0, kSuccess, true, {question}},
      {"no", u"", true, kIdNo, 0, kSuccess, false, {question}},
      // Only a Yes restarts: a box that could not be shown leaves the restart to the caller.
      {"no box", u"", true, 0, 0, kSuccessRebootRequired, false, {question}},
      {"another answer", u"", true, 2, 0, kSuccess, false, {question}},
      {"yes, refused", u"", true, kIdYes, 5, exit_code::kRestartFailed, true, {question, refused}},
      {"silent", u"-silent", true, kIdYes, 0, kSuccess, true, {}},
      {"silent, refused", u"-silent", true, kIdYes, 5, exit_code::kRestartFailed, true, {}},
      {"-norestart", u"-norestart", true, kIdYes, 0, kSuccessRebootRequired, false, {}},
      {"-silent -norestart",
       u"-NORESTART -silent",
       true,
       kIdYes,
       0,
       kSuccessRebootRequired,
       false,
       {}},
      {"no visible desktop", u"", false, kIdYes, 0, kSuccessRebootRequired, false, {}},
  };
  for (const auto& c : cases) {
    FakeWindows fake = Distribution();
    fake.processOutcomes[kPluginInstall] = {true, 0, true, kSuccessRebootRequired};
    fake.answers[question.text] = c.answer;
    fake.restartError = c.restartError;
    fake.windowStationVisible = c.desktop;
    EXPECT_EQ(RunSetup(fake.windows(), c.line), c.exitCode) << c.name;
    bool requested = false;
    for (const auto& line : fake.log) requested |= line == u"restart";
    EXPECT_EQ(requested, c.restartRequested) << c.name;
    std::vector<ShownBox> finalBoxes = fake.boxes;
    if (!finalBoxes.empty()) finalBoxes.erase(finalBoxes.begin());  // the confirmation
    EXPECT_EQ(finalBoxes, c.finalBoxes) << c.name;
  }
}

TEST(MainFlow, RemovalThatNeedsARestartAsksToRestartAndRunAgain) {
  FakeWindows fake = Distribution();
  fake.products[kPluginProductCode].version = u"2.0.0";
  fake.processOutcomes[u"msiexec /qn /x {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} REBOOT=R"] = {
      true, 0, true, 3010};
  fake.answers[Text(IDS_RESTART_TO_CONTINUE)] = kIdNo;
  EXPECT_EQ(RunSetup(fake.windows(), u""), 0u);
  EXPECT_EQ(fake.boxes.back(),
            (ShownBox{Text(IDS_RESTART_TO_CONTINUE), kCaption, kMbYesNo | kMbIconWarning}));
}

TEST(MainFlow, ProvidersWithRestartAskTheCombinedQuestion) {
  FakeWindows fake = Distribution();
  fake.processOutcomes[kProviderInstall] = {true, 0, true, 3010};
  fake.answers[Text(IDS_RESTART_ALL)] = kIdNo;
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -ucsp"), 0u);
  EXPECT_EQ(fake.boxes.front().text, Text(IDS_CONFIRM_ALL));
  EXPECT_EQ(fake.boxes.back(),
            (ShownBox{Text(IDS_RESTART_ALL), kCaption, kMbYesNo | kMbIconWarning}));
  EXPECT_EQ(fake.Commands().size(), 5u);  // provider, card provider, two tools, plug-in
}

TEST(MainFlow, SelectionDialogOnlyWithProviderAndNotSilent) {
  struct Case {
    const char16_t* line;
    bool shown;
  } cases[] = {
      {u"-csp -selectDlg", true},   {u"-selectDlg -csp", true},          {u"-selectDlg", false},
      {u"-ucsp -selectDlg", false}, {u"-csp -selectDlg -silent", false},
  };
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    RunSetup(fake.windows(), c.line);
    EXPECT_EQ(fake.dialogsShown.size(), c.shown ? 1u : 0u) << Utf8(c.line);
  }
}

TEST(MainFlow, DialogAppendsItsChoiceAfterTheOptions) {
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  fake.dialogOutcome = std::vector<std::uint16_t>{IDC_ENGLISH, IDC_KC2};
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -selectDlg -KC -"), 0u);
  EXPECT_EQ(fake.dialogsShown, (std::vector<std::vector<std::uint16_t>>{{IDC_KC1, IDC_RUSSIAN}}));
  // "*-*kc2*" (option, then dialog) still finds csp-x64-kc2-eng.msi.
  EXPECT_EQ(fake.Commands()[0], u"msiexec /qn /i \"C:\\dist\\csp\\csp-x64-kc2-eng.msi\"  REBOOT=R");
}

TEST(MainFlow, CancelledDialogEndsWithNothingInstalled) {
  FakeWindows fake = Distribution();
  fake.dialogOutcome = std::optional<std::vector<std::uint16_t>>{};
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -selectDlg"), 0u);
  EXPECT_TRUE(fake.Commands().empty());
  for (const auto& line : fake.log) EXPECT_NE(line, u"progress: resume");
}

TEST(MainFlow, RunsWithoutAProgressThread) {
  FakeWindows fake = Distribution();
  fake.progressThreadFails = true;
  EXPECT_EQ(RunSetup(fake.windows(), u"-silent"), 0u);
  EXPECT_EQ(fake.Commands(), (Lines{kPluginInstall}));
}

TEST(MainFlow, NonAdministratorIsToldWhyUnderTheProgramsCaption) {
  FakeWindows fake = Distribution();
  fake.administrator = false;
  EXPECT_EQ(RunSetup(fake.windows(), u""), 1u);
  EXPECT_EQ(fake.boxes,
            (std::vector<ShownBox>{{Text(IDS_NOT_ADMINISTRATOR), kCaption, kMbIconError}}));
}

TEST(MainFlow, OnlyNoToTheConfirmationStopsTheRun) {
  struct Case {
    std::int32_t answer;
    bool installs;
  } cases[] = {
      {kIdYes, true}, {kIdNo, false}, {2, true}, {kIdOk, true}, {0, true}};  // IDCANCEL, failure
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.answers[Text(IDS_CONFIRM_PLUGIN)] = c.answer;
    EXPECT_EQ(RunSetup(fake.windows(), u""), 0u) << c.answer;
    EXPECT_EQ(fake.Commands().size(), c.installs ? 1u : 0u) << c.answer;
  }
}

TEST(MainFlow, ProgressTitleNamesTheProviderOnlyWhenItIsInstalled) {
  struct Case {
    const char16_t* line;
    std::uint16_t title;
  } cases[] = {{u"-silent", IDS_PROGRESS_PLUGIN},
               {u"-csp -silent", IDS_PROGRESS_WITH_PROVIDER},
               {u"-ucsp -silent", IDS_PROGRESS_PLUGIN},
               {u"-csp -ucsp -silent", IDS_PROGRESS_WITH_PROVIDER}};
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    RunSetup(fake.windows(), c.line);
    EXPECT_EQ(fake.log[1], u"progress: create " + Text(c.title)) << Utf8(c.line);
  }
}

TEST(MainFlow, HandsEachComponentItsOwnArguments) {
  FakeWindows fake = Distribution();
  fake.AddFile(u"UEC_x64_2.reg");
  fake.AddFile(u"UEC_acl_x64.acl");
  EXPECT_EQ(RunSetup(fake.windows(),
                     u"-silent -VelumArgs V=3 -csp -CSPArgs A=1 -ucsp -UCSPArgs \"U=2 W\""),
            0u);
  EXPECT_EQ(fake.Commands(),
            (Lines{u"msiexec /qn /i \"C:\\dist\\csp\\csp-x64-kc1-eng.msi\" A=1  REBOOT=R",
                   u"msiexec /qn /i \"C:\\dist\\ucsp\\ucsp-x64-eng.msi\" U=2 W  REBOOT=R",
                   u"regedit /s UEC_x64_2.reg", u"regini UEC_acl_x64.acl",
                   u"msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\" V=3  REBOOT=R"}));
}

TEST(MainFlow, NoRestartEndsWith3010WhereARestartWasDueAndAsksNothing) {
  struct Case {
    const char* name;
    const char16_t* line;
    void (*script)(FakeWindows&);
    std::uint16_t finalMessage;
    bool restartDue;
  } cases[] = {
      {"plug-in", u"", [](FakeWindows&) {}, IDS_DONE_PLUGIN, false},
      {"plug-in asks for a restart", u"",
       [](FakeWindows& f) {
         f.processOutcomes[kPluginInstall] = {true, 0, true, 3010};
       },
       IDS_RESTART_PLUGIN, true},
      {"removal asks for a restart", u"-csp",
       [](FakeWindows& f) {
         f.products[kPluginProductCode].version = u"2.0.0";
         f.processOutcomes[kPluginRemovalCommand] = {true, 0, true, 3010};
       },
       IDS_RESTART_TO_CONTINUE, true},
      {"provider", u"-csp", [](FakeWindows&) {}, IDS_DONE_PLUGIN_AND_PROVIDER, false},
      {"provider asks for a restart", u"-csp",
       [](FakeWindows& f) {
         f.processOutcomes[kProviderInstall] = {true, 0, true, 3010};
       },
       IDS_RESTART_PLUGIN_AND_PROVIDER, true},
      {"card provider asks for a restart", u"-ucsp",
       [](FakeWindows& f) { f.defaultExitCode = 3010; }, IDS_RESTART_PLUGIN_AND_CARD_PROVIDER,
       true},
      {"both ask for a restart", u"-csp -ucsp", [](FakeWindows& f) { f.defaultExitCode = 3010; },
       IDS_RESTART_ALL, true},
  };
  for (const auto& c : cases) {
    for (const char16_t* mode : {u"-norestart", u"-silent -norestart", u""}) {
      FakeWindows fake = Distribution();
      c.script(fake);
      const bool noDesktop = *mode == 0;
      fake.windowStationVisible = !noDesktop;
      const bool silent = std::u16string_view(mode).find(u"silent") != std::u16string_view::npos;
      std::u16string line = c.line;
      if (!line.empty() && !noDesktop) line += u" ";
      line += mode;
      EXPECT_EQ(RunSetup(fake.windows(), line), c.restartDue ? kSuccessRebootRequired : kSuccess)
          << c.name << Utf8(line);
      for (const std::u16string& entry : fake.log) EXPECT_NE(entry, u"restart") << c.name;
      // The confirmation and the result without a restart are shown as always; the
      // restart question never.
      std::vector<std::u16string> texts;
      for (const ShownBox& box : fake.boxes) texts.push_back(box.text);
      std::vector<std::u16string> expected;
      if (!silent && !noDesktop) {
        expected.push_back(
            Text(ConfirmationMessageId(line.find(u"-csp") != std::u16string::npos,
                                       line.find(u"-ucsp") != std::u16string::npos)));
        if (!c.restartDue) expected.push_back(Text(c.finalMessage));
      }
      EXPECT_EQ(texts, expected) << c.name << Utf8(line);
    }
  }
}

TEST(MainFlow, WithoutAVisibleDesktopNothingIsShownAndNothingWaits) {
  struct Case {
    const char16_t* line;
    void (*script)(FakeWindows&);
    std::uint32_t exitCode;
    std::size_t commands;
  } cases[] = {
      {u"", [](FakeWindows&) {}, kSuccess, 1},
      {u"-help", [](FakeWindows&) {}, kSuccess, 0},
      {u"-bogus", [](FakeWindows&) {}, kErrorInvalidCommandLine, 0},
      // Session 0 of Windows Vista and later: nobody sees a window, whatever the station says.
      {u"-help",
       [](FakeWindows& f) {
         f.windowStationVisible = true;
         f.sessionId = 0;
       },
       kSuccess, 0},
      {u"-csp -selectDlg", [](FakeWindows&) {}, kSuccess, 2},
      {u"-csp",
       [](FakeWindows& f) {
         f.processOutcomes[kProviderInstall] = {true, 0, true, 1603};
       },
       kErrorInstallFailure, 1},
      {u"", [](FakeWindows& f) { f.administrator = false; }, exit_code::kNotAdministrator, 0},
      // Even the one message an unattended run is shown.
      {u"-silent",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{4, 0, 6};
       },
       kErrorOldWinVersion, 0},
  };
  for (const auto& c : cases) {
    FakeWindows fake = Distribution();
    fake.windowStationVisible = false;
    c.script(fake);
    EXPECT_EQ(RunSetup(fake.windows(), c.line), c.exitCode) << Utf8(c.line);
    EXPECT_EQ(Visible(fake).size(), c.commands) << Utf8(c.line);  // only the programs run
    EXPECT_EQ(fake.Commands().size(), c.commands) << Utf8(c.line);
  }
}

// A distribution with the card provider's files and a certificate, the provider installed
// in an older version, and the plug-in's installation asking for a restart.
FakeWindows LoggedMachine() {
  FakeWindows fake = Distribution();
  fake.AddFile(u"UEC_x64_2.reg");
  fake.AddFile(u"UEC_acl_x64.acl");
  fake.AddFile(u"root.cer");
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"3F2A"};
  fake.osVersion = OsVersion{6, 1, 1, 7601};
  fake.packages[u"C:\\dist\\csp\\csp-x64-kc1-eng.msi"].properties[u"ProductVersion"] = u"4.0.1";
  fake.products[kProviderProductCode].version = u"3.6.10000";
  fake.products[kProviderProductCode].localPackage = u"C:\\Windows\\Installer\\1a.msi";
  fake.packages[u"C:\\Windows\\Installer\\1a.msi"].properties = {{u"ISReleaseFlags", u"kc1"},
                                                                 {u"ProductLanguage", u"1033"}};
  fake.defaultExitCode = kSuccessRebootRequired;
  return fake;
}

TEST(RunLog, RecordsEveryDecisionProgramAndAnswerOfARun) {
  FakeWindows fake = LoggedMachine();
  fake.defaultExitCode = kSuccess;
  fake.processOutcomes[kPluginInstall +
                       std::u16string(
                           u" /l*v+ \"C:\\logs\\setup.log.20261208-090507-3.msiexec.log\"")] = {
      true, 0, true, kSuccessRebootRequired};
  EXPECT_EQ(RunSetup(fake.windows(), u"-csp -ucsp -log C:\\logs\\setup.log -KC 1"), kSuccess);
  std::string expected = "\xEF\xBB\xBF";
  for (const char16_t* line : {
           u"setup.exe " PROGRAM_BUILD ", command line: -csp -ucsp -log C:\\logs\\setup.log -KC 1",
           u"start folder (current folder): C:\\dist",
           u"Windows 6.1.7601, service pack 1",
           u"64-bit Windows: yes, administrator: yes",
           u"interactive: yes",
           u"message 125 shown, answered Yes",
           u"from the options: level pieces \"*1*\", language pieces \"\"",
           u"language piece \"eng*\" from the system UI language",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: state 5",
           u"package \"csp*x64*.msi\": C:\\dist\\csp\\csp-x64-kc1-eng.msi",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: installed version 3.6.10000, package "
           u"version 4.0.1 (newer)",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: ISReleaseFlags \"kc1\" gives \"kc1*\"",
           u"product {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}: ProductLanguage \"1033\" gives "
           u"\"eng*\"",
           u"provider: installed, the package is the same or newer: refreshed in its configuration",
           u"package \"csp*x64*kc1*eng*\": C:\\dist\\csp\\csp-x64-kc1-eng.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i "
           u"\"C:\\dist\\csp\\csp-x64-kc1-eng.msi\" REINSTALL=ALL REINSTALLMODE=vomus REBOOT=R "
           u"/l*v+ \"C:\\logs\\setup.log.20261208-090507-1.msiexec.log\"",
           u"exit code 0 after 5 ms",
           u"product {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}: state -1",
           u"card provider: not installed",
           u"package \"ucsp*x64*eng*\": C:\\dist\\ucsp\\ucsp-x64-eng.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i "
           u"\"C:\\dist\\ucsp\\ucsp-x64-eng.msi\"  REBOOT=R /l*v+ "
           u"\"C:\\logs\\setup.log.20261208-090507-2.msiexec.log\"",
           u"exit code 0 after 5 ms",
           u"run C:\\WINDOWS\\regedit.exe: regedit /s UEC_x64_2.reg",
           u"exit code 0 after 5 ms",
           u"run C:\\WINDOWS\\system32\\regini.exe: regini UEC_acl_x64.acl",
           u"exit code 0 after 5 ms",
           u"certificate 3F2A from C:\\dist\\root.cer added to the machine's Root store",
           u"plug-in: product state -1, feature state -1: install",
           u"package \"velumcom*x64*\": C:\\dist\\plugin\\velumcom-2.1.0-x64.msi",
           u"run C:\\WINDOWS\\system32\\msiexec.exe: msiexec /qn /i "
           u"\"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi\"  REBOOT=R /l*v+ "
           u"\"C:\\logs\\setup.log.20261208-090507-3.msiexec.log\"",
           u"exit code 3010 after 5 ms",
           u"message 126 shown, answered Yes",
           u"restart requested",
           u"Windows took the restart request",
           u"exit code 0: success",
       }) {
    expected += "2026-12-08 09:05:07.042  " + Utf8(line) + "\r\n";
  }
  EXPECT_EQ(fake.writtenFiles[u"C:\\logs\\setup.log"], expected);
}

// A plain run on a machine whose numbers all differ: Windows 6.2.9200 with service pack 3,
// 32-bit, an administrator; the plug-in's package and the providers'.
FakeWindows NumberedMachine() {
  FakeWindows fake;
  for (const char16_t* file : {u"plugin\\velumcom-2.1.0-win32.msi", u"csp\\csp-win32-kc2-eng.msi",
                               u"ucsp\\ucsp-win32-eng.msi"}) {
    fake.AddFile(file);
    fake.packages[u"C:\\dist\\" + std::u16string(file)].properties[u"ProductVersion"] = u"2.1.0";
  }
  fake.osVersion = OsVersion{6, 2, 3, 9200};
  fake.wow64 = false;
  return fake;
}

TEST(RunLog, RecordsWhatEachKindOfRunDid) {
  const std::u16string longLog = u"C:\\" + std::u16string(226, u'x');  // 229 characters
  const std::u16string relativeLog(221, u'x');  // 229 characters from C:\dist
  struct Case {
    const char* name;
    std::u16string line;  // "-log L" is appended
    void (*script)(FakeWindows&);
    std::uint32_t exitCode;
    Lines logged;  // each a whole line of the log, in this order
  } cases[] = {
      {"interactive",
       u"",
       [](FakeWindows&) {},
       0,
       {u"Windows 6.2.9200, service pack 3", u"64-bit Windows: no, administrator: yes",
        u"interactive: yes", u"message 103 shown, answered Yes",
        u"package \"velumcom*win32*\": C:\\dist\\plugin\\velumcom-2.1.0-win32.msi",
        u"message 110 shown, answered OK", u"exit code 0: success"}},
      {"Windows 10 behind a manifest that stops at 6.2",
       u"",
       [](FakeWindows& f) {
         f.realOsVersion = OsVersion{10, 0, 0, 19045};
       },
       0,
       {u"Windows 10.0.19045, service pack 0"}},
      {"silent",
       u"-silent",
       [](FakeWindows&) {},
       0,
       {u"interactive: no (-silent)", u"message 103 not shown (silent)",
        u"message 110 not shown (silent)"}},
      {"no visible desktop",
       u"",
       [](FakeWindows& f) { f.windowStationVisible = false; },
       0,
       {u"interactive: no, the window station is not visible: no message, dialog or progress "
        u"window, no restart (as -silent -norestart)",
        u"message 103 not shown (no visible desktop)"}},
      {"session 0",
       u"",
       [](FakeWindows& f) { f.sessionId = 0; },
       0,
       {u"interactive: no, session 0 has no user to see windows: no message, dialog or progress "
        u"window, no restart (as -silent -norestart)"}},
      // On Windows XP and Server 2003 the console user's session is 0.
      {"session 0 of Windows XP",
       u"",
       [](FakeWindows& f) {
         f.osVersion = OsVersion{5, 1, 2};
         f.sessionId = 0;
         f.defaultExitCode = 3010;
         f.answers[Text(IDS_RESTART_PLUGIN)] = kIdNo;
       },
       0,
       {u"interactive: yes", u"message 108 shown, answered No"}},
      {"another installation ends in the run's last second",
       u"-silent",
       [](FakeWindows& f) {
         f.otherInstallations = {599100, 0};
       },
       0,
       {u"another installation is in progress: waiting for it to end, at most 600 s",
        u"another installation is in progress: waiting for it to end, at most 1 s"}},
      {"-norestart, 3010",
       u"-norestart",
       [](FakeWindows& f) { f.defaultExitCode = 3010; },
       3010,
       {u"restart needed: left to the caller (-norestart), message 108 not shown",
        u"exit code 3010: success, Windows must be restarted to complete it"}},
      {"restart declined",
       u"",
       [](FakeWindows& f) {
         f.defaultExitCode = 3010;
         f.answers[Text(IDS_RESTART_PLUGIN)] = kIdNo;
       },
       0,
       {u"message 108 shown, answered No", u"exit code 0: success"}},
      {"restart question not shown",
       u"",
       [](FakeWindows& f) {
         f.defaultExitCode = 3010;
         f.answers[Text(IDS_RESTART_PLUGIN)] = 0;
       },
       3010,
       {u"message 108 could not be shown: taken as in an unattended run",
        u"restart needed: left to the caller (the question could not be shown)"}},
      {"a failed flow",
       u"",
       [](FakeWindows& f) { f.defaultExitCode = 1603; },
       1603,
       {u"exit code 1603 after 5 ms", u"message 106 shown, answered OK",
        u"exit code 1603: Windows error 1603 (fatal error during installation), from msiexec"}},
      // Each code is read where it came from, never as another step's verdict.
      {"regini's 5",
       u"-ucsp",
       [](FakeWindows& f) {
         f.processOutcomes[u"regini UEC_acl_x86.acl"] = {true, 0, true, 5};
       },
       5,
       {u"exit code 5: Windows error 5 (access denied), from regini"}},
      {"a platform call's 5",
       u"",
       [](FakeWindows& f) { f.products[kPluginProductCode].infoErrors[u"VersionString"] = 5; },
       5,
       {u"exit code 5: Windows error 5 (access denied), from MsiGetProductInfoW (VersionString)"}},
      {"the first of two failures with one number",
       u"-csp -ucsp",
       [](FakeWindows& f) { f.defaultExitCode = 1603; },
       1603,
       {u"exit code 1603: Windows error 1603 (fatal error during installation), from msiexec"}},
      {"the check's 2",
       u"",
       [](FakeWindows& f) { f.osVersion.reset(); },
       2,
       {u"exit code 2: the Windows version could not be read"}},
      {"the dialog's choice",
       u"-csp -selectDlg",
       [](FakeWindows& f) {
         f.dialogOutcome = std::vector<std::uint16_t>{IDC_ENGLISH, IDC_KC2};
       },
       0,
       {u"configuration dialog: Next",
        u"with the dialog's choice: level pieces \"kc2*\", language pieces \"eng*\""}},
      // Taken as not shown: the run goes on, its restart left to the caller.
      {"a dialog that can't be created",
       u"-csp -selectDlg -norestart",
       [](FakeWindows& f) {
         f.dialogFails = true;
         f.defaultExitCode = 3010;
       },
       3010,
       {u"configuration dialog could not be created, error 1813: taken as not shown"}},
      {"the dialog cancelled",
       u"-csp -selectDlg",
       [](FakeWindows& f) { f.dialogOutcome = std::optional<std::vector<std::uint16_t>>{}; },
       0,
       {u"configuration dialog: Cancel", u"exit code 0: success"}},
      {"silent, with the dialog asked for and a restart due",
       u"-csp -selectDlg -silent",
       [](FakeWindows& f) { f.defaultExitCode = 3010; },
       0,
       {u"configuration dialog not shown", u"restart needed: restarting without asking (silent)"}},
      {"a command line not understood",
       u"-slient",
       [](FakeWindows&) {},
       1639,
       {u"command line not understood: argument \"-slient\": unknown option; nothing is "
        u"installed",
        u"help shown", u"exit code 1639: setup.exe's command line was not understood"}},
      {"a command line not understood, silent",
       u"-silent -slient",
       [](FakeWindows&) {},
       1639,
       {u"help not shown (silent)"}},
      {"the same version installed",
       u"",
       [](FakeWindows& f) {
         f.products[kPluginProductCode] = {5, u"2.1.0", u"", {{u"NPVELUM", 3}}, {}};
       },
       0,
       {u"package \"velumcom*win32*.msi\": C:\\dist\\plugin\\velumcom-2.1.0-win32.msi",
        u"product {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}: installed version 2.1.0, package "
        u"version 2.1.0 (same)",
        u"plug-in: product state 5, feature state 3: nothing to do"}},
  };
  for (const auto& c : cases) {
    FakeWindows fake = NumberedMachine();
    c.script(fake);
    const std::u16string line = c.line + (c.line.empty() ? u"" : u" ") + u"-log L";
    EXPECT_EQ(RunSetup(fake.windows(), line), c.exitCode) << c.name;
    std::string log = fake.writtenFiles[u"L"];
    std::size_t at = 0;
    for (const std::u16string& expected : c.logged) {
      at = log.find("  " + Utf8(expected) + "\r\n", at);
      EXPECT_NE(at, std::string::npos) << c.name << ": " << Utf8(expected) << "\n" << log;
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

TEST(RunLog, WritesItsBytesAsTheyStand) {
  struct Case {
    const char* name;
    std::u16string line;
    std::optional<std::string> before;  // the file as it was
    std::string starts, holds;          // literal bytes, never the program's own encoder
  } cases[] = {
      {"a Cyrillic path, new file",
       u"-silent -log \"C:\\журналы установки\\s.log\"",
       {},
       "\xEF\xBB\xBF"
       "2026-12-08 09:05:07.042  ",
       "command line: -silent -log "
       "\"C:\\\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB\xD1\x8B "},
      {"lone surrogates, either half, and a pair",
       u"-silent -log \"C:\\журналы установки\\s.log\" -VelumArgs \xDC00\xD800\xD83D\xDE00\xD800",
       {},
       "\xEF\xBB\xBF",
       "-VelumArgs \xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD\r\n"},
      {"an empty file already there", u"-silent -log \"C:\\журналы установки\\s.log\"", "",
       "\xEF\xBB\xBF"
       "2026-12-08 ",
       "\r\n"},
      {"an older log", u"-silent -log \"C:\\журналы установки\\s.log\"", "older\r\n",
       "older\r\n2026-12-08 ", "\r\n"},
  };
  for (const auto& c : cases) {
    FakeWindows fake = Distribution();
    const std::u16string path = u"C:\\журналы установки\\s.log";
    if (c.before) fake.writtenFiles[path] = *c.before;
    RunSetup(fake.windows(), c.line);
    const std::string& log = fake.writtenFiles[path];
    EXPECT_TRUE(log.starts_with(c.starts)) << c.name << "\n" << log;
    EXPECT_NE(log.find(c.holds), std::string::npos) << c.name << "\n" << log;
    // One mark at most, and only at the start of a new file.
    EXPECT_EQ(log.find("\xEF\xBB\xBF", 1), std::string::npos) << c.name;
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
}  // namespace setup
