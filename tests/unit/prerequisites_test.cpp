#include "app/prerequisites.h"

#include <gtest/gtest.h>

#include "app/restart.h"
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
    CheckOperatingSystem(fake.windows(), c.silent);
    ASSERT_EQ(fake.boxes.size(), c.boxes) << c.version.major << " silent " << c.silent;
    if (c.boxes == 1) {
      EXPECT_EQ(fake.boxes[0].caption, u"Орвента ЭЦП Browser plug-in");
      EXPECT_EQ(fake.boxes[0].style, 0x10u);
    }
  }
}

TEST(Restart, EnablesTheShutdownPrivilegeThenAsksForAForcedReboot) {
  FakeWindows fake;
  EXPECT_TRUE(RestartComputer(fake.windows()));
  EXPECT_EQ(fake.log, (std::vector<std::u16string>{
                          u"restart: open token 0x28",
                          u"restart: look up SeShutdownPrivilege",
                          u"restart: enable 19 0x2",
                          u"restart: exit windows 0x6 0x40000",
                          u"restart: close token",
                      }));
}

TEST(Restart, AnyFailedStepGivesFalseAndLeavesNoTokenOpen) {
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    bool reachesExitWindows;
  } cases[] = {
      {"token not opened", [](FakeWindows& f) { f.tokenOpens = false; }, false},
      {"privilege unknown", [](FakeWindows& f) { f.privilegeFound = false; }, false},
      {"privilege not held", [](FakeWindows& f) { f.adjustError = 1300; }, false},
      {"other adjust error", [](FakeWindows& f) { f.adjustError = 5; }, false},
      {"reboot refused", [](FakeWindows& f) { f.exitWindowsAccepted = false; }, true},
  };
  for (const auto& c : cases) {
    FakeWindows fake;
    c.script(fake);
    EXPECT_FALSE(RestartComputer(fake.windows())) << c.name;
    EXPECT_EQ(fake.openTokens, 0) << c.name;
    bool exitWindows = false;
    for (const auto& line : fake.log) exitWindows |= line.starts_with(u"restart: exit windows");
    EXPECT_EQ(exitWindows, c.reachesExitWindows) << c.name;
  }
}

}  // namespace
}  // namespace setup
