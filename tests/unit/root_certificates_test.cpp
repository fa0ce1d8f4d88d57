// The root certificates of the start folder.
#include "install/root_certificates.h"

#include <gtest/gtest.h>

#include "install/root_certificates.h"
#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using Lines = std::vector<std::u16string>;

TEST(RootCertificates, ImportsCerThenP7bThenCrtFromTheStartFolderOnly) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.AddFile(u"b.crt");
  fake.AddFile(u"a.p7b");
  fake.AddFile(u"root.cer");
  fake.AddFile(u"broken.cer");
  fake.AddFile(u"pkg\\inner.cer");
  fake.certificateFiles[u"C:\\dist\\b.crt"] = {u"crt-1"};
  fake.certificateFiles[u"C:\\dist\\a.p7b"] = {u"p7b-1", u"p7b-2"};
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"cer-1"};
  fake.certificateFiles[u"C:\\dist\\pkg\\inner.cer"] = {u"inner"};
  ImportRootCertificates(fake.windows(), reporter);
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
    Reporter reporter(fake.windows(), {});
    fake.AddFile(u"garbage.cer");
    c.script(fake);
    ImportRootCertificates(fake.windows(), reporter);
    EXPECT_EQ(fake.rootStore.size(), c.imported) << c.name;
    EXPECT_EQ(fake.openStores, 0) << c.name;
    EXPECT_TRUE(fake.boxes.empty()) << c.name;
  }
}

}  // namespace
}  // namespace setup
