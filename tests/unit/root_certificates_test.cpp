// The root certificates of the start folder.
#include "install/root_certificates.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;
using testing::Utf8;
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

TEST(RootCertificates, SkipsFilesThatAreNoCertificatesAndFailsWhatTheStoreRefuses) {
  // A real certificate file in every case, so that only the branch under test keeps it out.
  struct Case {
    const char* name;
    void (*script)(FakeWindows&);
    std::size_t imported;
    std::uint32_t code;
    const char16_t* logged;
  } cases[] = {
      {"root store closed to us", [](FakeWindows& f) { f.rootStoreError = 5; }, 0, 5,
       u"C:\\dist\\root.cer not imported: the machine's Root store could not be opened, error 0x5"},
      {"root store closed, no error given", [](FakeWindows& f) { f.rootStoreError = 0; }, 0, 31,
       u"the machine's Root store could not be opened, error 0x0"},
      {"one certificate refused, the next still added",
       [](FakeWindows& f) { f.certificateErrors[u"A1"] = 0x80070005; }, 1, 0x80070005,
       u"certificate A1 from C:\\dist\\root.cer not added to the machine's Root store, error "
       u"0x80070005"},
      {"a refused certificate, then a good file",
       [](FakeWindows& f) {
         f.certificateErrors[u"A1"] = 0x80070005;
         f.AddFile(u"good.crt");
         f.certificateFiles[u"C:\\dist\\good.crt"] = {u"C3"};
       },
       2, 0x80070005, u"certificate C3 from C:\\dist\\good.crt added"},
      {"already there", [](FakeWindows& f) { f.rootStore = {u"B2"}; }, 2, 0,
       u"certificate B2 from C:\\dist\\root.cer already present in the machine's Root store"},
      {"not a certificate file", [](FakeWindows& f) { f.certificateFiles.clear(); }, 0, 0,
       u"certificate file C:\\dist\\root.cer not imported: not a certificate file, error "
       u"0x80092009"},
      {"full path unknown", [](FakeWindows& f) { f.fullPathFails = true; }, 0, 0,
       u"certificate file root.cer not imported: no full path under 260 characters"},
      {"full path too long",
       [](FakeWindows& f) {
         const std::u16string path = u"C:\\" + std::u16string(257, u'x');
         f.fullPathOverride = path;
         f.certificateFiles[path] = {u"long"};
       },
       0, 0, u"no full path under 260 characters"},
      {"full path just fits",
       [](FakeWindows& f) {
         const std::u16string path = u"C:\\" + std::u16string(256, u'x');
         f.fullPathOverride = path;
         f.certificateFiles[path] = {u"long"};
       },
       1, 0, u"added to the machine's Root store"},
  };
  for (const auto& c : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"run.log"));
    fake.AddFile(u"root.cer");
    fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"A1", u"B2"};
    c.script(fake);
    const std::size_t before = fake.rootStore.size();
    EXPECT_EQ(ImportRootCertificates(fake.windows(), reporter), c.code) << c.name;
    EXPECT_EQ(fake.rootStore.size() - before, c.imported) << c.name;
    EXPECT_NE(fake.writtenFiles[u"run.log"].find(Utf8(c.logged)), std::string::npos)
        << c.name << "\n"
        << fake.writtenFiles[u"run.log"];
    EXPECT_EQ(fake.openStores, 0) << c.name;
    EXPECT_TRUE(fake.boxes.empty()) << c.name;
  }
}

}  // namespace
}  // namespace setup
