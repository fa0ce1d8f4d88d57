// The root certificates of the start folder.
#include "install/root_certificates.h"

#include <gtest/gtest.h>

#include "common/exit_codes.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

std::uint32_t ImportAll(FakeWindows& fake, Reporter& reporter) {
  std::vector<std::u16string> files;
  std::uint32_t code = FindCertificateFiles(fake.windows(), reporter, files);
  for (const std::u16string& file : files) {
    code = CombineCodes(code, ImportCertificateFile(fake.windows(), reporter, file));
  }
  return code;
}

TEST(RootCertificates, ImportsCerThenP7bThenCrtFromTheStartFolderOnly) {
  FakeWindows fake;
  Reporter reporter(fake.windows(), {});
  fake.AddFile(u"b.crt");
  fake.AddFile(u"a.p7b");
  fake.AddFile(u"root.cer");
  fake.AddFile(u"broken.cer");
  fake.AddFile(u"pkg\\inner.cer");
  fake.AddDirectory(u"old.cer");  // never a certificate file
  fake.certificateFiles[u"C:\\dist\\old.cer"] = {u"folder"};
  fake.certificateFiles[u"C:\\dist\\b.crt"] = {u"crt-1"};
  fake.certificateFiles[u"C:\\dist\\a.p7b"] = {u"p7b-1", u"p7b-2"};
  fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"cer-1"};
  fake.certificateFiles[u"C:\\dist\\pkg\\inner.cer"] = {u"inner"};
  ImportAll(fake, reporter);
  EXPECT_EQ(fake.rootStore, (Lines{u"cer-1", u"p7b-1", u"p7b-2", u"crt-1"}));
  EXPECT_EQ(fake.openStores, 0);
  EXPECT_TRUE(fake.boxes.empty());
  // The root store is closed before the file's own store, and reopened for every file.
  EXPECT_EQ(fake.log[1], u"close store Root");
  EXPECT_EQ(fake.log[2], u"close store C:\\dist\\root.cer");
}

// The certificate file's full path is `length` characters long.
template <std::size_t length>
void FullPathOf(FakeWindows& f) {
  const std::u16string path = u"C:\\" + std::u16string(length - 3, u'x');
  f.fullPathOverride = path;
  f.certificateFiles[path] = {u"long"};
}

// A real certificate file in every case, so that only the branch under test keeps it out.
TEST(RootCertificates, SkipsFilesThatAreNoCertificatesAndFailsWhatTheStoreRefuses) {
  using Script = void (*)(FakeWindows&);
  const std::tuple<const char*, Script, std::size_t, std::uint32_t, const char16_t*> cases[] = {
      {"root store closed to us", [](FakeWindows& f) { f.rootStoreError = 5; }, 0, 5,
       u"C:\\dist\\root.cer not imported: the machine's Root store could not be opened, "
       u"error 0x5"},
      {"root store closed, no error given", [](FakeWindows& f) { f.rootStoreError = 0; }, 0, 31,
       u"the machine's Root store could not be opened, error 0x0"},
      {"one certificate refused, the next still added",
       [](FakeWindows& f) { f.certificateErrors[u"A1"] = 0x80070005; }, 1, 0x80070005,
       u"certificate A1 from C:\\dist\\root.cer not added to the machine's Root store, "
       u"error 0x80070005"},
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
       u"certificate file C:\\dist\\root.cer not imported: not a certificate file, "
       u"error 0x80092009"},
      {"full path unknown", [](FakeWindows& f) { f.fullPathFails = true; }, 0, 206,
       u"certificate file root.cer can't be imported: no full path under 260 characters"},
      {"full path too long", FullPathOf<260>, 0, 206, u"no full path under 260 characters"},
      {"full path just fits", FullPathOf<259>, 1, 0, u"added to the machine's Root store"},
  };
  for (const auto& [name, script, imported, code, logged] : cases) {
    FakeWindows fake;
    Reporter reporter(fake.windows(), {}, std::make_unique<RunLog>(fake.windows(), u"run.log"));
    fake.AddFile(u"root.cer");
    fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"A1", u"B2"};
    script(fake);
    const std::size_t before = fake.rootStore.size();
    EXPECT_EQ(ImportAll(fake, reporter), code) << name;
    EXPECT_EQ(fake.rootStore.size() - before, imported) << name;
    const std::string& log = fake.writtenFiles[u"run.log"];
    EXPECT_NE(log.find(Utf8(logged)), std::string::npos) << name << "\n" << log;
    EXPECT_EQ(fake.openStores, 0) << name;
    EXPECT_TRUE(fake.boxes.empty()) << name;
  }
}

}  // namespace
}  // namespace setup::testing
