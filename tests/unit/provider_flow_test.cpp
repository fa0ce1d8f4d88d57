#include "install/provider_flow.h"

#include <gtest/gtest.h>

#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::Msiexec;
using testing::ShownBox;
using testing::Utf8;
using Lines = std::vector<std::u16string>;

constexpr char16_t kReinstall[] = u"REINSTALL=ALL REINSTALLMODE=vomus";

TEST(ProviderPackageChoice, MasksAndArgumentsByProviderSituation) {
  const PackageSelection selection{u"*2*", u"*eng*"};
  struct Case {
    ProviderSituation situation;
    std::u16string mask, arguments;
  } cases[] = {
      {ProviderSituation::kChosenInDialog, u"csp*x64**2**eng* ", u"A=1 "},
      {ProviderSituation::kNothingInstalled, u"csp*x64**2**eng* ", u"A=1 "},
      {ProviderSituation::kInstalledNewerOrEqual, u"csp*x64*kc3*rus*",
       std::u16string(u"A=1 ") + kReinstall},
      {ProviderSituation::kInstalledOlder, u"csp*x64*", u"A=1 "},
      {ProviderSituation::kAlternateInstalled, u"csp*x64*kc3*rus*", u"A=1 "},
  };
  for (const Case& c : cases) {
    const PackageChoice choice =
        ChooseProviderPackage(c.situation, u"*x64*", selection, u"kc3*rus*", u"A=1 ");
    EXPECT_EQ(choice.mask, c.mask) << static_cast<int>(c.situation);
    EXPECT_EQ(choice.arguments, c.arguments) << static_cast<int>(c.situation);
  }
}

TEST(CardProviderPackageChoice, MasksAndArgumentsByCardProviderSituation) {
  struct Case {
    CardProviderSituation situation;
    std::u16string mask, arguments;
  } cases[] = {
      {CardProviderSituation::kInstalledNewerOrEqual, u"ucsp*win32*eng*",
       std::u16string(u"B ") + kReinstall},
      {CardProviderSituation::kInstalledOlder, u"ucsp*win32*", u"B "},
      {CardProviderSituation::kNotInstalled, u"ucsp*win32*rus*", u"B "},
  };
  for (const Case& c : cases) {
    const PackageChoice choice =
        ChooseCardProviderPackage(c.situation, u"*win32*", u"rus*", u"eng*", u"B ");
    EXPECT_EQ(choice.mask, c.mask);
    EXPECT_EQ(choice.arguments, c.arguments);
  }
}

TEST(ProviderFlow, LanguageDefaultComesFromTheSystemUiLanguage) {
  EXPECT_EQ(DefaultLanguagePattern(0x0419), u"rus*");
  EXPECT_EQ(DefaultLanguagePattern(0x0409), u"eng*");
  EXPECT_EQ(DefaultLanguagePattern(0x0422), u"eng*");  // Ukrainian
  EXPECT_EQ(DefaultLanguagePattern(0x0819), u"eng*");  // Russian (Moldova)
}

// A distribution with every provider variant; products installed as a test sets them.
FakeWindows Distribution() {
  FakeWindows fake;
  for (const char16_t* file :
       {u"csp\\csp-win32-kc1-rus.msi", u"csp\\csp-x64-kc1-eng.msi", u"csp\\csp-x64-kc1-rus.msi",
        u"csp\\csp-x64-kc2-rus.msi", u"csp\\csp-x64-kc3-eng.msi", u"ucsp\\ucsp-x64-eng.msi",
        u"ucsp\\ucsp-x64-rus.msi", u"ucsp\\ucsp-win32-rus.msi"}) {
    fake.AddFile(file);
    fake.packages[u"C:\\dist\\" + std::u16string(file)].properties[u"ProductVersion"] = u"4.0.9900";
  }
  fake.AddFile(u"UEC_x64_2.reg");
  fake.AddFile(u"UEC_acl_x64.acl");
  fake.AddFile(u"root.cer");
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"root"};
  return fake;
}

