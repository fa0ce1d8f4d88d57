// A release's pins: which packages and share files its runs take, whatever else the machine,
// the share or setup.exe's own file say.
#include <gtest/gtest.h>

#include "app/main_flow.h"
#include "common/sha256.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// The fake reads a file as its path; a pin is the SHA-256 of those bytes.
std::string Digest(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}
const std::string kPlugin = Digest("C:\\dist\\plugin\\velumcom-2.1.0-x64.msi"),
                  kReg = Digest("UEC_x64_2.reg"), kAcl = Digest("UEC_acl_x64.acl"),
                  kRoot = Digest("C:\\dist\\root.cer");
const PinnedFile kFiles[] = {{u"", kPlugin},
                             {u"UEC_x64_2.reg", kReg}, {u"uec_ACL_x64.acl", kAcl},
                             {u"root.cer", kRoot}};
const Pins kPins{u"V", "V", "pinned root", kFiles};
const std::u16string kCard = u"C:\\dist\\ucsp\\ucsp-x64-eng.msi";

// The card provider's package signed by V under the pinned root (a renewed certificate, BB),
// the plug-in's pinned by its digest, the share's files as pinned; setup.exe itself unsigned.
TEST(PinnedTrust, TakesOnlyWhatTheReleasePinned) {
  using Script = void (*)(FakeWindows&);
  const std::tuple<const char*, Script, std::uint32_t, Lines> cases[] = {
      {"as pinned", [](FakeWindows&) {}, 0,
       List(u"trust: a release, pinned: packages signed by \"V\" under the root of SHA-256 " +
                BytesHex(Digest("pinned root")) + u", or one of its 4 files by their SHA-256",
            u"pins: UEC_x64_2.reg, SHA-256 " + BytesHex(kReg) + u", pinned " +
                BytesHex(kReg) + u": accepted",
            u"pins: " + kCard + u", SHA-256 " + BytesHex(Digest(Utf8(kCard))) +
                u", not pinned; signed by \"V\", its certificate chain not built here "
                u"(0x800b0109), its chain ends at the pinned root, errors 0x20: accepted",
            u"pins: C:\\dist\\plugin\\velumcom-2.1.0-x64.msi, SHA-256 " + BytesHex(kPlugin) +
                u", pinned " + BytesHex(kPlugin) + u": accepted",
            u"certificate R from C:\\dist\\root.cer added to the machine's Root store")},
      {"setup.exe's own signature changed: it decides nothing here",
       [](FakeWindows& f) { f.signatures[f.programPath].trust = kTrustBadDigest; }, 0, {}},
      {"the plug-in's package not the pinned file, unsigned",
       [](FakeWindows& f) { f.contents[u"C:\\dist\\plugin\\velumcom-2.1.0-x64.msi"] = "x"; },
       kTrustNoSignature, {}},
      {"the card provider's package changed since signing",
       [](FakeWindows& f) { f.signatures[u"C:\\dist\\ucsp\\ucsp-x64-eng.msi"].trust = kTrustBadDigest; },
       kTrustBadDigest, {}},
      {"another subject under the pinned root",
       [](FakeWindows& f) { f.signatures[u"C:\\dist\\ucsp\\ucsp-x64-eng.msi"].subject = "W"; },
       kTrustSubjectNotTrusted, {}},
      {"the vendor's subject under another root",
       [](FakeWindows& f) { f.chains[u"C:\\dist\\ucsp\\ucsp-x64-eng.msi"].end = "other root"; },
       kCertUntrustedRoot, List(u"its chain misses the pinned root, errors 0x20: refused with "
                                u"0x800b0109")},
      {"a chain to the pinned root, its certificate expired at the time stamp's time",
       [](FakeWindows& f) { f.chains[u"C:\\dist\\ucsp\\ucsp-x64-eng.msi"].errors = 0x21; },
       kCertUntrustedRoot, {}},
      {"the machine's store can't stand in for the pinned root",
       [](FakeWindows& f) { f.chainRoot = "machine root"; }, kCertUntrustedRoot, {}},
      {"the registry file changed by a byte",
       [](FakeWindows& f) { f.contents[u"UEC_x64_2.reg"] = "UEC_x64_2.reh"; },
       kTrustBadDigest,
       List(u"pins: UEC_x64_2.reg, SHA-256 " + BytesHex(Digest("UEC_x64_2.reh")) + u", pinned " + BytesHex(kReg) +
                u": refused with 0x80096010",
            u"message 105 shown, answered OK")},
      {"a certificate file not pinned", [](FakeWindows& f) { f.AddFile(u"evil.cer"); },
       kTrustSubjectNotTrusted,
       List(u"pins: C:\\dist\\evil.cer, SHA-256 " + BytesHex(Digest("C:\\dist\\evil.cer")) +
            u", not pinned: refused with 0x800b0004")},
      {"a pinned certificate file missing",
       [](FakeWindows& f) { f.holdErrors[u"C:\\dist\\root.cer"] = kErrorFileNotFound; },
       kErrorFileNotFound,
       List(u"pins: C:\\dist\\root.cer, not read, pinned " + BytesHex(kRoot) +
            u": refused with 0x2")},
  };
  for (const auto& [name, script, exitCode, logged] : cases) {
    FakeWindows fake = Distribution();
    for (const char16_t* file : {u"UEC_x64_2.reg", u"UEC_acl_x64.acl", u"root.cer"}) {
      fake.AddFile(file);
    }
    fake.certificateFiles[u"C:\\dist\\root.cer"] = {u"R"};
    fake.signatures[kCard] = {kCertUntrustedRoot, true, "V", u"V", u"BB", 0};
    fake.chains[kCard] = {0x20, "pinned root"};
    script(fake);
    EXPECT_EQ(RunSetup(fake.windows(), u"-ucsp -log L", kPins), exitCode) << name;
    // Refused before the first change: nothing run, no root added.
    EXPECT_EQ(fake.Commands().size(), exitCode == 0 ? 4u : 0u) << name;
    EXPECT_EQ(fake.rootStore.size(), exitCode == 0 ? 1u : 0u) << name;
    const std::string& log = fake.writtenFiles[u"L"];
    std::size_t at = 0;
    for (const std::u16string& expected : logged) {
      at = log.find(Utf8(expected), at);
      EXPECT_NE(at, std::string::npos) << name << ": " << Utf8(expected) << "\n" << log;
      if (at == std::string::npos) break;
    }
  }
}

}  // namespace
}  // namespace setup::testing
