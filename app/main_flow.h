// The whole run: options, checks, confirmation, flows, final message, exit code.
#pragma once

#include <cstdint>
#include <string>

#include "install/pins.h"
#include "platform/windows.h"

namespace setup {

// Runs the bootstrapper for the command line without the program name (lpCmdLine) and
// returns the process exit code. A release's pins alone decide which files it trusts.
std::uint32_t RunSetup(Windows& windows, const std::u16string& commandLine,
                       const Pins& pins = BuiltInPins());

// The confirmation question for the components asked for, to install or to remove.
std::uint16_t ConfirmationMessageId(bool installProvider, bool installCardProvider,
                                    bool removal = false);

}  // namespace setup
