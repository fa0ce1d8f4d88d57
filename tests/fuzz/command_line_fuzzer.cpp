// Arbitrary argument lists through the option parser and the help, and arbitrary command
// lines through the whole run against the fake Windows.
#include <cstdlib>

#include "app/command_line.h"
#include "app/main_flow.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace setup;
  fuzzing::FuzzInput input(data, size);
  const bool wholeRun = !input.empty() && (input.Unit() & 1) != 0;
  if (wholeRun) {
    testing::FakeWindows fake;
    fake.AddFile(u"plugin\\velumcom-x64.msi");
    fake.AddFile(u"csp\\csp-x64-kc1-eng.msi");
    const std::u16string line = input.Rest();
    const std::uint32_t code = RunSetup(fake.windows(), line);
    // Help, success, a command line not understood (1639), or the locator's code: the
    // fake machine can give nothing else.
    if (code != 0 && code != 232 && code != 1619 && code != 1639) std::abort();
    return 0;
  }
  InstallerOptions options;
  PackageSelection selection;
  const std::vector<std::u16string> arguments = input.Texts();
  const ParseOutcome outcome = ParseArguments(arguments, options, selection);
  const std::u16string help = HelpText(options.installProvider, options.installCardProvider);
  if (help.empty()) std::abort();
  // Collected values always end in a blank.
  for (const std::u16string* args :
       {&options.providerArgs, &options.cardProviderArgs, &options.pluginArgs}) {
    if (!args->empty() && args->back() != u' ') std::abort();
  }
  (void)outcome;
  return 0;
}
