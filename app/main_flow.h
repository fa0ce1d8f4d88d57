// The whole run: options, checks, confirmation, flows, final message, exit code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"

namespace setup {

// Runs the bootstrapper for the command line without the program name (lpCmdLine) and
// returns the process exit code.
std::uint32_t RunSetup(Windows& windows, const std::u16string& commandLine);

struct FinalMessage {
  std::uint16_t id;
  bool restartQuestion;  // Yes/No with a warning, leading to the restart; else OK only
};

// The result message after every flow that ran succeeded (0 or 3010).
FinalMessage ChooseFinalMessage(bool installProvider, bool installCardProvider,
                                std::uint32_t providerResult, std::uint32_t pluginResult,
                                bool restartToContinue);

// The confirmation question for the components asked for.
std::uint16_t ConfirmationMessageId(bool installProvider, bool installCardProvider);

}  // namespace setup
