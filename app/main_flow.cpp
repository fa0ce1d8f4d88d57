#include "app/main_flow.h"

#include <memory>

#include "app/command_line.h"
#include "app/prerequisites.h"
#include "app/run_outcome.h"
#include "common/exit_codes.h"
#include "install/package_signature.h"
#include "install/pinned_trust.h"
#include "install/prepare_run.h"
#include "install/removal.h"
#include "install/run_lock.h"
#include "platform/windows_constants.h"
#include "program_version.h"
#include "ui/log_folder.h"
#include "ui/run_log.h"
#include "ui/progress_window.h"
#include "ui/reporter.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

// The version and commit the program's version information gives (generated at build time).
constexpr char16_t kProgramVersion[] = u"" PROGRAM_BUILD;

void RecordHeader(Windows& windows, Reporter& reporter, const std::u16string& shownCommandLine,
                  const RunMode& mode, const Pins& pins) {
  reporter.Record({"setup.exe ", kProgramVersion, ", command line: ", shownCommandLine});
  reporter.Record(TrustLine(pins));
  std::u16string folder;
  windows.files.ReadCurrentDirectory(folder);
  reporter.Record({"start folder (current folder): ", folder});
  // What Windows really is: the checks read the version the manifest gets, which stops at 6.2.
  const std::optional<OsVersion> version = windows.system.ReadRealVersion();
  if (version) {
    reporter.Record({"Windows ", Decimal(version->major), ".", Decimal(version->minor), ".",
                     Decimal(version->build), ", service pack ",
                     Decimal(version->servicePackMajor)});
  } else {
    reporter.Record({"Windows version unreadable"});
  }
  reporter.Record({"64-bit Windows: ", windows.system.IsWow64() ? "yes" : "no",
                   ", administrator: ", windows.system.IsUserAnAdmin() ? "yes" : "no"});
  if (mode.desktopVisible) {
    reporter.Record({mode.silent ? "interactive: no (-silent)" : "interactive: yes"});
    return;
  }
  reporter.Record({"interactive: no, ",
                   mode.sessionZero ? "session 0 has no user to see windows"
                                    : "the window station is not visible",
                   ": no message, dialog or progress window, no restart (as -silent -norestart)"});
}

RunMode ReadRunMode(Windows& windows, const InstallerOptions& options) {
  RunMode mode{options.silent, options.noRestart, windows.desktop.IsWindowStationVisible()};
  // From Windows Vista on, session 0 holds the services and nobody's desktop, whatever its
  // window station says (interactive services, a tool's "-s -i 0").
  const std::optional<std::uint32_t> session = windows.system.ReadSessionId();
  const std::optional<OsVersion> version = windows.system.GetVersion();
  mode.sessionZero = session == 0u && version && version->major >= 6;
  if (mode.sessionZero) mode.desktopVisible = false;
  mode.preview = options.preview;
  return mode;
}

void RecordPieces(Reporter& reporter, const char* source, const PackageSelection& selection) {
  reporter.Record({source, ": level pieces \"", selection.levelPattern, "\", language pieces \"",
                   selection.languagePattern, "\""});
}

// The outcome shown, the restart question asked and carried out: the exit code.
std::uint32_t Finish(Windows& windows, Reporter& reporter, const InstallerOptions& options,
                     const Applied& applied) {
  Outcome outcome = DecideOutcome(options.installProvider, options.installCardProvider, applied,
                                  std::nullopt, options.uninstall);
  switch (outcome.shown) {
    case Outcome::Shown::kFailure:
      return reporter.FailFlow(outcome.code, outcome.messageId);
    case Outcome::Shown::kResult:
      reporter.Inform(outcome.messageId);
      return outcome.code;
    case Outcome::Shown::kRestartQuestion:
      break;
  }
  outcome = DecideOutcome(options.installProvider, options.installCardProvider, applied,
                          reporter.AskRestart(outcome.messageId), options.uninstall);
  if (!outcome.restartNow) return outcome.code;
  if (const std::uint32_t error = windows.system.RestartWindows(); error != kSuccess) {
    return reporter.RestartFailed(error);
  }
  reporter.Record({"Windows took the restart request"});
  return outcome.code;
}

