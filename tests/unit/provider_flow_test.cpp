#include "install/provider_flow.h"

#include <gtest/gtest.h>

#include "common/exit_codes.h"
#include "packages/installer_queries.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::InstalledProduct;
using testing::Msiexec;
using testing::Plan;
using testing::ProviderCommands;
using testing::ShownBox;
using testing::Utf8;
using Lines = std::vector<std::u16string>;

constexpr char16_t kReinstall[] = u"REINSTALL=ALL REINSTALLMODE=vomus";
constexpr char16_t kRegedit[] = u"regedit /s UEC_x64_2.reg";
constexpr char16_t kRegini[] = u"regini UEC_acl_x64.acl";

// The installation of csp\csp-x64-<pieces>.msi and of ucsp\ucsp-x64-<language>.msi.
std::u16string Csp(const std::u16string& pieces, const std::u16string& args = u"") {
  return Msiexec(u"csp\\csp-x64-" + pieces + u".msi", args);
}
std::u16string Ucsp(const std::u16string& language, const std::u16string& args = u"") {
  return Msiexec(u"ucsp\\ucsp-x64-" + language + u".msi", args);
}

TEST(ProviderPackageChoice, PiecesAndArgumentsBySituation) {
  const PackageSelection selection{u"*2*", u"*eng*"};
  const MaskPieces installed{u"kc3*", u"rus*"}, chosen = ChosenPieces(kProvider, selection);
  const std::u16string a1 = u"A=1 ", reinstall = a1 + kReinstall;
  const auto csp = [&](auto s) { return ChooseProviderPackage(s, selection, installed, a1); };
  const auto ucsp = [&](auto s) { return ChooseCardProviderPackage(s, selection, installed, a1); };
  const std::pair<PackageChoice, PackageChoice> cases[] = {
      {csp(ProviderSituation::kChosenInDialog), {chosen, a1}},
      {csp(ProviderSituation::kNothingInstalled), {chosen, a1}},
      {csp(ProviderSituation::kInstalledNewerOrEqual), {installed, reinstall}},
      {csp(ProviderSituation::kInstalledOlder), {{}, a1}},
      {csp(ProviderSituation::kAlternateInstalled), {installed, a1}},
      {ucsp(CardProviderSituation::kInstalledNewerOrEqual), {installed, reinstall}},
      {ucsp(CardProviderSituation::kInstalledOlder), {{}, a1}},
      {ucsp(CardProviderSituation::kNotInstalled), {ChosenPieces(kCardProvider, selection), a1}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.first, c.second) << &c - cases;
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
  testing::AddPackages(
      fake, u"4.0.9900",
      {u"csp\\csp-win32-kc1-rus.msi", u"csp\\csp-x64-kc1-eng.msi", u"csp\\csp-x64-kc1-rus.msi",
       u"csp\\csp-x64-kc2-rus.msi", u"csp\\csp-x64-kc3-eng.msi", u"ucsp\\ucsp-x64-eng.msi",
       u"ucsp\\ucsp-x64-rus.msi", u"ucsp\\ucsp-win32-rus.msi"});
  fake.AddFile(u"UEC_x64_2.reg");
  fake.AddFile(u"UEC_acl_x64.acl");
  fake.AddFile(u"root.cer");
  fake.AddFile(u"plugin\\velumcom-x64.msi");
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"root"};
  return fake;
}

// The products by their packages' prefix.
constexpr const char16_t* kCsp = kProviderProductCode;
constexpr const char16_t* kCspAlternate = kAlternateProviderProductCode;
constexpr const char16_t* kUcsp = kCardProviderProductCode;

// What the options ask of the providers.
struct Request {
  bool provider = false, card = false, dialog = false;
  std::u16string providerArgs = {}, cardArgs = {};
  operator RunRequest() const { return {provider, card, dialog, providerArgs, cardArgs, {}}; }
};

// The command line asking for `r` with the pieces of `s`, whose stars -KC and -Lang add.
std::u16string CommandLine(const Request& r, PackageSelection s) {
  std::erase(s.levelPattern, u'*');
  std::erase(s.languagePattern, u'*');
  const auto option = [](const char* name, const std::u16string& value) {
    return value.empty() ? u"" : Join({name, value});
  };
  return Join({r.provider ? "-csp" : "", r.card ? " -ucsp" : "", r.dialog ? " -selectDlg" : "",
               option(" -CSPArgs ", r.providerArgs), option(" -UCSPArgs ", r.cardArgs),
               option(" -KC ", s.levelPattern), option(" -Lang ", s.languagePattern)});
}

