// A release's pins decide which packages and share files a run takes, whatever the machine's
// stores, the share or setup.exe's own file say; what Wine can't show.
#include <gtest/gtest.h>

#include "app/main_flow.h"
#include "common/sha256.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// The fake reads a file as its path; a pin is the SHA-256 of those bytes.
std::string Raw(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}
std::u16string Digest(std::string_view bytes) { return BytesHex(Raw(bytes)); }
const std::u16string kCard = u"C:\\dist\\ucsp\\ucsp-x64-eng.msi";

// The card provider's package signed by V under the pinned root (a renewed certificate, BB),
// the plug-in's pinned by its digest, the share's files as pinned.
TEST(PinnedTrust, TakesOnlyWhatTheReleasePinned) {
  const std::string digests[] = {Raw("C:\\dist\\plugin\\velumcom-2.1.0-x64.msi"),
                                 Raw("C:\\dist\\UEC_x64_2.reg"), Raw("C:\\dist\\UEC_acl_x64.acl"),
                                 Raw("C:\\dist\\root.cer")};
  const PinnedFile pinned[] = {{u"", digests[0]},
                               {u"UEC_x64_2.reg", digests[1]},
                               {u"uec_ACL_x64.acl", digests[2]},
                               {u"root.cer", digests[3]}};
  const Pins pins{u"V", "V", "pinned root", pinned};
  using Script = void (*)(FakeWindows&);
  const std::tuple<const char*, Script, std::uint32_t, Lines> cases[] = {
      {"as pinned", [](FakeWindows&) {}, 0,
       List(u"trust: a release, pinned: packages signed by \"V\" under the root of SHA-256 " +
                Digest("pinned root") + u", or one of its 4 files by their SHA-256",
            u"pins: C:\\dist\\UEC_x64_2.reg, SHA-256 " + Digest("C:\\dist\\UEC_x64_2.reg") +
                u", pinned " + Digest("C:\\dist\\UEC_x64_2.reg") + u": accepted",
            u"pins: " + kCard + u", SHA-256 " + Digest(Utf8(kCard)) +
                u", not pinned; signed by \"V\", its certificate chain not built here "
                u"(0x800b0109), its chain ends at the pinned root, errors 0x20: accepted",
            u"certificate R from C:\\dist\\root.cer added to the machine's Root store")},
      {"changed since signing", [](FakeWindows& f) { f.signatures[kCard].trust = kTrustBadDigest; },
       kTrustBadDigest, Lines()},
      {"another subject", [](FakeWindows& f) { f.signatures[kCard].subject = "W"; },
       kTrustSubjectNotTrusted, Lines()},
      {"expired at the time stamp's time", [](FakeWindows& f) { f.chains[kCard].errors = 0x21; },
       kCertUntrustedRoot, Lines()},
      {"the machine's store for the root", [](FakeWindows& f) { f.chainRoot = "machine"; },
       kCertUntrustedRoot, Lines()},
      {"the registry file changed", [](FakeWindows& f) { f.contents[u"C:\\dist\\UEC_x64_2.reg"] = "x"; },
       kTrustBadDigest,
       List(u"pins: C:\\dist\\UEC_x64_2.reg, SHA-256 " + Digest("x") + u", pinned " +
                Digest("C:\\dist\\UEC_x64_2.reg") + u": refused with 0x80096010",
            u"message 105 shown, answered OK")},
      {"a pinned certificate file missing",
       [](FakeWindows& f) { f.holdErrors[u"root.cer"] = kErrorFileNotFound; }, kErrorFileNotFound,
       List(u"pins: root.cer, not read, pinned " + Digest("C:\\dist\\root.cer") +
            u": refused with 0x2")},
  };
  for (const auto& [name, script, exitCode, logged] : cases) {
    FakeWindows fake = Distribution();
    fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"R"};
    fake.signatures[kCard] = {kCertUntrustedRoot, true, "V", u"V", u"BB", 0};
    fake.chains[kCard] = {0x20, "pinned root"};
    script(fake);
    for (const char16_t* file : {u"UEC_x64_2.reg", u"UEC_acl_x64.acl", u"root.cer"}) {
      if (fake.holdErrors.count(file) == 0) fake.AddFile(file);  // one that is not there
    }
    EXPECT_EQ(RunSetup(fake.windows(), u"-ucsp -log L", pins), exitCode) << name;
    // Refused before the first change: nothing run, no root added.
    EXPECT_EQ(fake.Commands().size() + fake.rootStore.size(), exitCode == 0 ? 5u : 0u) << name;
    const std::string& log = fake.writtenFiles[u"L"];
    std::size_t at = 0;
    for (const std::u16string& expected : logged) {
      at = log.find(Utf8(expected), at);
      EXPECT_NE(at, std::string::npos) << name << ": " << Utf8(expected) << "\n" << log;
    }
  }
}

}  // namespace
}  // namespace setup::testing
