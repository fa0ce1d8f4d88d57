// Running the system's tools and msiexec.
#include "install/process_runner.h"

#include <gtest/gtest.h>

#include <set>

#include "install/installer_wait.h"
#include "platform/windows_constants.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

TEST(RunTool, ReturnsTheExitCodeOrThePlatformsError) {
  const std::tuple<ProcessOutcome, std::uint32_t, const char*> cases[] = {
      {{true, 0, true, 0}, 0, "exit code 0 after"},
      {{true, 0, true, 3010}, 3010, "exit code 3010 after"},
      {{false, 2, false, 0}, 2, "could not be started, error 2 after"},
      // The child ran but its code could not be read: that is no success.
      {{true, 6, false, 0}, 6, "exit code unreadable, error 6 after"},
      // A wait that failed never reads the code of a child that may still run (259).
      {{true, 6, false, 259, true}, 6, "could not be waited for, error 6 after"},
      // A failure that left no error code is still a failure.
      {{false, 0, false, 0}, 31, "could not be started, error 31 after"},
      {{true, 0, false, 0}, 31, "exit code unreadable, error 31 after"},
  };
  for (const auto& [outcome, expected, logged] : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"run.log"));
    fake.processOutcomes[u"msiexec /x"] = outcome;
    EXPECT_EQ(RunTool(fake.windows(), reporter, u"msiexec.exe", u"msiexec /x"), expected);
    EXPECT_NE(fake.writtenFiles[u"run.log"].find(logged), std::string::npos) << logged;
  }
}

TEST(RunInstaller, WaitsForAnotherInstallationWithinTenMinutesInAll) {
  // Each other installation makes an msiexec start answer 1618 while it lasts.
  const std::tuple<const char*, std::deque<std::uint32_t>, std::uint32_t, std::size_t, std::size_t,
                   std::uint32_t, bool, std::uint32_t>
      cases[] = {
          {"free at once", {}, 0, 1, 0, 0, false, 0},
          {"busy twice, then free", {30000, 20000}, 0, 3, 2, 50000, false, 0},
          {"busy past the limit", {700000}, 1618, 1, 1, 600000, false, 0},
          {"the limit spent over two waits", {400000, 400000}, 1618, 2, 2, 600000, false, 0},
          // Busy while nobody holds the mutex: a pause, never a start after start.
          {"busy without the mutex", {0}, 0, 2, 1, 3000, false, 0},
          {"busy, the mutex unreadable", {7000}, 0, 4, 3, 9000, true, 0},
          // The last pause ends with the allowance, never past it.
          {"busy without the mutex in the last second", {599100, 0}, 0, 3, 2, 600000, false, 0},
          // The ten minutes run on the clock from the first 1618, msiexec's busy runs included.
          {"busy for good, msiexec taking 20 s", {9000000}, 1618, 28, 27, 640000, true, 20000},
      };
  for (const auto& [name, others, code, starts, waits, waited, unreadable, msiexecMs] : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"run.log"));
    fake.otherInstallations = others;
    fake.installerMutexUnreadable = unreadable;
    fake.msiexecMilliseconds = msiexecMs;
    const std::uint32_t before = fake.tickCount;
    InstallerWait wait;
    HeldFiles held(fake);
    EXPECT_EQ(RunInstaller(fake.windows(), reporter, wait, held, u"msiexec /x a"), code) << name;
    EXPECT_EQ(fake.Commands().size(), starts) << name;
    const std::string& log = fake.writtenFiles[u"run.log"];
    std::size_t ended = 0;
    for (std::size_t at = log.find("wait ended after"); at != std::string::npos;
         at = log.find("wait ended after", at + 1)) {
      ++ended;
    }
    EXPECT_EQ(ended, waits) << name << "\n" << log;
    EXPECT_NEAR(fake.tickCount - before, waited, 400) << name;
    // Every start of the command line appends to one verbose log.
    const Lines commands = fake.Commands();
    EXPECT_EQ(std::set<std::u16string>(commands.begin(), commands.end()).size(), 1u) << name;
  }
}

TEST(RunTool, StartsToolsOnlyFromWhereWindowsKeepsThem) {
  const std::tuple<const char*, Lines, std::u16string, std::u16string> cases[] = {
      {"system folder first",
       List(u"C:\\WINDOWS\\system32\\MSIEXEC.EXE", u"C:\\WINDOWS\\msiexec.exe"),
       u"C:\\WINDOWS\\system32", u"C:\\WINDOWS\\system32\\msiexec.exe"},
      {"then the Windows folder", List(u"C:\\WINDOWS\\msiexec.exe"), u"C:\\WINDOWS\\system32",
       u"C:\\WINDOWS\\msiexec.exe"},
      {"a root folder ends in a backslash", {u"C:\\msiexec.exe"}, u"C:\\", u"C:\\msiexec.exe"},
      // The start folder's own msiexec.exe is never a candidate.
      {"nowhere Windows keeps it", {u"C:\\dist\\msiexec.exe"}, u"C:\\WINDOWS\\system32", u""},
      {"no system folder", {u"C:\\WINDOWS\\msiexec.exe"}, u"", u"C:\\WINDOWS\\msiexec.exe"},
  };
  for (const auto& [name, systemFiles, systemDirectory, program] : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {});
    fake.systemFiles = systemFiles;
    fake.systemDirectory = systemDirectory;
    const std::uint32_t code = RunTool(fake.windows(), reporter, u"msiexec.exe", u"msiexec /x a");
    EXPECT_EQ(code, program.empty() ? kErrorFileNotFound : kSuccess) << name;
    EXPECT_EQ(fake.programs, program.empty() ? Lines{} : Lines{program}) << name;
    // The tool sees its command line as a user would type it.
    EXPECT_EQ(fake.Commands(), program.empty() ? Lines{} : Lines{u"msiexec /x a"}) << name;
  }
}

}  // namespace
}  // namespace setup::testing
