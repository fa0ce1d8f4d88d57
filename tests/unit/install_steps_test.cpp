// Running programs, installing one package, the card files and the certificates.
#include <gtest/gtest.h>

#include "install/architecture.h"
#include "install/card_registry.h"
#include "install/install_package.h"
#include "install/process_runner.h"
#include "install/root_certificates.h"
#include "packages/installer_queries.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::ShownBox;
using Lines = std::vector<std::u16string>;

TEST(RunCommand, ReturnsTheExitCodeOrThePlatformsError) {
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
    fake.processOutcomes[u"tool"] = c.outcome;
    EXPECT_EQ(RunCommand(fake.windows(), u"tool"), c.expected);
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

TEST(Architecture, AsksIsWow64ProcessOnceLookedUp) {
  struct Case {
    bool kernel32, hasFunction, callSucceeds, wow64;
    std::u16string pattern;
  } cases[] = {
      {true, true, true, true, u"*x64*"},    {true, true, true, false, u"*win32*"},
      {true, true, false, true, u"*win32*"}, {true, false, true, true, u"*win32*"},
      {false, true, true, true, u"*win32*"},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    fake.kernel32Available = c.kernel32;
    fake.hasIsWow64Process = c.hasFunction;
    fake.isWow64CallSucceeds = c.callSucceeds;
    fake.wow64 = c.wow64;
    Wow64Cache cache;
    EXPECT_EQ(ArchitecturePattern(fake.windows(), cache), c.pattern);
    EXPECT_EQ(ArchitecturePattern(fake.windows(), cache), c.pattern);
    // Looked up once; without kernel32 it is tried again each time, and never found.
    EXPECT_EQ(fake.isWow64Lookups, c.kernel32 ? 1 : 0);
  }
}

TEST(InstallPackage, BuildsTheExactCommandLine) {
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u""),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\"  REBOOT=R");
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u"X=1 "),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\" X=1  REBOOT=R");
  EXPECT_EQ(InstallCommandLine(u"C:\\d\\p\\a.msi", u"X=1 REINSTALL=ALL REINSTALLMODE=vomus"),
            u"msiexec /qn /i \"C:\\d\\p\\a.msi\" X=1 REINSTALL=ALL REINSTALLMODE=vomus REBOOT=R");
  EXPECT_EQ(PackageName(u"C:\\dist\\plugin\\p.msi"), u"p.msi");
  EXPECT_EQ(PackageName(u"p.msi"), u"p.msi");
  EXPECT_EQ(PackageName(u"C:\\dist\\"), u"");
}

TEST(InstallPackage, RegistersThePackageNameThenRunsMsiexec) {
  FakeWindows fake;
  fake.AddFile(u"plugin\\velumcom-2.1-x64.msi");
  fake.defaultExitCode = 3010;
  EXPECT_EQ(InstallPackage(fake.windows(), kPluginProductCode, u"velumcom*x64*", u"", false),
            3010u);
  EXPECT_EQ(fake.log,
            (Lines{u"source list: resolve {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4}",
                   u"source list: {C41A7E93-5B20-4D8E-A6F1-2E9B0D73C5A4} "
                   u"PackageName=velumcom-2.1-x64.msi",
                   u"run: msiexec /qn /i \"C:\\dist\\plugin\\velumcom-2.1-x64.msi\"  REBOOT=R"}));
}

TEST(InstallPackage, MissingPackageIsReportedUnlessSilentAndNothingRuns) {
  for (const bool silent : {false, true}) {
    FakeWindows fake;
    fake.AddFile(u"plugin\\velumcom-2.1-win32.msi");
    EXPECT_EQ(InstallPackage(fake.windows(), kPluginProductCode, u"velumcom*x64*", u"", silent),
              232u);
    EXPECT_TRUE(fake.Commands().empty());
    const std::vector<ShownBox> expected =
        silent ? std::vector<ShownBox>{}
               : std::vector<ShownBox>{{u"Невозможно найти msi-пакет.", u"Ошибка", 0x10}};
    EXPECT_EQ(fake.boxes, expected);
    EXPECT_EQ(fake.log.size(), silent ? 0u : 1u);  // no source-list call
  }
}

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
    Wow64Cache cache;
    EXPECT_EQ(ApplyCardRegistryFiles(fake.windows(), cache), 0u);
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
    Wow64Cache cache;
    EXPECT_EQ(ApplyCardRegistryFiles(fake.windows(), cache), c.expected);
    EXPECT_EQ(fake.Commands().size(), 2u);
  }
}

TEST(RootCertificates, ImportsCerThenP7bThenCrtFromTheStartFolderOnly) {
  FakeWindows fake;
  fake.AddFile(u"b.crt");
  fake.AddFile(u"a.p7b");
  fake.AddFile(u"root.cer");
  fake.AddFile(u"broken.cer");
  fake.AddFile(u"pkg\\inner.cer");
  fake.certificateFiles[u"C:\\dist\\b.crt"] = {u"crt-1"};
  fake.certificateFiles[u"C:\\dist\\a.p7b"] = {u"p7b-1", u"p7b-2"};
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"cer-1"};
  fake.certificateFiles[u"C:\\dist\\pkg\\inner.cer"] = {u"inner"};
  ImportRootCertificates(fake.windows());
  EXPECT_EQ(fake.rootStore, (Lines{u"cer-1", u"p7b-1", u"p7b-2", u"crt-1"}));
  EXPECT_EQ(fake.openStores, 0);
  EXPECT_TRUE(fake.boxes.empty());
  // The root store is closed before the file's own store, and reopened for every file.
  EXPECT_EQ(fake.log[1], u"close store Root");
  EXPECT_EQ(fake.log[2], u"close store C:\\dist\\root.cer");
}

TEST(RootCertificates, SkipsWhatCannotBeUsedAndReportsNothing) {
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    std::size_t imported;
  } cases[] = {
      {"root store closed to us", [](FakeWindows& f) { f.rootStoreFails = true; }, 0},
      {"full path unknown", [](FakeWindows& f) { f.fullPathFails = true; }, 0},
      {"full path too long",
       [](FakeWindows& f) {
         // A store the fake would open: only the length keeps it out.
         const std::u16string path = u"C:\\" + std::u16string(257, u'x');
         f.fullPathOverride = path;
         f.certificateFiles[path] = {u"long"};
       },
       0},
      {"full path just fits",
       [](FakeWindows& f) {
         const std::u16string path = u"C:\\" + std::u16string(256, u'x');
         f.fullPathOverride = path;
         f.certificateFiles[path] = {u"long"};
       },
       1},
      {"nothing to import", [](FakeWindows&) {}, 0},
  };
  for (const auto& c : cases) {
    FakeWindows fake;
    fake.AddFile(u"garbage.cer");
    c.script(fake);
    ImportRootCertificates(fake.windows());
    EXPECT_EQ(fake.rootStore.size(), c.imported) << c.name;
    EXPECT_EQ(fake.openStores, 0) << c.name;
    EXPECT_TRUE(fake.boxes.empty()) << c.name;
  }
}

}  // namespace
}  // namespace setup