void Install(FakeWindows& fake, const std::u16string& code, const std::u16string& version,
             const std::u16string& flags, const std::u16string& language) {
  auto& product = fake.products[code];
  product.version = version;
  product.localPackage = u"C:\\Windows\\Installer\\" + code + u".msi";
  auto& properties = fake.packages[product.localPackage].properties;
  properties[u"ISReleaseFlags"] = flags;
  properties[u"ProductLanguage"] = language;
}

struct FlowRun {
  std::uint32_t result;
  Lines commands;
};

// What the main flow hands the provider flow.
struct FlowState {
  ProviderRequest request;
  PackageSelection selection;
};

FlowRun RunFlow(FakeWindows& fake, FlowState& state, RunMode mode = {},
                const std::u16string& providerArgs = u"", const std::u16string& cardArgs = u"") {
  Reporter reporter(fake.windows(), mode);
  state.request.providerArgs = providerArgs;
  state.request.cardProviderArgs = cardArgs;
  const std::uint32_t result =
      InstallProviders(fake.windows(), reporter, state.request, state.selection, {});
  return {result, fake.Commands()};
}

FlowState Options(bool provider, bool card, bool dialog = false) {
  FlowState state;
  state.request.provider = provider;
  state.request.cardProvider = card;
  state.request.chosenInDialog = dialog;
  return state;
}

TEST(ProviderFlow, NothingInstalledTakesTheOptionsAndTheLanguageDefault) {
  struct Case {
    std::uint16_t uiLanguage;
    PackageSelection selection;
    std::u16string expectedPath;
  } cases[] = {
      {0x0419, {}, u"csp\\csp-x64-kc1-rus.msi"},
      {0x0409, {}, u"csp\\csp-x64-kc1-eng.msi"},
      {0x0419, {u"*kc2*", u""}, u"csp\\csp-x64-kc2-rus.msi"},
      {0x0419, {u"*kc3*", u"*eng*"}, u"csp\\csp-x64-kc3-eng.msi"},
  };
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.uiLanguage = c.uiLanguage;
    FlowState state = Options(true, false);
    state.selection = c.selection;
    const FlowRun run = RunFlow(fake, state, {}, u"A=1 ");
    EXPECT_EQ(run.result, 0u);
    EXPECT_EQ(run.commands, (Lines{Msiexec(c.expectedPath, u"A=1 ")})) << Utf8(c.expectedPath);
  }
}

TEST(ProviderFlow, RefreshesAnInstalledProviderInItsOwnConfiguration) {
  FakeWindows fake = Distribution();
  Install(fake, kProviderProductCode, u"4.0.9900", u"kc2", u"1049");
  FlowState state = Options(true, false);
  state.selection = {u"*kc3*", u"*eng*"};  // the installed configuration wins
  const FlowRun run = RunFlow(fake, state, {}, u"A=1 ");
  EXPECT_EQ(run.commands,
            (Lines{Msiexec(u"csp\\csp-x64-kc2-rus.msi", std::u16string(u"A=1 ") + kReinstall)}));
}

TEST(ProviderFlow, OlderPackageTakesTheFirstOfTheArchitecture) {
  FakeWindows fake = Distribution();
  Install(fake, kProviderProductCode, u"4.0.9999", u"kc3", u"1033");
  FlowState state = Options(true, false);
  EXPECT_EQ(RunFlow(fake, state).commands, (Lines{Msiexec(u"csp\\csp-x64-kc1-eng.msi", u"")}));
}

TEST(ProviderFlow, AlternateProductIsReplacedInItsConfigurationWithoutReinstall) {
  FakeWindows fake = Distribution();
  Install(fake, kAlternateProviderProductCode, u"3.0.1", u"ovrmcsp", u"1049");
  FlowState state = Options(true, false);
  EXPECT_EQ(RunFlow(fake, state).commands, (Lines{Msiexec(u"csp\\csp-x64-kc2-rus.msi", u"")}));
  // The source list is that of the provider's own product code.
  EXPECT_EQ(fake.log[0], u"source list: resolve {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}");
}

