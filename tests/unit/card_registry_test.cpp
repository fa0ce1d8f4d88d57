// The card provider's registry and access-list files.
#include "install/card_registry.h"

#include <gtest/gtest.h>

#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// Both tools run whatever the first gave; the codes combine as every step's: the first failure,
// else a restart, else success.
TEST(CardRegistryFiles, RunsBothToolsForTheArchitectureAndCombinesTheirCodes) {
  const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
      {0, 0, 0},     {3010, 0, 3010},    {0, 3010, 3010},    {3010, 3010, 3010}, {3010, 2, 2},
      {2, 3010, 2},  {1603, 1618, 1603}, {1618, 1603, 1618}, {0, 1641, 1641},    {1603, 0, 1603},
      {0, 232, 232}, {2, 0, 2},          {0, 5, 5},          {1, 2, 1},
  };
  for (const bool wow64 : {true, false}) {
    const Lines commands = wow64 ? Lines{u"regedit /s UEC_x64_2.reg", u"regini UEC_acl_x64.acl"}
                                 : Lines{u"regedit /s UEC_x86_2.reg", u"regini UEC_acl_x86.acl"};
    for (const auto& [regedit, regini, expected] : cases) {
      FakeWindows fake;
      fake.wow64 = wow64;
      fake.processOutcomes[commands[0]] = Exited(regedit);
      fake.processOutcomes[commands[1]] = Exited(regini);
      Reporter reporter(fake.windows(), {});
      EXPECT_EQ(ApplyCardRegistryFiles(fake.windows(), reporter), expected)
          << regedit << " + " << regini;
      EXPECT_EQ(fake.Commands(), commands);
    }
  }
}

}  // namespace
}  // namespace setup::testing
