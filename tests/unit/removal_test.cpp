// -uninstall against the fake: what goes, in which order, by which code, and which roots.
#include <gtest/gtest.h>

#include "app/main_flow.h"
#include "install/added_roots.h"
#include "tests/support/fake_windows.h"
#include "tests/support/texts.h"

namespace setup::testing {
namespace {

// Roots A and C recorded, A and B in the Root store: A goes, C is forgotten, B stays. Another
// account's product (2) and one gone meanwhile (1605) count as not installed; a failure ends
// the removal there.
TEST(Removal, RemovesWhatIsInstalledInItsOrderAndOnlyTheRecordedRoots) {
  const std::u16string plugin = u"run: " + RemovalCommand(kPlugin),
                       card = u"run: " + RemovalCommand(kCardProvider),
                       provider = u"run: " + RemovalCommand(kProvider),
                       alternate = u"run: " + RemovalCommand(kAlternateProviderProductCode),
                       root = u"root store: remove A";
  const Lines installed{kPluginProductCode, kCardProviderProductCode, kProviderProductCode,
                        kAlternateProviderProductCode};
  struct Case {
    const char16_t* line;
    std::int32_t pluginState;
    std::uint32_t cardCode;  // of the card provider's removal
    Lines done;
    std::uint32_t code = 0;
  } cases[] = {
      {u"-uninstall", 5, 0, {plugin}},
      {u"-uninstall -csp -ucsp", 5, 0, {plugin, card, root, provider, alternate}},
      {u"-ucsp -uninstall", 2, kErrorUnknownProduct, {card, root}},
      {u"-uninstall -csp", 2, 0, {provider, alternate}},
      {u"-uninstall -csp -ucsp", 5, 1603, {plugin, card}, 1603},
  };
  for (const Case& c : cases) {
    FakeWindows fake;
    for (const std::u16string& code : installed) fake.products[code];
    fake.products[kPluginProductCode].state = c.pluginState;
    fake.processOutcomes[RemovalCommand(kCardProvider)] = Exited(c.cardCode);
    fake.rootStore = {u"A", u"B"};
    const std::u16string record = Join({kSetupKey, "\\", kAddedRootsValue});
    fake.registry[record] = {u"A", u"C"};
    EXPECT_EQ(RunSetup(fake.windows(), Join({c.line, " -silent"})), c.code) << Utf8(c.line);
    Lines done;
    for (const std::u16string& line : fake.log) {
      if (line.starts_with(u"run: ") || line.starts_with(u"root store: ")) done.push_back(line);
    }
    EXPECT_EQ(done, c.done) << Utf8(c.line);
    const bool taken = std::count(done.begin(), done.end(), root) == 1;
    EXPECT_EQ(fake.rootStore, taken ? List(u"B") : List(u"A", u"B")) << Utf8(c.line);
    EXPECT_EQ(fake.registry[record], taken ? Lines() : List(u"A", u"C")) << Utf8(c.line);
  }
}

}  // namespace
}  // namespace setup::testing