TEST(ProviderFlow, RefusesAProviderTooOldToUpdate) {
  // By the versions' numbers: 3.6.10000 is newer than the minimum, and is not refused.
  for (const std::u16string version :
       {u"3.6.5364", u"3.6.05364", u"3.6.5000", u"3.6", u"3.5.99999"}) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = Distribution();
      Install(fake, kProviderProductCode, version, u"kc1", u"1049");
      FlowState state = Options(true, true);
      const FlowRun run = RunFlow(fake, state, {silent});
      EXPECT_EQ(run.result, 6u) << Utf8(version);
      EXPECT_TRUE(run.commands.empty()) << Utf8(version);
      EXPECT_TRUE(fake.rootStore.empty());
      const std::vector<ShownBox> expected =
          silent ? std::vector<ShownBox>{}
                 : std::vector<ShownBox>{
                       {u"Установленная версия Орвента CSP 3.6 слишком старая для обновления.\n"
                        u"Для установки удалите её из Add/Remove Programs и запустите установку "
                        u"заново.",
                        u"Обновление", kMbIconError}};
      EXPECT_EQ(fake.boxes, expected) << Utf8(version);
    }
  }
}

TEST(ProviderFlow, MinimumVersionAndNewerMayBeUpdated) {
  for (const std::u16string version : {u"3.6.5365", u"3.6.10000", u"3.6.05365", u"3.10.0"}) {
    FakeWindows fake = Distribution();
    Install(fake, kProviderProductCode, version, u"kc1", u"1049");
    FlowState state = Options(true, false);
    const FlowRun run = RunFlow(fake, state);
    EXPECT_EQ(run.result, kSuccess) << Utf8(version);
    EXPECT_EQ(run.commands, (Lines{Msiexec(u"csp\\csp-x64-kc1-rus.msi", kReinstall)}))
        << Utf8(version);
  }
}

TEST(ProviderFlow, DialogPathQueriesNothingInstalled) {
  FakeWindows fake = Distribution();
  Install(fake, kProviderProductCode, u"3.0", u"kc2", u"1033");  // would be refused if asked
  FlowState state = Options(true, false, true);
  state.selection = {u"kc3*", u"eng*"};
  const FlowRun run = RunFlow(fake, state);
  EXPECT_EQ(run.result, 0u);
  EXPECT_EQ(run.commands, (Lines{Msiexec(u"csp\\csp-x64-kc3-eng.msi", u"")}));
}

TEST(ProviderFlow, CardProviderThenItsFilesThenTheCertificates) {
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  FlowState state = Options(false, true);
  const FlowRun run = RunFlow(fake, state, {}, u"", u"U=1 ");
  EXPECT_EQ(run.result, 0u);
  EXPECT_EQ(run.commands, (Lines{Msiexec(u"ucsp\\ucsp-x64-rus.msi", u"U=1 "),
                                 u"regedit /s UEC_x64_2.reg", u"regini UEC_acl_x64.acl"}));
  EXPECT_EQ(fake.log.back(), u"close store C:\\dist\\root.cer");
  EXPECT_EQ(fake.rootStore, (Lines{u"root"}));
}

TEST(ProviderFlow, InstalledCardProviderIsRefreshedInItsLanguageOrLeftToTheFirstPackage) {
  struct Case {
    std::u16string installed;
    Lines commands;
  } cases[] = {
      {u"4.0.9900", {Msiexec(u"ucsp\\ucsp-x64-eng.msi", kReinstall)}},
      {u"5.0", {Msiexec(u"ucsp\\ucsp-x64-eng.msi", u"")}},
  };
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.uiLanguage = 0x0419;
    Install(fake, kCardProviderProductCode, c.installed, u"kc3", u"1033");
    FlowState state = Options(false, true);
    Lines commands = RunFlow(fake, state).commands;
    commands.resize(1);
    EXPECT_EQ(commands, c.commands) << Utf8(c.installed);
  }
}

