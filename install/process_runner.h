// Running an external program and reading its exit code.
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"

namespace setup {

// 0 and 3010 are success; everything else, 1641 included, is failure.
bool IsSuccess(std::uint32_t code);

// Starts the command line with no console window, waits for it without a time limit and
// returns its exit code, or the platform's error when it could not be started or its
// exit code could not be read.
std::uint32_t RunCommand(Windows& windows, const std::u16string& commandLine);

// The codes of several steps as one: the first failure unchanged, else 3010 when any step
// asked for a restart, else 0. (OR-ing codes would turn failures into other codes.)
std::uint32_t CombineCodes(std::uint32_t first, std::uint32_t second);

}  // namespace setup
