#include "ui/reporter.h"

#include "platform/windows_constants.h"
#include "ui/exit_codes.h"
#include "ui/message_catalogue.h"

namespace setup {
namespace {

std::u16string LoadText(Windows& windows, std::uint16_t id) {
  // A message missing from a damaged table shows as an empty text, never another's.
  std::u16string text;
  LoadMessage(windows, id, text);
  return text;
}

std::u16string AnswerName(std::int32_t answer) {
  switch (answer) {
    case kIdOk:
      return u"OK";
    case kIdYes:
      return u"Yes";
    case kIdNo:
      return u"No";
    default:
      return DecimalText(static_cast<std::uint32_t>(answer));
  }
}

struct CodeName {
  std::uint32_t code;
  const char16_t* name;
};

// Windows' own words for the codes a tool or a platform call most often gives.
constexpr CodeName kWindowsErrorNames[] = {
    {kErrorFileNotFound, u"file not found"},
    {3, u"path not found"},
    {5, u"access denied"},
    {kErrorNotEnoughMemory, u"not enough memory"},
    {kErrorGenFailure, u"general failure"},
    {87, u"invalid parameter"},
    {1601, u"the Windows Installer service could not be accessed"},
    {1602, u"cancelled by the user"},
    {kErrorInstallFailure, u"fatal error during installation"},
    {kErrorUnknownProduct, u"unknown product"},
    {1612, u"the installation source is not available"},
    {kErrorInstallAlreadyRunning, u"another installation is in progress"},
    {kErrorInstallPackageOpenFailed, u"the package could not be opened"},
    {kErrorInstallPackageInvalid, u"not a valid Windows Installer package"},
    {1622, u"the installer's log file could not be opened"},
    {1625, u"forbidden by system policy"},
    {1633, u"this platform is not supported"},
    {1638, u"another version of this product is already installed"},
    {kErrorInvalidCommandLine, u"invalid command line"},
    {kSuccessRebootInitiated, u"the installer started a restart"},
};

std::u16string WindowsError(std::uint32_t code) {
  // Large codes are HRESULTs (crypt32's), which are read in hexadecimal.
  std::u16string text =
      u"Windows error " + (code >= 0x80000000u ? HexText(code) : DecimalText(code));
  for (const CodeName& known : kWindowsErrorNames) {
    if (known.code == code) text += u" (" + std::u16string(known.name) + u")";
  }
  return text;
}

// The program's own verdicts, by the message that tells them and their code: the code
// means this only when that step gave it.
struct Verdict {
  std::uint16_t messageId;
  std::uint32_t code;
  const char16_t* meaning;
};
constexpr Verdict kVerdicts[] = {
    {IDS_NOT_ADMINISTRATOR, exit_code::kNotAdministrator, u"the account is not an administrator"},
    {IDS_VERSION_UNREADABLE, exit_code::kVersionUnreadable,
     u"the Windows version could not be read"},
    {IDS_SYSTEM_TOO_OLD, kErrorOldWinVersion, u"Windows older than Windows 2000"},
    {IDS_WINDOWS_2000_NEEDS_SP4, exit_code::kWindows2000NeedsSp4,
     u"Windows 2000 needs Service Pack 4"},
    {IDS_WINDOWS_XP_NEEDS_SP2, exit_code::kWindowsXpNeedsSp2, u"Windows XP needs Service Pack 2"},
    {IDS_WINDOWS_2003_NEEDS_SP2, exit_code::kWindows2003NeedsSp2,
     u"Windows Server 2003 needs Service Pack 2"},
    {IDS_PROVIDER_TOO_OLD, exit_code::kProviderTooOld,
     u"the installed provider is too old to be updated"},
    {IDS_PACKAGE_NOT_FOUND, kErrorNoData, u"no package matching the mask in the distribution"},
};

// The platform call whose code a failure told with this message passes on.
constexpr CodeName kFailedCalls[] = {
    {IDS_INSTALLED_VERSION_UNREADABLE, u"MsiGetProductInfoW (VersionString)"},
    {IDS_INSTALLED_PATH_UNREADABLE, u"MsiGetProductInfoW (LocalPackage)"},
    {IDS_PACKAGE_NOT_OPENED, u"MsiOpenPackageExW"},
    {IDS_PACKAGE_VERSION_UNREADABLE, u"MsiGetPropertyW (ProductVersion)"},
    {IDS_RELEASE_FLAGS_UNREADABLE, u"MsiGetPropertyW (ISReleaseFlags)"},
    {IDS_LANGUAGE_UNREADABLE, u"MsiGetPropertyW (ProductLanguage)"},
    {IDS_PACKAGE_NOT_FOUND, u"the package search"},
};

}  // namespace

void Progress::Resume() {
  if (thread_ && !resumed_) thread_->Resume();
  resumed_ = true;
}

void Progress::Stop() {
  if (thread_) thread_->Stop();
  thread_.reset();
}

Reporter::Reporter(Windows& windows, RunMode mode, std::unique_ptr<RunLog> log)
    : windows_(windows), mode_(mode), log_(std::move(log)) {}

bool Reporter::MayShow(std::uint16_t textId) const {
  if (!mode_.desktopVisible) return false;
  // A Windows too old to run this program correctly is told even to an unattended run.
  return !mode_.silent || textId == IDS_SYSTEM_TOO_OLD;
}

std::int32_t Reporter::Box(std::uint16_t textId, std::uint16_t captionId, std::uint32_t style,
                           std::u16string appended) {
  const std::int32_t unanswered = (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  if (!MayShow(textId)) {
    Record(u"message " + DecimalText(textId) + u" not shown (" +
           (mode_.desktopVisible ? u"silent" : u"no visible desktop") + u")");
    return unanswered;
  }
  const std::int32_t answer = windows_.desktop.ShowMessageBox(LoadText(windows_, textId) + appended,
                                                              LoadText(windows_, captionId), style);
  // 0: no box could be shown; the callers take it as an unattended run would.
  Record(u"message " + DecimalText(textId) +
         (answer == 0 ? u" could not be shown: taken as in an unattended run"
                      : u" shown, answered " + AnswerName(answer)));
  return answer;
}

void Reporter::ShowHelp(const std::u16string& text) {
  if (!mode_.desktopVisible) {
    Record(u"help not shown (no visible desktop)");
    return;
  }
  windows_.desktop.ShowMessageBox(text, u"Справка", kMbIconInformation);
  Record(u"help shown");
}

std::uint32_t Reporter::RejectCommandLine(const std::u16string& helpText,
                                          const std::u16string& argument,
                                          const std::u16string& reason) {
  Record(u"command line not understood: argument \"" + argument + u"\": " + reason +
         u"; nothing is installed");
  Explain(kErrorInvalidCommandLine, u"setup.exe's command line was not understood");
  if (Interactive()) {
    ShowHelp(helpText);
  } else {
    Record(std::u16string(u"help not shown (") +
           (mode_.desktopVisible ? u"silent" : u"no visible desktop") + u")");
  }
  return kErrorInvalidCommandLine;
}

bool Reporter::Confirm(std::uint16_t questionId) {
  return Box(questionId, IDS_CAPTION, kMbYesNo) != kIdNo;
}

DialogAnswer Reporter::ChooseConfiguration(std::vector<std::uint16_t>& checked) {
  if (!Interactive()) {
    Record(u"configuration dialog not shown");
    return DialogAnswer::kNotShown;
  }
  SelectionDialogOutcome outcome = windows_.desktop.ShowSelectionDialog(checked);
  if (outcome.failed) {
    Record(u"configuration dialog could not be created, error " + DecimalText(outcome.error) +
           u": taken as not shown");
    return DialogAnswer::kNotShown;
  }
  Record(outcome.next ? u"configuration dialog: Next" : u"configuration dialog: Cancel");
  if (!outcome.next) return DialogAnswer::kCancelled;
  checked = std::move(*outcome.next);
  return DialogAnswer::kNext;
}

Progress Reporter::CreateProgress(std::uint16_t titleId) {
  if (!mode_.desktopVisible) return Progress();
  return Progress(windows_.desktop.CreateProgressThread(LoadText(windows_, titleId)));
}

std::uint32_t Reporter::Fail(std::uint32_t code, std::uint16_t messageId, std::uint16_t captionId) {
  if (code != kSuccess) {
    Record(u"failure, code " + DecimalText(code));
    for (const Verdict& verdict : kVerdicts) {
      if (verdict.messageId == messageId && verdict.code == code) Explain(code, verdict.meaning);
    }
    std::u16string call;
    for (const CodeName& known : kFailedCalls) {
      if (known.code == messageId) call = known.name;
    }
    // After a verdict this adds nothing: the first meaning of a code is kept.
    NoteSource(code, call);
  }
  if (messageId != 0) Box(messageId, captionId, kMbIconError);
  return code;
}

std::uint32_t Reporter::FailFlow(std::uint32_t code, std::uint16_t messageId) {
  std::u16string appended;
  AppendResultCode(appended, code);
  Box(messageId, IDS_CAPTION, kMbIconError, appended);
  return code;
}

void Reporter::Inform(std::uint16_t messageId) { Box(messageId, IDS_CAPTION, kMbOk); }

RestartChoice Reporter::AskRestart(std::uint16_t messageId) {
  if (mode_.noRestart || !mode_.desktopVisible) {
    Record(u"restart needed: left to the caller (" +
           (mode_.noRestart ? std::u16string(u"-norestart") : u"no visible desktop") +
           u"), message " + DecimalText(messageId) + u" not shown");
    return RestartChoice::kLeftToCaller;
  }
  if (mode_.silent) {
    Record(u"restart needed: restarting without asking (silent)");
    return RestartChoice::kRestartNow;
  }
  const std::int32_t answer = Box(messageId, IDS_CAPTION, kMbYesNo | kMbIconWarning);
  if (answer == 0) {
    Record(u"restart needed: left to the caller (the question could not be shown)");
    return RestartChoice::kLeftToCaller;
  }
  // Only a Yes restarts Windows.
  if (answer != kIdYes) return RestartChoice::kDeclined;
  Record(u"restart requested");
  return RestartChoice::kRestartNow;
}

std::uint32_t Reporter::RestartFailed(std::uint32_t error) {
  Record(u"restart refused by Windows: error " + DecimalText(error));
  Explain(exit_code::kRestartFailed, u"Windows did not take the restart request");
  Box(IDS_RESTART_FAILED, IDS_CAPTION, kMbOk);
  return exit_code::kRestartFailed;
}

void Reporter::Record(const std::u16string& line) {
  if (log_) log_->Write(line);
}

std::u16string Reporter::InstallerLogArguments() {
  // msiexec fails (1622) when it can't write its log: a folder that took no line of ours
  // gets no installer logs either.
  if (!log_ || log_->broken()) return {};
  // Beside the run's log and sorted right after it; stamped and numbered, and the number
  // passed over while something of that name is there, so that no earlier log is
  // overwritten (two runs in one second, the hour that repeats when summer time ends) and
  // msiexec only gets a file this run made: a link put there would lead its lines, every
  // property of the command line among them, into a file someone else chose.
  for (;;) {
    const std::u16string name = log_->path() + u"." + log_->startStamp() + u"-" +
                                DecimalText(++installerLogs_) + u".msiexec.log";
    // msiexec refuses (1622) a log path of 259 characters or more: no log is better than
    // no installation.
    const std::optional<std::u16string> full = windows_.files.ReadFullPathName(name);
    if (full.value_or(name).size() >= kMaxPath - 1) {
      Record(u"msiexec's own log left out: its path would be " +
             DecimalText(static_cast<std::uint32_t>(full.value_or(name).size())) +
             u" characters long, more than msiexec takes");
      return {};
    }
    const OpenedFile file = windows_.files.OpenForAppending(name);
    if (file.handle == 0) {
      Record(u"msiexec's own log left out: " + name + u" could not be created, error " +
             DecimalText(file.error));
      return {};
    }
    windows_.files.CloseFile(file.handle);
    if (!file.existed && IsPlainFile(file)) return u" /l*v+ \"" + name + u"\"";
  }
}

std::uint32_t Reporter::NoteSource(std::uint32_t code, const std::u16string& source) {
  if (code != kSuccess && code != kSuccessRebootRequired) {
    Explain(code, WindowsError(code) + (source.empty() ? u"" : u", from " + source));
  }
  return code;
}

void Reporter::Explain(std::uint32_t code, const std::u16string& meaning) {
  for (const auto& [told, text] : meanings_) {
    if (told == code) return;
  }
  meanings_.emplace_back(code, meaning);
}

std::uint32_t Reporter::Finish(std::uint32_t code) {
  std::u16string meaning = code == kSuccess ? u"success"
                           : code == kSuccessRebootRequired
                               ? u"success, Windows must be restarted to complete it"
                               : WindowsError(code);
  for (const auto& [told, text] : meanings_) {
    if (told == code) meaning = text;
  }
  Record(u"exit code " + DecimalText(code) + u": " + meaning);
  return code;
}

}  // namespace setup
