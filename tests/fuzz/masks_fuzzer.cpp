// Arbitrary option values through the masks, the plan and the command lines of both providers.
#include <cstdlib>

#include "install/install_package.h"
#include "install/provider_flow.h"
#include "install/run_plan.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/support/fake_windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace setup;
  fuzzing::FuzzInput input(data, size);
  RunRequest request;
  request.provider = true;
  request.cardProvider = true;
  PackageSelection selection;
  selection.levelPattern = input.Text();
  selection.languagePattern = input.Text();
  request.providerArgs = input.Text();
  request.cardProviderArgs = input.Text();
  const std::u16string& providerArgs = request.providerArgs;
  const std::u16string fileName = input.Text();

  testing::FakeWindows fake;
  if (!fileName.empty() && fileName.find(u'\\') == std::u16string::npos) {
    fake.AddFile(u"csp\\" + fileName);
  }
  Reporter reporter(fake.windows(), {true});
  HeldFiles held(fake);
  RunContext run(fake.windows(), reporter, held, request, selection, {});
  const std::uint32_t code = DetectProviders(run);
  if (code != 0 && code != 232) std::abort();
  for (const PlanStep& step : PlanRun(run.detected, {}).steps) {
    if (step.commandLine.starts_with(u"msiexec /qn /i \"") &&
        !step.commandLine.ends_with(u" REBOOT=R")) {
      std::abort();
    }
  }
  const std::u16string line = InstallCommandLine(fileName, providerArgs);
  if (line.size() != 16 + fileName.size() + 2 + providerArgs.size() + 9) std::abort();
  return 0;
}
