// Running the system's tools and reading their exit codes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/reporter.h"

namespace setup {

// Where the tool `fileName` ("msiexec.exe") is run from: the system folder, else the
// Windows folder; never the program's folder, the current folder or PATH, where anybody
// may have dropped a program of that name. Empty when it is in neither.
std::u16string FindSystemTool(Windows& windows, const std::u16string& fileName);

// Starts the tool with the command line (which begins with the tool's name, as a user
// would type it), with no console window, waits for it without a time limit and returns
// its exit code; or the platform's error when it could not be started or its exit code
// could not be read; 2 (file not found) when the tool is nowhere Windows keeps it.
std::uint32_t RunTool(Windows& windows, Reporter& reporter, const std::u16string& fileName,
                      const std::u16string& commandLine);

}  // namespace setup