TEST(ProviderFlow, CombinesTheCodesOfAllItsSteps) {
  struct Case {
    std::uint32_t provider, card, regedit, regini, expected, certificate = 0;
  } cases[] = {
      {3010, 0, 0, 0, 3010}, {0, 3010, 0, 0, 3010}, {1603, 3010, 0, 0, 1603},
      {0, 1603, 2, 0, 1603}, {0, 0, 2, 5, 2},       {3010, 0, 0, 1, 1},
      {0, 0, 0, 0, 0},       {3010, 0, 0, 0, 5, 5},  // the Root store refused the certificate
  };
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.uiLanguage = 0x0419;
    fake.processOutcomes[Msiexec(u"csp\\csp-x64-kc1-rus.msi", u"")] = {true, 0, true, c.provider};
    fake.processOutcomes[Msiexec(u"ucsp\\ucsp-x64-rus.msi", u"")] = {true, 0, true, c.card};
    fake.processOutcomes[u"regedit /s UEC_x64_2.reg"] = {true, 0, true, c.regedit};
    fake.processOutcomes[u"regini UEC_acl_x64.acl"] = {true, 0, true, c.regini};
    if (c.certificate != 0) fake.certificateErrors[u"root"] = c.certificate;
    FlowState state = Options(true, true);
    const FlowRun run = RunFlow(fake, state);
    EXPECT_EQ(run.result, c.expected) << c.provider << " " << c.card;
    // A failure of one step never keeps the later ones from running.
    EXPECT_EQ(run.commands.size(), 4u);
    EXPECT_EQ(fake.rootStore.size(), c.certificate == 0 ? 1u : 0u);
  }
}

TEST(ProviderFlow, FailedDetectionEndsTheWholeFlow) {
  FakeWindows fake = Distribution();
  Install(fake, kProviderProductCode, u"4.0.9900", u"kc2", u"1049");
  fake.products[kProviderProductCode].infoErrors[u"LocalPackage"] = 1610;
  FlowState state = Options(true, true);
  const FlowRun run = RunFlow(fake, state, {true});
  EXPECT_EQ(run.result, 1610u);
  EXPECT_TRUE(run.commands.empty());
  EXPECT_TRUE(fake.rootStore.empty());
}

TEST(ProviderFlow, FailedCardComparisonKeepsTheProvidersFailure) {
  struct Case {
    std::uint32_t provider, expected;
  } cases[] = {{kSuccess, kErrorUnknownProduct},
               {kSuccessRebootRequired, kErrorUnknownProduct},
               {kErrorInstallFailure, kErrorInstallFailure}};
  for (const Case& c : cases) {
    FakeWindows fake = Distribution();
    fake.products[kCardProviderProductCode].version = u"1.0";
    fake.products[kCardProviderProductCode].infoErrors[u"VersionString"] = kErrorUnknownProduct;
    fake.defaultExitCode = c.provider;
    FlowState state = Options(true, true);
    const FlowRun run = RunFlow(fake, state, {true});
    EXPECT_EQ(run.result, c.expected) << c.provider;
    EXPECT_EQ(run.commands.size(), 1u);  // only the provider's msiexec
    EXPECT_TRUE(fake.rootStore.empty());
  }
}

TEST(ProviderFlow, WithoutComponentsOnlyPreparesTheLanguage) {
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  FlowState state = Options(false, false);
  EXPECT_EQ(RunFlow(fake, state).result, 0u);
  EXPECT_TRUE(fake.log.empty());
  EXPECT_EQ(state.selection.languagePattern, u"rus*");
}

TEST(ProviderFlow, ProviderAloneTouchesNeitherCardFilesNorCertificates) {
  FakeWindows fake = Distribution();
  FlowState state = Options(true, false);
  EXPECT_EQ(RunFlow(fake, state).commands.size(), 1u);
  EXPECT_TRUE(fake.rootStore.empty());
}

