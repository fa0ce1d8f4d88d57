#include "app/main_flow.h"

#include <memory>

#include "app/command_line.h"
#include "app/prerequisites.h"
#include "app/restart.h"
#include "app/setup_state.h"
#include "install/plugin_flow.h"
#include "install/process_runner.h"
#include "install/provider_flow.h"
#include "platform/windows_constants.h"
#include "ui/message_catalogue.h"
#include "ui/progress_window.h"
#include "ui/selection_dialog.h"

namespace setup {
namespace {

// The progress window's thread: resumed before the first flow, stopped before any
// failure or final message, and stopped on every other way out too.
class Progress {
 public:
  explicit Progress(std::unique_ptr<ProgressThread> thread) : thread_(std::move(thread)) {}
  ~Progress() { Stop(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Resume() {
    if (thread_ && !resumed_) thread_->Resume();
    resumed_ = true;
  }
  void Stop() {
    if (thread_) thread_->Stop();
    thread_.reset();
  }

 private:
  std::unique_ptr<ProgressThread> thread_;
  bool resumed_ = false;
};

std::uint32_t ReportFlowFailure(Windows& windows, std::uint16_t messageId, std::uint32_t code,
                                bool silent) {
  if (!silent) {
    std::u16string caption;
    std::u16string text;
    LoadMessage(windows, msg::kCaption, caption);
    LoadMessage(windows, messageId, text);
    AppendResultCode(text, code);
    windows.desktop.ShowMessageBox(text, caption, kMbIconError);
  }
  return code;
}

std::uint32_t FinishRun(Windows& windows, const FinalMessage& final, bool silent) {
  if (!final.restartQuestion) {
    if (!silent) ShowMessage(windows, final.id, msg::kCaption, kMbOk);
    return kSuccess;
  }
  if (!silent &&
      ShowMessage(windows, final.id, msg::kCaption, kMbYesNo | kMbIconWarning) != kIdYes) {
    return kSuccess;
  }
  if (RestartComputer(windows)) return kSuccess;
  if (!silent) ShowMessage(windows, msg::kRestartFailed, msg::kCaption, kMbOk);
  return kExitRestartFailed;
}

}  // namespace

std::uint16_t ConfirmationMessageId(bool installProvider, bool installCardProvider) {
  if (installProvider && installCardProvider) return msg::kConfirmAll;
  if (installProvider) return msg::kConfirmPluginAndProvider;
  if (installCardProvider) return msg::kConfirmPluginAndCardProvider;
  return msg::kConfirmPlugin;
}

FinalMessage ChooseFinalMessage(bool installProvider, bool installCardProvider,
                                std::uint32_t providerResult, std::uint32_t pluginResult,
                                bool restartToContinue) {
  if (!installProvider && !installCardProvider) {
    if (pluginResult == kSuccessRebootRequired) return {msg::kRestartPlugin, true};
    if (restartToContinue) return {msg::kRestartToContinue, true};
    return {msg::kDonePlugin, false};
  }
  const bool restart =
      providerResult == kSuccessRebootRequired || pluginResult == kSuccessRebootRequired;
  if (installProvider && installCardProvider) {
    return restart ? FinalMessage{msg::kRestartAll, true} : FinalMessage{msg::kDoneAll, false};
  }
  if (installProvider) {
    return restart ? FinalMessage{msg::kRestartPluginAndProvider, true}
                   : FinalMessage{msg::kDonePluginAndProvider, false};
  }
  return restart ? FinalMessage{msg::kRestartPluginAndCardProvider, true}
                 : FinalMessage{msg::kDonePluginAndCardProvider, false};
}

std::uint32_t RunSetup(Windows& windows, const std::u16string& commandLine) {
  SetupState state;
  InstallerOptions& options = state.options;
  if (!commandLine.empty() &&
      ParseCommandLine(windows, commandLine, options, state.selection) == ParseOutcome::kHelp) {
    ShowHelp(windows, options);
    return kSuccess;
  }
  const bool silent = options.silent;
  if (!windows.system.IsUserAnAdmin()) {
    if (!silent) ShowMessage(windows, msg::kNotAdministrator, msg::kCaption, kMbIconError);
    return kExitNotAdministrator;
  }
  if (const std::uint32_t code = CheckOperatingSystem(windows, silent); code != 0) return code;

  windows.installer.SetInternalUI(kInstallUiLevelNone);

  std::u16string title;
  LoadMessage(windows, ProgressTitleId(options.installProvider), title);
  Progress progress(windows.desktop.CreateProgressThread(title));

  if (!silent &&
      ShowMessage(windows,
                  ConfirmationMessageId(options.installProvider, options.installCardProvider),
                  msg::kCaption, kMbYesNo) == kIdNo) {
    return kSuccess;
  }
  if (options.showSelectionDialog && options.installProvider && !silent) {
    const DialogOutcome outcome = windows.desktop.ShowSelectionDialog(
        InitialDialogChoice(windows.system.GetSystemDefaultUILanguage()));
    if (outcome.cancelled) return kSuccess;
    AppendDialogChoice(outcome.choice, state.selection);
  }

  std::uint32_t providerResult = kSuccess;
  if (options.installProvider || options.installCardProvider) {
    progress.Resume();
    providerResult =
        InstallProviders(windows, state, options.providerArgs, options.cardProviderArgs, silent);
    if (!IsSuccess(providerResult)) {
      progress.Stop();
      return ReportFlowFailure(windows, msg::kProviderFailed, providerResult, silent);
    }
  }
  progress.Resume();
  const std::uint32_t pluginResult = InstallPlugin(windows, state, options.pluginArgs, silent);
  progress.Stop();
  if (!IsSuccess(pluginResult)) {
    return ReportFlowFailure(windows, msg::kPluginFailed, pluginResult, silent);
  }
  return FinishRun(windows,
                   ChooseFinalMessage(options.installProvider, options.installCardProvider,
                                      providerResult, pluginResult, options.restartToContinue),
                   silent);
}

}  // namespace setup