TEST(ProviderFlow, InstallsThePackageOfEachSituation) {
  const std::u16string a1 = u"A=1 ";
  struct Case {
    std::vector<InstalledProduct> installed;
    Request request;
    PackageSelection selection;
    Lines commands;  // the card provider's files follow its package
    std::uint16_t uiLanguage = 0x0419;
  } cases[] = {
      // Nothing installed: the options and the system's language.
      {{}, {true, false, false, a1}, {}, {Csp(u"kc1-rus", a1)}},
      {{}, {true, false, false, a1}, {}, {Csp(u"kc1-eng", a1)}, 0x0409},
      {{}, {true, false, false, a1}, {u"*kc2*", u""}, {Csp(u"kc2-rus", a1)}},
      {{}, {true, false, false, a1}, {u"*kc3*", u"*eng*"}, {Csp(u"kc3-eng", a1)}},
      // Refreshed in its own configuration, whatever the options; from the minimum version
      // on, by the versions' numbers.
      {{{kCsp, u"4.0.9900", u"kc2", u"1049"}},
       {true, false, false, a1},
       {u"*kc3*", u"*eng*"},
       {Csp(u"kc2-rus", a1 + kReinstall)}},
      {{{kCsp, u"3.6.5365", u"kc1", u"1049"}}, {true}, {}, {Csp(u"kc1-rus", kReinstall)}},
      {{{kCsp, u"3.6.10000", u"kc1", u"1049"}}, {true}, {}, {Csp(u"kc1-rus", kReinstall)}},
      {{{kCsp, u"3.6.05365", u"kc1", u"1049"}}, {true}, {}, {Csp(u"kc1-rus", kReinstall)}},
      {{{kCsp, u"3.10.0", u"kc1", u"1049"}}, {true}, {}, {Csp(u"kc1-rus", kReinstall)}},
      // An older package: the first of the architecture.
      {{{kCsp, u"4.0.9999", u"kc3", u"1033"}}, {true}, {}, {Csp(u"kc1-eng")}},
      // The alternate product is replaced in its configuration, unless the provider is there.
      {{{kCspAlternate, u"3.0.1", u"ovrmcsp", u"1049"}}, {true}, {}, {Csp(u"kc2-rus")}},
      {{{kCsp, u"4.0.9900", u"kc3", u"1033"}, {kCspAlternate, u"3.0.1", u"ovrmcsp", u"1049"}},
       {true},
       {},
       {Csp(u"kc3-eng", kReinstall)}},
      // The dialog's choice asks nothing of the machine: this provider would be refused.
      {{{kCsp, u"3.0", u"kc2", u"1033"}},
       {true, false, true},
       {u"kc3*", u"eng*"},
       {Csp(u"kc3-eng")}},
      // The card provider, then its files; an installed one refreshed in its language, or
      // left to the first package.
      {{}, {false, true, false, u"", u"U=1 "}, {}, {Ucsp(u"rus", u"U=1 ")}},
      {{{kUcsp, u"4.0.9900", u"kc3", u"1033"}}, {false, true}, {}, {Ucsp(u"eng", kReinstall)}},
      {{{kUcsp, u"5.0", u"kc3", u"1033"}}, {false, true}, {}, {Ucsp(u"eng")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeWindows fake = Distribution();
    fake.uiLanguage = c.uiLanguage;
    for (const InstalledProduct& product : c.installed) Install(fake, product);
    const testing::PlannedRun run = Plan(fake, c.request, false, c.selection);
    EXPECT_EQ(run.code, kSuccess);
    FakeWindows preview = Distribution();
    preview.uiLanguage = c.uiLanguage;
    for (const InstalledProduct& product : c.installed) Install(preview, product);
    testing::ExpectPlanShows(preview, CommandLine(c.request, c.selection), run);
    Lines expected = c.commands;
    if (c.request.card) expected.insert(expected.end(), {kRegedit, kRegini});
    EXPECT_EQ(ProviderCommands(run.plan), expected);
    // The certificates come with the card provider alone, after its files, before the plug-in.
    const std::size_t count = run.plan.steps.size();
    EXPECT_EQ(count >= 2 && run.plan.steps[count - 2].action == StepAction::kImportCertificates,
              c.request.card);
  }
}

TEST(ProviderFlow, RefusesAProviderTooOldToUpdate) {
  for (const std::u16string version :
       {u"3.6.5364", u"3.6.05364", u"3.6.5000", u"3.6", u"3.5.99999"}) {
    for (const bool silent : {false, true}) {
      FakeWindows fake = Distribution();
      Install(fake, {kProviderProductCode, version, u"kc1", u"1049"});
      EXPECT_EQ(Plan(fake, Request{true, true}, false, {}, {silent}).code, 6u) << Utf8(version);
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
    fake.processOutcomes[Csp(u"kc1-rus")] = {true, 0, true, c.provider};
    fake.processOutcomes[Ucsp(u"rus")] = {true, 0, true, c.card};
    fake.processOutcomes[kRegedit] = {true, 0, true, c.regedit};
    fake.processOutcomes[kRegini] = {true, 0, true, c.regini};
    if (c.certificate != 0) fake.certificateErrors[u"root"] = c.certificate;
    const testing::PlannedRun run = Plan(fake, Request{true, true}, true);
    EXPECT_EQ(run.applied.providers, c.expected) << c.provider << " " << c.card;
    // A failure of one provider step never keeps the later ones from running, and keeps
    // the plug-in from going in.
    EXPECT_EQ(fake.Commands().size(), IsSuccess(c.expected) ? 5u : 4u);
    EXPECT_EQ(fake.rootStore.size(), c.certificate == 0 ? 1u : 0u);
  }
}

TEST(ProviderFlow, OnlyTheDefaultStateCountsAsInstalled) {
  // A provider too old to update is refused only when it really is installed.
  for (const std::int32_t state : {-1, 1, 2, 3, 4}) {
    FakeWindows fake = Distribution();
    fake.uiLanguage = 0x0419;
    Install(fake, {kCsp, u"3.0", u"kc2", u"1033"});
    Install(fake, {kUcsp, u"9.0", u"", u"1033"});
    fake.products[kProviderProductCode].state = state;
    fake.products[kCardProviderProductCode].state = state;
    const testing::PlannedRun run = Plan(fake, Request{true, true});
    EXPECT_EQ(run.code, 0u) << state;
    EXPECT_EQ(ProviderCommands(run.plan), (Lines{Csp(u"kc1-rus"), Ucsp(u"rus"), kRegedit, kRegini}))
        << state;
  }
}

TEST(ProviderFlow, SilentRunsReportEveryFailureOnlyByItsCode) {
  struct Case {
    Request request;
    InstalledProduct installed;
    const char16_t* unreadable;  // the installed product's attribute that can't be read
    PackageSelection selection;
    std::uint32_t code;
  } cases[] = {
      // No package to compare the installed provider with.
      {{true}, {kCsp, u"4.0", u"kc9", u"1049"}, nullptr, {}, 232},
      // The whole flow ends: the card provider is not looked at.
      {{true, true}, {kCsp, u"4.0.9900", u"kc1", u"1049"}, u"LocalPackage", {}, 1605},
      // Nor is the provider installed before the card provider's detection fails.
      {{true, true}, {kUcsp, u"4.0", u"", u"1049"}, u"VersionString", {}, 1605},
      {{false, true}, {kUcsp, u"4.0", u"", u"1049"}, u"VersionString", {}, 1605},
      // No package for the chosen level.
      {{true}, {}, nullptr, {u"*kc9*", u""}, 232},
  };
  for (const Case& c : cases) {
    for (const bool silent : {false, true}) {
      SCOPED_TRACE(::testing::Message() << (&c - cases) << (silent ? " silent" : ""));
      FakeWindows fake = Distribution();
      if (c.installed.code != nullptr) Install(fake, c.installed);
      if (c.unreadable != nullptr) fake.products[c.installed.code].infoErrors[c.unreadable] = 1605;
      EXPECT_EQ(Plan(fake, c.request, true, c.selection, {silent}).code, c.code);
      EXPECT_TRUE(fake.Commands().empty());
      EXPECT_TRUE(fake.rootStore.empty());
      EXPECT_EQ(fake.boxes.size(), silent ? 0u : 1u);
    }
  }
}

TEST(ProviderFlow, EachProviderTellsTheInstallerItsOwnPackageFile) {
  // The alternate product installed: the provider's own product code is the one told.
  FakeWindows fake = Distribution();
  fake.uiLanguage = 0x0419;
  Install(fake, {kCspAlternate, u"3.0.1", u"ovrmcsp", u"1049"});
  Plan(fake, Request{true, true}, true);
  EXPECT_EQ(Lines(fake.log.begin(), fake.log.begin() + 6),
            (Lines{u"source list: resolve {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58}",
                   u"source list: {5D0C9E21-7A3B-4E6F-8B12-C4D7A90E3F58} "
                   u"PackageName=csp-x64-kc2-rus.msi",
                   u"run: " + Csp(u"kc2-rus"),
                   u"source list: resolve {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B}",
                   u"source list: {3F6B82D4-E015-4A97-B2C3-9D4E57A1F08B} "
                   u"PackageName=ucsp-x64-rus.msi",
                   u"run: " + Ucsp(u"rus")}));
}

}  // namespace
}  // namespace setup