TEST(ProviderFlow, OnlyTheDefaultStateCountsAsInstalled) {
  // A provider too old to update is refused only when it really is installed.
  for (const std::int32_t state : {-1, 1, 2, 3, 4}) {
    FakeWindows fake = Distribution();
    fake.uiLanguage = 0x0419;
    Install(fake, kProviderProductCode, u"3.0", u"kc2", u"1033");
    Install(fake, kCardProviderProductCode, u"9.0", u"", u"1033");
    fake.products[kProviderProductCode].state = state;
    fake.products[kCardProviderProductCode].state = state;
    FlowState options = Options(true, true);
    const FlowRun run = RunFlow(fake, options);
    EXPECT_EQ(run.result, 0u) << state;
    ASSERT_EQ(run.commands.size(), 4u) << state;
    EXPECT_EQ(run.commands[0], Msiexec(u"csp\\csp-x64-kc1-rus.msi", u"")) << state;
    EXPECT_EQ(run.commands[1], Msiexec(u"ucsp\\ucsp-x64-rus.msi", u"")) << state;
  }
}

TEST(ProviderFlow, ProviderWinsOverTheAlternateWhenBothAreInstalled) {
  FakeWindows fake = Distribution();
  Install(fake, kProviderProductCode, u"4.0.9900", u"kc3", u"1033");
  Install(fake, kAlternateProviderProductCode, u"3.0.1", u"ovrmcsp", u"1049");
  FlowState state = Options(true, false);
  EXPECT_EQ(RunFlow(fake, state).commands,
            (Lines{Msiexec(u"csp\\csp-x64-kc3-eng.msi", kReinstall)}));
}

TEST(ProviderFlow, SilentRunsReportEveryFailureOnlyByItsCode) {
  struct Case {
    const char* name;
    bool emptyDistribution;
    void (*script)(FakeWindows&);
    bool provider, card;
    PackageSelection selection;
    std::uint32_t code;
  } cases[] = {
      {"no provider package to compare with",
       true,
       [](FakeWindows& f) { Install(f, kProviderProductCode, u"4.0", u"kc1", u"1049"); },
       true,
       false,
       {},
       232},
      {"installed package path unreadable",
       false,
       [](FakeWindows& f) {
         Install(f, kProviderProductCode, u"4.0.9900", u"kc1", u"1049");
         f.products[kProviderProductCode].infoErrors[u"LocalPackage"] = 1605;
       },
       true,
       false,
       {},
       1605},
      {"card provider's version unreadable",
       false,
       [](FakeWindows& f) {
         Install(f, kCardProviderProductCode, u"4.0", u"", u"1049");
         f.products[kCardProviderProductCode].infoErrors[u"VersionString"] = 1605;
       },
       false,
       true,
       {},
       1605},
      {"no package for the chosen level",
       false,
       [](FakeWindows&) {},
       true,
       false,
       {u"*kc9*", u""},
       232},
  };
  for (const Case& c : cases) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = c.emptyDistribution ? FakeWindows() : Distribution();
      c.script(fake);
      FlowState state = Options(c.provider, c.card);
      state.selection = c.selection;
      EXPECT_EQ(RunFlow(fake, state, {silent}).result, c.code) << c.name;
      EXPECT_EQ(fake.boxes.size(), silent ? 0u : 1u) << c.name << " " << silent;
    }
  }
}

TEST(ProviderFlow, EachProviderTellsTheInstallerItsOwnPackageFile) {
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  FlowState state = Options(true, true);
  RunFlow(fake, state);
  const auto sourceList = [&](const std::u16string& code, const std::u16string& file) {
    return Lines{u"source list: resolve " + code,
                 u"source list: " + code + u" PackageName=" + file};
  };
  Lines expected = sourceList(kProviderProductCode, u"csp-x64-kc1-rus.msi");
  expected.push_back(u"run: " + Msiexec(u"csp\\csp-x64-kc1-rus.msi", u""));
  for (const auto& line : sourceList(kCardProviderProductCode, u"ucsp-x64-rus.msi")) {
    expected.push_back(line);
  }
  expected.push_back(u"run: " + Msiexec(u"ucsp\\ucsp-x64-rus.msi", u""));
  EXPECT_EQ(Lines(fake.log.begin(), fake.log.begin() + 6), expected);
}

}  // namespace
}  // namespace setup
