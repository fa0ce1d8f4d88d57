#include "app/main_flow.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "common/exit_codes.h"
#include "install/plugin_flow.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::Distribution;
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
         f.processOutcomes[RemovalCommand(kPlugin)] = {true, 0, true, 3010};
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

}  // namespace
}  // namespace setup