// The whole installation or removal: checks, confirmation, dialog, then detect, plan, check
// and apply under the run lock; -plan ends after the check.
std::uint32_t RunInstallation(Windows& windows, Reporter& reporter, HeldFiles& held, RunLock& lock,
                              const std::optional<std::u16string>& folder,
                              const InstallerOptions& options, PackageSelection selection,
                              const Pins& pins) {
  if (!windows.system.IsUserAnAdmin()) {
    return reporter.Fail(exit_code::kNotAdministrator, IDS_NOT_ADMINISTRATOR, IDS_CAPTION);
  }
  if (const std::uint32_t code = CheckOperatingSystem(windows, reporter); code != 0) return code;
  // Read at start, its file held to the end: an own signature that fails ends the run
  // before any question. A release's pins decide instead, whatever its file carries.
  Publisher publisher = pins.Pinned() ? Publisher{} : ReadOwnPublisher(windows, reporter, held);
  publisher.pins = &pins;
  if (publisher.failure != kSuccess) {
    return reporter.FailFlow(publisher.failure,
                             options.uninstall ? IDS_REMOVAL_FAILED : IDS_PLUGIN_FAILED);
  }

  windows.installer.SetInternalUI(kInstallUiLevelNone);
  Progress progress =
      reporter.CreateProgress(ProgressTitleId(options.installProvider, options.uninstall));

  if (!reporter.Confirm(ConfirmationMessageId(options.installProvider, options.installCardProvider,
                                              options.uninstall))) {
    return kSuccess;
  }
  if (options.installProvider && !options.uninstall) {
    RecordPieces(reporter, "from the options", selection);
  }
  if (options.showSelectionDialog && options.installProvider) {
    std::vector<std::uint16_t> checked =
        InitialDialogChoice(windows.system.GetSystemDefaultUILanguage());
    const DialogAnswer answer = reporter.ChooseConfiguration(checked);
    if (answer == DialogAnswer::kCancelled) return kSuccess;
    if (answer == DialogAnswer::kNext) {
      AppendDialogChoice(checked, selection);
      RecordPieces(reporter, "with the dialog's choice", selection);
    }
  }

  RunContext run(windows, reporter, held,
                 {options.installProvider, options.installCardProvider, options.showSelectionDialog,
                  options.providerArgs, options.cardProviderArgs, options.pluginArgs,
                  options.preview},
                 selection, publisher, folder);
  progress.Resume();
  // One run at a time from here to the end of its installations: never while a person is
  // asked something.
  Applied applied;
  Part failing = Part::kPlugin;
  // -plan changes nothing, so it keeps no other run waiting.
  if (!options.preview) applied.code = lock.Take(reporter, run.installerWait);
  // Nothing has changed until the plan is whole and its packages have passed.
  if (applied.code == kSuccess && options.uninstall) {
    PrepareRemoval(run);
  } else if (applied.code == kSuccess) {
    applied.code = PrepareRun(run, failing);
  }
  if (applied.code != kSuccess) {
    applied.failed = failing;
  } else if (options.preview) {
    return reporter.ReportPlan(ChangesAnything(run.plan));
  } else {
    applied = ApplyPlan(run);
  }
  run.copies.Remove();
  progress.Stop();
  // Before any box: a box left open must not hold every other run.
  lock.Release();
  return Finish(windows, reporter, options, applied);
}

}  // namespace

std::uint16_t ConfirmationMessageId(bool installProvider, bool installCardProvider, bool removal) {
  if (installProvider && installCardProvider) {
    return removal ? IDS_CONFIRM_REMOVE_ALL : IDS_CONFIRM_ALL;
  }
  if (installProvider) {
    return removal ? IDS_CONFIRM_REMOVE_PLUGIN_AND_PROVIDER : IDS_CONFIRM_PLUGIN_AND_PROVIDER;
  }
  if (installCardProvider) {
    return removal ? IDS_CONFIRM_REMOVE_PLUGIN_AND_CARD_PROVIDER
                   : IDS_CONFIRM_PLUGIN_AND_CARD_PROVIDER;
  }
  return removal ? IDS_CONFIRM_REMOVE_PLUGIN : IDS_CONFIRM_PLUGIN;
}

std::uint32_t RunSetup(Windows& windows, const std::u16string& commandLine, const Pins& pins) {
  InstallerOptions options;
  PackageSelection selection;
  Rejection rejection;
  const ParseOutcome parsed =
      commandLine.empty() ? ParseOutcome::kOptions
                          : ParseCommandLine(windows, commandLine, options, selection, &rejection);
  const RunMode mode = ReadRunMode(windows, options);
  // Made first, so that they outlast the Reporter: held files and the lock last as long as
  // the run.
  HeldFiles held(windows.files);
  // The run's own folder, for its log, its lock and its copies: made ready for an
  // administrator's run that asks for more than help; none where it can't be had safely.
  std::u16string folderNote;
  const std::optional<std::u16string> folder =
      parsed != ParseOutcome::kHelp && windows.system.IsUserAnAdmin()
          ? PrepareLogFolder(windows, folderNote)
          : std::nullopt;
  RunLock lock(windows, folder);
  // A run at work holds the lock, and the next run rolls over instead.
  if (folder && !options.logPath && lock.TryNow()) RollOver(windows, *folder + u'\\', folderNote);
  lock.Release();
  Reporter reporter(windows, mode, OpenRunLog(windows, options.logPath, folder));
  if (reporter.Recording()) {
    const std::vector<std::u16string> arguments = windows.system.SplitCommandLine(commandLine);
    // Before the first line: every line from here on keeps these values out.
    reporter.record().HideValuesOf(arguments);
    RecordHeader(windows, reporter, reporter.record().Shown(commandLine, arguments), mode, pins);
  }
  if (!folderNote.empty()) reporter.Record(folderNote);
  const std::u16string help = HelpText(options.installProvider, options.installCardProvider);
  if (parsed == ParseOutcome::kHelp) {
    reporter.Record({"the command line asks for the help: nothing is installed"});
    reporter.ShowHelp(help);
    return reporter.Finish(kSuccess);
  }
  if (parsed == ParseOutcome::kNotUnderstood) {
    // A deployment reads only the code: a mistyped call must not pass for an installation.
    return reporter.Finish(reporter.RejectCommandLine(help, rejection.argument, rejection.reason));
  }
  return reporter.Finish(
      RunInstallation(windows, reporter, held, lock, folder, options, selection, pins));
}

}  // namespace setup
