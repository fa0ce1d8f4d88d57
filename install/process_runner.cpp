#include "install/process_runner.h"

#include "common/joined_text.h"
#include "platform/windows_constants.h"

namespace setup {

std::u16string FindSystemTool(Windows& windows, const std::u16string& fileName) {
  for (std::u16string folder :
       {windows.files.ReadSystemDirectory(), windows.files.ReadWindowsDirectory()}) {
    if (folder.empty()) continue;
    if (folder.back() != u'\\') folder += u'\\';
    if (windows.files.ReadFileSize(folder + fileName)) return folder + fileName;
  }
  return {};
}

std::uint32_t RunTool(Windows& windows, Reporter& reporter, const std::u16string& fileName,
                      const std::u16string& commandLine) {
  const std::u16string program = FindSystemTool(windows, fileName);
  if (program.empty()) {
    reporter.Record(
        {"not run, ", fileName, " is in neither the system nor the Windows folder: ", commandLine});
    return reporter.NoteSource(kErrorFileNotFound, Join({"the search for ", fileName}));
  }
  reporter.Record({"run ", program, ": ", commandLine});
  const std::uint32_t started = windows.system.ReadTickCount();
  const ProcessOutcome outcome = windows.processes.RunAndWait(program, commandLine);
  const std::uint32_t milliseconds = windows.system.ReadTickCount() - started;
  const bool failed = !outcome.started || outcome.waitFailed || !outcome.exitCodeRead;
  // A failure whose last error reads 0 must still not pass for a success.
  const std::uint32_t code = !failed                     ? outcome.exitCode
                             : outcome.error != kSuccess ? outcome.error
                                                         : kErrorGenFailure;
  const char* const what = !failed              ? "exit code "
                           : !outcome.started   ? "could not be started, error "
                           : outcome.waitFailed ? "could not be waited for, error "
                                                : "exit code unreadable, error ";
  const char* const call = !failed              ? ""
                           : !outcome.started   ? "CreateProcessW ("
                           : outcome.waitFailed ? "WaitForSingleObject ("
                                                : "GetExitCodeProcess (";
  reporter.Record({what, Decimal(code), " after ", Decimal(milliseconds), " ms"});
  // The tool as the command line names it ("regini"): its code is its own.
  return reporter.NoteSource(
      code, Join({call, std::u16string_view(commandLine).substr(0, commandLine.find(u' ')),
                  failed ? ")" : ""}));
}

}  // namespace setup
