#include "app/prerequisites.h"

#include <gtest/gtest.h>

#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;

TEST(OperatingSystemCheck, FollowsTheTableOfSupportedSystems) {
  struct Case {
    std::optional<OsVersion> version;
    std::uint32_t exitCode;
    std::uint16_t messageId;
  } cases[] = {
      {std::nullopt, 2, 121},           {OsVersion{4, 0, 6}, 1150, 116},
      {OsVersion{3, 51, 5}, 1150, 116}, {OsVersion{5, 0, 3}, 3, 117},
      {OsVersion{5, 0, 4}, 0, 0},       {OsVersion{5, 1, 0}, 4, 118},
      {OsVersion{5, 1, 1}, 4, 118},     {OsVersion{5, 1, 2}, 0, 0},
      {OsVersion{5, 1, 3}, 0, 0},       {OsVersion{5, 2, 0}, 5, 119},
      {OsVersion{5, 2, 1}, 5, 119},     {OsVersion{5, 2, 2}, 0, 0},
      {OsVersion{5, 3, 0}, 0, 0},       {OsVersion{6, 0, 0}, 0, 0},
      {OsVersion{6, 1, 1}, 0, 0},       {OsVersion{10, 0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    const VersionVerdict verdict = JudgeOperatingSystem(c.version);
    const std::string label = c.version ? std::to_string(c.version->major) + "." +
                                              std::to_string(c.version->minor) + " SP" +
                                              std::to_string(c.version->servicePackMajor)
                                        : "unreadable";
    EXPECT_EQ(verdict.exitCode, c.exitCode) << label;
    EXPECT_EQ(verdict.messageId, c.messageId) << label;
  }
}

TEST(OperatingSystemCheck, ShowsItsMessageUnlessSilentButTooOldAlways) {
  struct Case {
    OsVersion version;
    bool silent;
    std::size_t boxes;
  } cases[] = {
      {{5, 1, 1}, false, 1}, {{5, 1, 1}, true, 0},  {{4, 0, 6}, false, 1},
      {{4, 0, 6}, true, 1},  {{6, 0, 0}, false, 0},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    fake.osVersion = c.version;
    Reporter reporter(fake.windows(), {c.silent});
    CheckOperatingSystem(fake.windows(), reporter);
    ASSERT_EQ(fake.boxes.size(), c.boxes) << c.version.major << " silent " << c.silent;
    if (c.boxes == 1) {
      EXPECT_EQ(fake.boxes[0].caption, u"Орвента ЭЦП Browser plug-in");
      EXPECT_EQ(fake.boxes[0].style, kMbIconError);
    }
  }
}

}  // namespace
}  // namespace setup
