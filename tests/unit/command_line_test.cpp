#include "app/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/fake_windows.h"
#include "ui/hidden_values.h"

namespace setup::testing {
namespace {

struct Parsed {
  ParseOutcome outcome;
  InstallerOptions options;
  PackageSelection selection;
  Rejection rejection;
};

Parsed Parse(const std::u16string& commandLine) {
  Parsed parsed{};
  parsed.outcome = ParseArguments(SplitLikeWindows(commandLine), parsed.options, parsed.selection,
                                  &parsed.rejection);
  return parsed;
}

TEST(CommandLine, TellsTheHelpAskedForFromAnArgumentNotUnderstood) {
  constexpr ParseOutcome kHelp = ParseOutcome::kHelp;
  constexpr ParseOutcome kBad = ParseOutcome::kNotUnderstood;
  constexpr char16_t kUnknown[] = u"unknown option";
  constexpr char16_t kValue[] = u"needs a value";
  constexpr char16_t kCsp[] = u"needs -csp before it";
  struct Case {
    const char16_t* line;
    ParseOutcome outcome;
    const char16_t* argument = u"";
    const char16_t* reason = u"";
    bool silent = false;
  } cases[] = {
      {u"-help", kHelp},
      {u"-silent -help", kHelp, u"", u"", true},
      {u"-csp -KC", kBad, u"-KC", kValue},
      {u"-KC 2", kBad, u"-KC", kCsp},
      {u"-Lang rus", kBad, u"-Lang", kCsp},
      {u"-CSPArgs A", kBad, u"-CSPArgs", kCsp},
      {u"-UCSPArgs X", kBad, u"-UCSPArgs", u"needs -ucsp before it"},
      {u"-csp -UCSPArgs X", kBad, u"-UCSPArgs", u"needs -ucsp before it"},
      {u"-VelumArgs", kBad, u"-VelumArgs", kValue},
      {u"/csp", kBad, u"/csp", kUnknown},
      {u"csp", kBad, u"csp", kUnknown},
      {u"-csp=1", kBad, u"-csp=1", kUnknown},
      {u"-csp -CSPArgs", kBad, u"-CSPArgs", kValue},
      {u"-selectDlgx", kBad, u"-selectDlgx", kUnknown},
      {u"-silent x", kBad, u"x", kUnknown, true},
      {u"-log", kBad, u"-log", kValue},
      {u"-silent -LOG", kBad, u"-LOG", kValue, true},
      {u"-log -NoRestart", kBad, u"-log", u"needs a file name, not the option \"-NoRestart\""},
      {u"-Log /? x.log -silent", kBad, u"-Log", u"needs a file name, not the option \"/?\"", true},
      {u"-ѕilent", kBad, u"-ѕilent", kUnknown},
      // A -silent after the typo still keeps the run quiet.
      {u"-slient -SILENT", kBad, u"-slient", kUnknown, true},
      {u"-uninstall -csp -KC 2", kBad, u"-KC", u"not with -uninstall"},
      {u"-VelumArgs X -uninstall -silent", kBad, u"-VelumArgs", u"not with -uninstall", true},
      {u"-Uninstall -ucsp -plan", kBad, u"-plan", u"not with -uninstall"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.line);
    EXPECT_EQ(std::tuple(p.outcome, p.rejection.argument, p.rejection.reason, p.options.silent),
              std::tuple(c.outcome, c.argument, c.reason, c.silent))
        << Utf8(c.line);
  }
  for (const char16_t* line : {u"--help", u"/help", u"-HELP", u"-?", u"/?", u"-h", u"/H"}) {
    EXPECT_EQ(Parse(line).outcome, kHelp) << Utf8(line);
  }
}

// The flags after thousands of arguments, whatever the case of their Latin letters.
TEST(CommandLine, ReadsFlagsWithoutCaseToTheEndOfThousandsOfArguments) {
  std::u16string line;
  for (int i = 0; i < 5000; ++i) line += u"-VelumArgs v ";
  const Parsed parsed = Parse(line + u"-CSP -SILENT -UcSp -SELECTDLG -NoRestart -LOG C:\\x.log");
  ASSERT_EQ(parsed.outcome, ParseOutcome::kOptions);
  const InstallerOptions& o = parsed.options;
  EXPECT_EQ(std::tuple(o.installProvider, o.installCardProvider, o.showSelectionDialog, o.silent,
                       o.noRestart, *o.logPath, o.pluginArgs.size()),
            std::tuple(true, true, true, true, true, u"C:\\x.log", 5000u * 2));
}

// A value is taken whatever it looks like: no row sets -silent or -norestart.
TEST(CommandLine, CollectsValues) {
  using Value = std::u16string;
  const std::tuple<const char16_t*, Value, Value, Value, Value, Value> cases[] = {
      {u"-csp -cspargs A=1 -cspargs B=2", u"A=1 B=2 ", u"", u"", u"", u""},
      {u"-csp -KC 2 -Lang rus", u"", u"", u"", u"*2*", u"*rus*"},
      {u"-csp -KC KC1 -kc 3", u"", u"", u"", u"*KC1**3*", u""},
      {u"-csp -Lang rus -LANG eng", u"", u"", u"", u"", u"*rus**eng*"},
      {u"-csp -CSPArgs -norestart -VelumArgs -log", u"-norestart ", u"", u"-log ", u"", u""},
      {u"-ucsp -UCSPArgs X -csp", u"", u"X ", u"", u"", u""},
      {u"-VelumArgs X -velumargs Y", u"", u"", u"X Y ", u"", u""},
      {u"-csp -ucsp -CSPArgs -silent -UCSPArgs -norestart", u"-silent ", u"-norestart ", u"", u"",
       u""},
      {u"-csp -CSPArgs \"A=1 B=2\"", u"A=1 B=2 ", u"", u"", u"", u""},
      {u"-VelumArgs \"\"", u"", u"", u" ", u"", u""},
  };
  for (const auto& [line, provider, card, plugin, level, language] : cases) {
    const Parsed p = Parse(line);
    ASSERT_EQ(p.outcome, ParseOutcome::kOptions) << Utf8(line);
    EXPECT_EQ(std::tie(p.options.providerArgs, p.options.cardProviderArgs, p.options.pluginArgs,
                       p.selection.levelPattern, p.selection.languagePattern),
              std::tie(provider, card, plugin, level, language))
        << Utf8(line);
    EXPECT_FALSE(p.options.silent || p.options.noRestart) << Utf8(line);
  }
}

// Split as the platform does; for the log, joined again with every property's value
// masked, its length without the quotes, the longest argument first.
TEST(CommandLine, SplitsLikeThePlatformAndMasksPropertyValues) {
  using Args = std::vector<std::u16string>;
  const std::tuple<std::u16string, Args, std::u16string> cases[] = {
      {u"-csp  -KC\t2", {u"-csp", u"-KC", u"2"}, u"-csp -KC 2"},
      {u"\"a b\" \"c d\" e\\\"f", {u"a b", u"c d", u"e\"f"}, u"\"a b\" \"c d\" e\"f"},
      {u"x \"unbalanced quote", {u"x", u"unbalanced quote"}, u"x \"unbalanced quote\""},
      {u"x a\\\\\"b c\"", {u"x", u"a\\b c"}, u"x \"a\\b c\""},
      {u"x K=\"a 😀\" C:\\k=1", {u"x", u"K=a 😀", u"C:\\k=1"}, u"x \"K=<3 characters>\" C:\\k=1"},
      {u"x \"K=a \"\"b\"\"\"", {u"x", u"K=a \"b\""}, u"x \"K=<3 characters>\""},
      {u"x \"K=\"\"a b", {u"x", u"K=\"a b"}, u"x \"K=<3 characters>\""},
      {u"x A=1 A=12", {u"x", u"A=1", u"A=12"}, u"x A=<1 character> A=<2 characters>"},
  };
  for (const auto& [line, arguments, shown] : cases) {
    EXPECT_EQ(SplitLikeWindows(line), arguments) << Utf8(line);
    EXPECT_EQ(HideValues(JoinArguments(arguments), FindHiddenValues(arguments)), shown)
        << Utf8(line);
  }
}

constexpr char16_t kGeneralHelp[] =
    u"Установщик Орвента ЭЦП Browser plug-in.\n"
    u"При запуске без параметров осуществляет установку с параметрами по умолчанию.\n"
    u"\n"
    u"Возможные параметры командной строки:\n"
    u"  -?\t\t вывести данную справку\n"
    u"  -velumargs \"<args>\" дополнительные параметры командной\n"
    u" \t\t строки(<args>) для вызова msiexec /i\n"
    u" \t\t при установке пакета MSI плагина\n"
    u"  -silent\t\t подавить диалоговые окна\n"
    u"  -norestart\t не перезагружать компьютер, вернуть код 3010\n"
    u"  -log <файл>\t дописать журнал установки в файл\n"
    u"  -plan\t\t записать в журнал, что изменит установка,\n"
    u" \t\t ничего не меняя\n"
    u"  -uninstall\t удалить установленные компоненты\n";
constexpr char16_t kProviderArgsHelp[] =
    u"  -cspargs \"<args>\"     дополнительные параметры командной\n"
    u" \t\t строки (<args>) для вызова msiexec /i\n"
    u" \t\t при установке пакета MSI Орвента CSP\n";
constexpr char16_t kCardProviderArgsHelp[] =
    u"  -ucspargs \"<args>\"   дополнительные параметры командной\n"
    u" \t\t строки (<args>) для вызова msiexec /i\n"
    u" \t\t при установке пакета MSI Орвента УЭК CSP\n";
constexpr char16_t kProviderOptionsHelp[] =
    u"  -selectDlg\t вывести диалог выбора конфигурации\n"
    u" \t\t Орвента CSP\n"
    u"  -KC\t\t уровень KC Орвента CSP\n"
    u"  -Lang\t\t язык Орвента CSP\n";

TEST(Help, ListsTheOptionsOfTheComponentsGivenBeforeIt) {
  const std::u16string general = kGeneralHelp;
  EXPECT_EQ(HelpText(false, false), general);
  EXPECT_EQ(HelpText(true, false), general + kProviderArgsHelp + kProviderOptionsHelp);
  EXPECT_EQ(HelpText(false, true), general + kCardProviderArgsHelp);
  EXPECT_EQ(HelpText(true, true),
            general + kProviderArgsHelp + kCardProviderArgsHelp + kProviderOptionsHelp);
}

}  // namespace
}  // namespace setup::testing
