// The card provider's registry and access-list files.
#include "install/card_registry.h"

#include <gtest/gtest.h>

#include "install/card_registry.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using Lines = std::vector<std::u16string>;

TEST(CardRegistryFiles, RunsBothToolsForTheArchitecture) {
  struct Case {
    bool wow64;
    std::u16string registry, accessList;
  } cases[] = {
      {true, u"regedit /s UEC_x64_2.reg", u"regini UEC_acl_x64.acl"},
      {false, u"regedit /s UEC_x86_2.reg", u"regini UEC_acl_x86.acl"},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    fake.wow64 = c.wow64;
    Reporter reporter(fake.windows(), {});
    EXPECT_EQ(ApplyCardRegistryFiles(fake.windows(), reporter), kSuccess);
    EXPECT_EQ(fake.Commands(), (Lines{c.registry, c.accessList}));
  }
}

TEST(CardRegistryFiles, CombinesTheToolsCodes) {
  struct Case {
    std::uint32_t regedit, regini, expected;
  } cases[] = {{0, 0, 0}, {2, 0, 2}, {0, 5, 5}, {1, 2, 1}, {3010, 0, 3010}, {3010, 2, 2}};
  for (const Case& c : cases) {
    FakeWindows fake;
    fake.processOutcomes[u"regedit /s UEC_x64_2.reg"] = {true, 0, true, c.regedit};
    fake.processOutcomes[u"regini UEC_acl_x64.acl"] = {true, 0, true, c.regini};
    Reporter reporter(fake.windows(), {});
    EXPECT_EQ(ApplyCardRegistryFiles(fake.windows(), reporter), c.expected);
    EXPECT_EQ(fake.Commands().size(), 2u);
  }
}

}  // namespace
}  // namespace setup
