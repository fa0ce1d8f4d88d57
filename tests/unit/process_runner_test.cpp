// Running the system's tools and combining their codes.
#include "install/process_runner.h"

#include <gtest/gtest.h>

#include "install/process_runner.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using Lines = std::vector<std::u16string>;

TEST(RunTool, ReturnsTheExitCodeOrThePlatformsError) {
  struct Case {
    ProcessOutcome outcome;
    std::uint32_t expected;
  } cases[] = {
      {{true, 0, true, 0}, 0},
      {{true, 0, true, 3010}, 3010},
      {{true, 0, true, 1641}, 1641},
      {{false, 2, false, 0}, 2},
      {{false, 5, false, 0}, 5},
      // The child ran but its code could not be read: that is no success.
      {{true, 6, false, 0}, 6},
      // A failure that left no error code is still a failure.
      {{false, 0, false, 0}, 31},
      {{true, 0, false, 0}, 31},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    fake.processOutcomes[u"msiexec /x"] = c.outcome;
    EXPECT_EQ(RunTool(fake.windows(), reporter, u"msiexec.exe", u"msiexec /x"), c.expected);
  }
}

TEST(RunTool, StartsToolsOnlyFromWhereWindowsKeepsThem) {
  struct Case {
    const char* name;
    Lines systemFiles;
    std::u16string systemDirectory;
    std::u16string program;  // empty: not started
  } cases[] = {
      {"system folder first",
       {u"C:\\WINDOWS\\system32\\MSIEXEC.EXE", u"C:\\WINDOWS\\msiexec.exe"},
       u"C:\\WINDOWS\\system32",
       u"C:\\WINDOWS\\system32\\msiexec.exe"},
      {"then the Windows folder",
       {u"C:\\WINDOWS\\msiexec.exe"},
       u"C:\\WINDOWS\\system32",
       u"C:\\WINDOWS\\msiexec.exe"},
      {"a root folder ends in a backslash", {u"C:\\msiexec.exe"}, u"C:\\", u"C:\\msiexec.exe"},
      // The start folder's own msiexec.exe is never a candidate.
      {"nowhere Windows keeps it", {u"C:\\dist\\msiexec.exe"}, u"C:\\WINDOWS\\system32", u""},
      {"no system folder", {u"C:\\WINDOWS\\msiexec.exe"}, u"", u"C:\\WINDOWS\\msiexec.exe"},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    fake.systemFiles = c.systemFiles;
    fake.systemDirectory = c.systemDirectory;
    const std::uint32_t code = RunTool(fake.windows(), reporter, u"msiexec.exe", u"msiexec /x a");
    EXPECT_EQ(code, c.program.empty() ? kErrorFileNotFound : kSuccess) << c.name;
    EXPECT_EQ(fake.programs, c.program.empty() ? Lines{} : Lines{c.program}) << c.name;
    // The tool sees its command line as a user would type it.
    EXPECT_EQ(fake.Commands(), c.program.empty() ? Lines{} : Lines{u"msiexec /x a"}) << c.name;
  }
}

TEST(CombineCodes, KeepsTheFirstFailureElseARestartElseSuccess) {
  struct Case {
    std::uint32_t first, second, expected;
  } cases[] = {
      {0, 0, 0},       {3010, 0, 3010}, {0, 3010, 3010},    {3010, 3010, 3010},
      {3010, 2, 2},    {2, 3010, 2},    {1603, 1618, 1603}, {1618, 1603, 1618},
      {0, 1641, 1641}, {1603, 0, 1603}, {0, 232, 232},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombineCodes(c.first, c.second), c.expected) << c.first << " + " << c.second;
  }
}

}  // namespace
}  // namespace setup
