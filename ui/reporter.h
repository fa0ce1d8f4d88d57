// The one voice of the run: the only place that decides whether a message box, the
// configuration dialog or the progress window is shown, and that words an outcome (message,
// caption, style, code, and what the code means). Flows tell it what happened; none of them
// tests a mode of its own. It is handed to every flow, and so carries the run's record
// (ui/run_record.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows.h"
#include "resources/resource_ids.h"
#include "ui/progress.h"
#include "ui/run_record.h"

namespace setup {

// How the run was asked to behave, and what it found.
struct RunMode {
  bool silent = false;         // -silent: no question, no result message
  bool noRestart = false;      // -norestart: Windows is never restarted, 3010 instead
  bool desktopVisible = true;  // a window station a user can see
  bool sessionZero = false;    // why not: the services' session of Windows Vista and later
  bool preview = false;        // -plan: no question, dialog or progress window; one box at the end
};

enum class DialogAnswer {
  kNotShown,  // unattended: the options alone decide
  kCancelled,
  kNext,
};

enum class RestartChoice {
  kRestartNow,    // restart Windows
  kDeclined,      // the user said No: the run ends with 0
  kLeftToCaller,  // no restart and no question: the run ends with 3010
};

class Reporter {
 public:
  // `log` records the run when it is not null.
  Reporter(Windows& windows, RunMode mode, std::unique_ptr<RunLog> log = nullptr);
  Reporter(const Reporter&) = delete;
  Reporter& operator=(const Reporter&) = delete;

  bool Interactive() const { return mode_.desktopVisible && !mode_.silent; }

  // ---- What the user sees ----
  // The help asked for; also in silent runs.
  void ShowHelp(const std::u16string& text);
  // A command line not understood: recorded, the help shown only to an interactive run
  // (an unattended one never waits for a click); returns 1639.
  std::uint32_t RejectCommandLine(const std::u16string& helpText, const std::u16string& argument,
                                  const std::u16string& reason);
  // A Yes/No question under the program's caption; an unattended run goes on (true).
  bool Confirm(std::uint16_t questionId);
  // The configuration dialog, opening with the buttons `checked`; at Next they are
  // replaced by the buttons checked then.
  DialogAnswer ChooseConfiguration(std::vector<std::uint16_t>& checked);
  // The progress window's thread, created suspended: shown in silent runs too.
  Progress CreateProgress(std::uint16_t titleId);
  // A failure, recorded at once; its error box (`messageId` 0: none) waits for the flow's
  // failure box or the run's end: detection runs under the run lock, and a box left open
  // there would hold every other run. Returns `code`.
  std::uint32_t Fail(std::uint32_t code, std::uint16_t messageId,
                     std::uint16_t captionId = IDS_ERROR_CAPTION);
  // A flow's failure under the program's caption, the code appended to the text, after the
  // boxes of the failures that led to it.
  std::uint32_t FailFlow(std::uint32_t code, std::uint16_t messageId);
  // The result message after a run that needs no restart.
  void Inform(std::uint16_t messageId);
  // The result message of a run that needs a restart: asked, done or left to the caller.
  RestartChoice AskRestart(std::uint16_t messageId);
  // The restart was accepted but Windows refused it (`error`).
  std::uint32_t RestartFailed(std::uint32_t error);
  // -plan's end: where the plan was logged, and whether a run would change anything;
  // returns 9 if it would, else 0.
  std::uint32_t ReportPlan(bool changes);

  // ---- What the run records (nothing without a log) ----
  bool Recording() const { return record_.Recording(); }
  void Record(const std::u16string& line) { record_.Write(line); }
  void Record(std::initializer_list<Piece> pieces) { record_.Write(Join(pieces)); }
  RunRecord& record() { return record_; }

  // ---- The words of the outcome ----
  // A failure's code from a tool or a platform call (`source`: "regini", "MsiOpenPackageExW"),
  // for the last line, which then gives the number as what it is there. The first source
  // told for a number is the one kept, as every flow keeps its first failure. Returns `code`.
  std::uint32_t NoteSource(std::uint32_t code, const std::u16string& source);
  std::uint32_t NoteSource(std::uint32_t code, const char* source) {
    return NoteSource(code, Join({source}));
  }
  // The last line: the exit code and what it means where it came from; never the meaning
  // another step gives the same number.
  std::uint32_t Finish(std::uint32_t code);

 private:
  std::int32_t Box(std::uint16_t textId, std::uint16_t captionId, std::uint32_t style,
                   std::u16string appended = {});
  bool MayShow(std::uint16_t textId) const;
  void Explain(std::uint32_t code, const std::u16string& meaning);
  void ShowWaitingBoxes();

  Windows& windows_;
  RunMode mode_;
  RunRecord record_;
  // Each failure's code with its meaning where it came from; the first for a number stays.
  std::vector<std::pair<std::uint32_t, std::u16string>> meanings_;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> waitingBoxes_;  // message, caption
};

}  // namespace setup
