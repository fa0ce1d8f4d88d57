#include "app/command_line.h"

#include <string_view>

#include "common/joined_text.h"

namespace setup {
namespace {

// Only the letters A to Z are folded: option names are ASCII, and other characters must
// not match them by accident.
std::u16string FoldAsciiCase(std::u16string text) {
  for (char16_t& unit : text) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  }
  return text;
}

bool IsHelpRequest(std::u16string_view name) {
  for (const char16_t* request : {u"-help", u"--help", u"/help", u"-?", u"/?", u"-h", u"/h"}) {
    if (name == request) return true;
  }
  return false;
}

bool IsOptionName(std::u16string_view name) {
  if (IsHelpRequest(name)) return true;
  for (const char16_t* option :
       {u"-csp", u"-ucsp", u"-selectdlg", u"-silent", u"-norestart", u"-log", u"-cspargs", u"-kc",
        u"-lang", u"-ucspargs", u"-velumargs", u"-plan", u"-uninstall"}) {
    if (name == option) return true;
  }
  return false;
}

// The argument after -log, unless there is none or it is one of our options: a script whose
// log variable came out empty ("-log %LOG% -norestart") must not lose the option after it.
const std::u16string* LogFileAfter(const std::vector<std::u16string>& arguments, std::size_t i) {
  if (i + 1 >= arguments.size() || IsOptionName(FoldAsciiCase(arguments[i + 1]))) return nullptr;
  return &arguments[i + 1];
}

// Why an argument that fits no option as it stands was not taken.
std::u16string ReasonNotTaken(std::u16string_view name, const InstallerOptions& options,
                              const std::u16string* next) {
  if (name == u"-log" && next != nullptr) {
    return Join({"needs a file name, not the option \"", *next, "\""});
  }
  if (name == u"-cspargs" || name == u"-kc" || name == u"-lang") {
    if (!options.installProvider) return u"needs -csp before it";
  } else if (name == u"-ucspargs") {
    if (!options.installCardProvider) return u"needs -ucsp before it";
  } else if (name != u"-log" && name != u"-velumargs") {
    return u"unknown option";
  }
  // A known value option with its condition met is only refused at the end of the line.
  return u"needs a value";
}

// What is still read once an argument was not understood: whether the run must stay
// quiet (any -silent at all, also one taken as a value: its caller meant an unattended
// run, which never waits for a click), and where it is recorded.
void ReadAfterRejection(const std::vector<std::u16string>& arguments, std::size_t from,
                        InstallerOptions& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::u16string name = FoldAsciiCase(arguments[i]);
    if (name == u"-silent") options.silent = true;
    if (i >= from && name == u"-log" && LogFileAfter(arguments, i)) {
      options.logPath = arguments[i + 1];
    }
  }
}

// What only an installation has: a removal takes none of it.
bool IsInstallationOnly(std::u16string_view name) {
  for (const char16_t* option :
       {u"-selectdlg", u"-cspargs", u"-kc", u"-lang", u"-ucspargs", u"-velumargs", u"-plan"}) {
    if (name == option) return true;
  }
  return false;
}

}  // namespace

ParseOutcome ParseArguments(const std::vector<std::u16string>& arguments, InstallerOptions& options,
                            PackageSelection& selection, Rejection* rejection) {
  const std::u16string* installationOnly = nullptr;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::u16string name = FoldAsciiCase(arguments[i]);
    const bool hasValue = i + 1 < arguments.size();
    if (IsHelpRequest(name)) return ParseOutcome::kHelp;
    if (installationOnly == nullptr && IsInstallationOnly(name)) installationOnly = &arguments[i];
    if (name == u"-csp") {
      options.installProvider = true;
    } else if (name == u"-ucsp") {
      options.installCardProvider = true;
    } else if (name == u"-selectdlg") {
      options.showSelectionDialog = true;
    } else if (name == u"-silent") {
      options.silent = true;
    } else if (name == u"-norestart") {
      options.noRestart = true;
    } else if (name == u"-plan") {
      options.preview = true;
    } else if (name == u"-uninstall") {
      options.uninstall = true;
    } else if (name == u"-log" && LogFileAfter(arguments, i)) {
      options.logPath = arguments[++i];
    } else if (options.installProvider && hasValue && name == u"-cspargs") {
      options.providerArgs += Join({arguments[++i], " "});
    } else if (options.installProvider && hasValue && name == u"-kc") {
      selection.levelPattern += Join({"*", arguments[++i], "*"});
    } else if (options.installProvider && hasValue && name == u"-lang") {
      selection.languagePattern += Join({"*", arguments[++i], "*"});
    } else if (options.installCardProvider && hasValue && name == u"-ucspargs") {
      options.cardProviderArgs += Join({arguments[++i], " "});
    } else if (hasValue && name == u"-velumargs") {
      options.pluginArgs += Join({arguments[++i], " "});
    } else {
      if (rejection != nullptr) {
        *rejection = {arguments[i],
                      ReasonNotTaken(name, options, hasValue ? &arguments[i + 1] : nullptr)};
      }
      ReadAfterRejection(arguments, i + 1, options);
      return ParseOutcome::kNotUnderstood;
    }
  }
  if (options.uninstall && installationOnly != nullptr) {
    if (rejection != nullptr) *rejection = {*installationOnly, u"not with -uninstall"};
    return ParseOutcome::kNotUnderstood;
  }
  return ParseOutcome::kOptions;
}

ParseOutcome ParseCommandLine(Windows& windows, const std::u16string& commandLine,
                              InstallerOptions& options, PackageSelection& selection,
                              Rejection* rejection) {
  return ParseArguments(windows.system.SplitCommandLine(commandLine), options, selection,
                        rejection);
}

std::u16string HelpText(bool installProvider, bool installCardProvider) {
  std::u16string text =
      u"Установщик Орвента ЭЦП Browser plug-in.\n"
      u"При запуске без параметров осуществляет установку с параметрами по умолчанию.\n"
      u"\n"
      u"Возможные параметры командной строки:\n"
      u"  -?\t\t вывести данную справку\n"
      u"  -velumargs \"<args>\" дополнительные параметры командной\n \t\t строки(<args>) для "
      u"вызова msiexec /i\n \t\t при установке пакета MSI плагина\n"
      u"  -silent\t\t подавить диалоговые окна\n"
      u"  -norestart\t не перезагружать компьютер, вернуть код 3010\n"
      u"  -log <файл>\t дописать журнал установки в файл\n"
      u"  -plan\t\t записать в журнал, что изменит установка,\n \t\t ничего не меняя\n"
      u"  -uninstall\t удалить установленные компоненты\n";
  if (installProvider) {
    text +=
        u"  -cspargs \"<args>\"     дополнительные параметры командной\n \t\t строки (<args>) для "
        u"вызова msiexec /i\n \t\t при установке пакета MSI Орвента CSP\n";
  }
  if (installCardProvider) {
    text +=
        u"  -ucspargs \"<args>\"   дополнительные параметры командной\n \t\t строки (<args>) для "
        u"вызова msiexec /i\n \t\t при установке пакета MSI Орвента УЭК CSP\n";
  }
  if (installProvider) {
    text +=
        u"  -selectDlg\t вывести диалог выбора конфигурации\n \t\t Орвента CSP\n"
        u"  -KC\t\t уровень KC Орвента CSP\n"
        u"  -Lang\t\t язык Орвента CSP\n";
  }
  return text;
}

}  // namespace setup
