#include "ui/reporter.h"

#include "common/exit_codes.h"
#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

const char* AnswerName(std::int32_t answer) {
  switch (answer) {
    case kIdOk:
      return "OK";
    case kIdYes:
      return "Yes";
    case kIdNo:
      return "No";
    default:
      return nullptr;
  }
}

}  // namespace

Reporter::Reporter(Windows& windows, RunMode mode, std::unique_ptr<RunLog> log)
    : windows_(windows), mode_(mode), record_(windows, std::move(log)) {}

bool Reporter::MayShow(std::uint16_t textId) const {
  if (!mode_.desktopVisible) return false;
  // A Windows too old to run this program correctly is told even to an unattended run.
  return !mode_.silent || textId == IDS_SYSTEM_TOO_OLD;
}

std::int32_t Reporter::Box(std::uint16_t textId, std::uint16_t captionId, std::uint32_t style,
                           std::u16string appended) {
  const std::int32_t unanswered = (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  if (!MayShow(textId)) {
    Record({"message ", Decimal(textId), " not shown (",
            mode_.desktopVisible ? "silent" : "no visible desktop", ")"});
    return unanswered;
  }
  const std::int32_t answer = windows_.desktop.ShowMessageBox(LoadText(windows_, textId) + appended,
                                                              LoadText(windows_, captionId), style);
  // 0: no box could be shown; the callers take it as an unattended run would.
  const char* name = AnswerName(answer);
  Record({"message ", Decimal(textId),
          answer == 0 ? " could not be shown: taken as in an unattended run" : " shown, answered ",
          answer == 0       ? Piece(u"")
          : name != nullptr ? Piece(name)
                            : Decimal(static_cast<std::uint32_t>(answer))});
  return answer;
}

void Reporter::ShowHelp(const std::u16string& text) {
  if (!mode_.desktopVisible) {
    Record({"help not shown (no visible desktop)"});
    return;
  }
  windows_.desktop.ShowMessageBox(text, u"Справка", kMbIconInformation);
  Record({"help shown"});
}

std::uint32_t Reporter::RejectCommandLine(const std::u16string& helpText,
                                          const std::u16string& argument,
                                          const std::u16string& reason) {
  Record({"command line not understood: argument \"", argument, "\": ", reason,
          "; nothing is installed"});
  Explain(kErrorInvalidCommandLine, Join({"setup.exe's command line was not understood"}));
  if (Interactive()) {
    ShowHelp(helpText);
  } else {
    Record({"help not shown (", mode_.desktopVisible ? "silent" : "no visible desktop", ")"});
  }
  return kErrorInvalidCommandLine;
}

bool Reporter::Confirm(std::uint16_t questionId) {
  return mode_.preview || Box(questionId, IDS_CAPTION, kMbYesNo) != kIdNo;
}

DialogAnswer Reporter::ChooseConfiguration(std::vector<std::uint16_t>& checked) {
  if (!Interactive() || mode_.preview) {
    Record({"configuration dialog not shown"});
    return DialogAnswer::kNotShown;
  }
  SelectionDialogOutcome outcome =
      windows_.desktop.ShowSelectionDialog(checked, LoadSelectionDialogTexts(windows_));
  if (outcome.failed) {
    Record({"configuration dialog could not be created, error ", Decimal(outcome.error),
            ": taken as not shown"});
    return DialogAnswer::kNotShown;
  }
  Record({outcome.next ? "configuration dialog: Next" : "configuration dialog: Cancel"});
  if (!outcome.next) return DialogAnswer::kCancelled;
  checked = std::move(*outcome.next);
  return DialogAnswer::kNext;
}

Progress Reporter::CreateProgress(std::uint16_t titleId) {
  if (!mode_.desktopVisible || mode_.preview) return Progress();
  return Progress(windows_.desktop.CreateProgressThread(LoadText(windows_, titleId)));
}

std::uint32_t Reporter::Fail(std::uint32_t code, std::uint16_t messageId, std::uint16_t captionId) {
  if (code != kSuccess) {
    Record({"failure, code ", Decimal(code)});
    if (const std::u16string verdict = VerdictMeaning(messageId, code); !verdict.empty()) {
      Explain(code, verdict);
    }
    // After a verdict this adds nothing: the first meaning of a code is kept.
    NoteSource(code, FailedCall(messageId));
  }
  if (messageId != 0) waitingBoxes_.emplace_back(messageId, captionId);
  return code;
}

void Reporter::ShowWaitingBoxes() {
  for (const auto& [messageId, captionId] : waitingBoxes_) Box(messageId, captionId, kMbIconError);
  waitingBoxes_.clear();
}

std::uint32_t Reporter::FailFlow(std::uint32_t code, std::uint16_t messageId) {
  ShowWaitingBoxes();
  std::u16string appended;
  AppendResultCode(appended, code);
  Box(messageId, IDS_CAPTION, kMbIconError, appended);
  return code;
}

void Reporter::Inform(std::uint16_t messageId) { Box(messageId, IDS_CAPTION, kMbOk); }

RestartChoice Reporter::AskRestart(std::uint16_t messageId) {
  if (mode_.noRestart || !mode_.desktopVisible) {
    Record({"restart needed: left to the caller (",
            mode_.noRestart ? "-norestart" : "no visible desktop", "), message ",
            Decimal(messageId), " not shown"});
    return RestartChoice::kLeftToCaller;
  }
  if (mode_.silent) {
    Record({"restart needed: restarting without asking (silent)"});
    return RestartChoice::kRestartNow;
  }
  const std::int32_t answer = Box(messageId, IDS_CAPTION, kMbYesNo | kMbIconWarning);
  if (answer == 0) {
    Record({"restart needed: left to the caller (the question could not be shown)"});
    return RestartChoice::kLeftToCaller;
  }
  // Only a Yes restarts Windows.
  if (answer != kIdYes) return RestartChoice::kDeclined;
  Record({"restart requested"});
  return RestartChoice::kRestartNow;
}

std::uint32_t Reporter::RestartFailed(std::uint32_t error) {
  Record({"restart refused by Windows: error ", Decimal(error)});
  Explain(exit_code::kRestartFailed, VerdictMeaning(IDS_RESTART_FAILED, exit_code::kRestartFailed));
  Box(IDS_RESTART_FAILED, IDS_CAPTION, kMbOk);
  return exit_code::kRestartFailed;
}


std::uint32_t Reporter::ReportPlan(bool changes) {
  const std::uint16_t id = changes ? IDS_PLAN_CHANGES : IDS_PLAN_NO_CHANGES;
  Box(id, IDS_CAPTION, kMbOk, Join({"\n", record_.LogPath()}));
  if (!changes) return kSuccess;
  Explain(exit_code::kChangesPlanned, VerdictMeaning(id, exit_code::kChangesPlanned));
  return exit_code::kChangesPlanned;
}

std::uint32_t Reporter::NoteSource(std::uint32_t code, const std::u16string& source) {
  if (!IsSuccess(code)) Explain(code, CodeMeaning(code, source));
  return code;
}

void Reporter::Explain(std::uint32_t code, const std::u16string& meaning) {
  for (const auto& [told, text] : meanings_) {
    if (told == code) return;
  }
  meanings_.emplace_back(code, meaning);
}

std::uint32_t Reporter::Finish(std::uint32_t code) {
  ShowWaitingBoxes();
  std::u16string meaning = CodeMeaning(code);
  for (const auto& [told, text] : meanings_) {
    if (told == code) meaning = text;
  }
  Record({"exit code ", Decimal(code), ": ", meaning});
  return code;
}

}  // namespace setup
