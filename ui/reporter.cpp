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

std::u16string CodeMeaning(std::uint32_t code) {
  switch (code) {
    case kSuccess:
      return u"success";
    case kSuccessRebootRequired:
      return u"success, Windows must be restarted to complete it";
    case exit_code::kNotAdministrator:
      return u"the account is not an administrator";
    case exit_code::kVersionUnreadable:  // also Windows' "file not found"
      return u"the Windows version could not be read, or a tool or file was not found";
    case exit_code::kWindows2000NeedsSp4:
      return u"Windows 2000 needs Service Pack 4";
    case exit_code::kWindowsXpNeedsSp2:
      return u"Windows XP needs Service Pack 2";
    case exit_code::kWindows2003NeedsSp2:
      return u"Windows Server 2003 needs Service Pack 2";
    case exit_code::kProviderTooOld:
      return u"the installed provider is too old to be updated";
    case exit_code::kRestartFailed:
      return u"Windows did not take the restart request";
    case kErrorNoData:
      return u"no package matching the mask in the distribution";
    case kErrorOldWinVersion:
      return u"Windows older than Windows 2000";
    case kErrorInstallFailure:
      return u"fatal error during installation";
    case kErrorInstallAlreadyRunning:
      return u"another installation is in progress; try again later";
    case kErrorInstallPackageOpenFailed:
      return u"the package could not be opened";
    case kErrorInstallPackageInvalid:
      return u"the package is not a valid Windows Installer package";
    case kErrorInvalidCommandLine:
      return u"a command line was not understood (setup.exe's own, or one given to msiexec)";
    default:
      return u"failure (Windows or Windows Installer code)";
  }
}

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
  if (code != kSuccess) Record(u"failure, code " + DecimalText(code));
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
  // passed over while a file of that name is there, so that no earlier log is overwritten
  // (two runs in one second, the hour that repeats when summer time ends).
  std::u16string name;
  do {
    name = log_->path() + u"." + log_->startStamp() + u"-" + DecimalText(++installerLogs_) +
           u".msiexec.log";
  } while (windows_.files.ReadFileSize(name));
  // msiexec refuses (1622) a log path of 259 characters or more: no log is better than
  // no installation.
  const std::optional<std::u16string> full = windows_.files.ReadFullPathName(name);
  if (full.value_or(name).size() >= kMaxPath - 1) {
    Record(u"msiexec's own log left out: its path would be " +
           DecimalText(static_cast<std::uint32_t>(full.value_or(name).size())) +
           u" characters long, more than msiexec takes");
    return {};
  }
  return u" /l*v+ \"" + name + u"\"";
}

std::uint32_t Reporter::Finish(std::uint32_t code) {
  Record(u"exit code " + DecimalText(code) + u": " + CodeMeaning(code));
  return code;
}

}  // namespace setup
