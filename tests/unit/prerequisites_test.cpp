#include "app/prerequisites.h"

#include <gtest/gtest.h>

#include "platform/windows_constants.h"

namespace setup::testing {
namespace {

TEST(OperatingSystemCheck, FollowsTheTableOfSupportedSystems) {
  const std::tuple<std::optional<OsVersion>, std::uint32_t, std::uint16_t> cases[] = {
      {std::nullopt, 2, 121},           {OsVersion{4, 0, 6}, 1150, 116},
      {OsVersion{3, 51, 5}, 1150, 116}, {OsVersion{5, 0, 3}, 3, 117},
      {OsVersion{5, 0, 4}, 0, 0},       {OsVersion{5, 1, 0}, 4, 118},
      {OsVersion{5, 1, 1}, 4, 118},     {OsVersion{5, 1, 2}, 0, 0},
      {OsVersion{5, 1, 3}, 0, 0},       {OsVersion{5, 2, 0}, 5, 119},
      {OsVersion{5, 2, 1}, 5, 119},     {OsVersion{5, 2, 2}, 0, 0},
      {OsVersion{5, 3, 0}, 0, 0},       {OsVersion{6, 0, 0}, 0, 0},
      {OsVersion{6, 1, 1}, 0, 0},       {OsVersion{10, 0, 0}, 0, 0},
  };
  for (const auto& [version, exitCode, messageId] : cases) {
    const VersionVerdict verdict = JudgeOperatingSystem(version);
    const OsVersion v = version.value_or(OsVersion{});
    EXPECT_EQ(std::pair(verdict.exitCode, verdict.messageId), std::pair(exitCode, messageId))
        << v.major << "." << v.minor << " SP" << v.servicePackMajor;
  }
}

}  // namespace
}  // namespace setup::testing
