#include "ui/message_catalogue.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup::testing {
namespace {

// Each message is found again in the string block built for it.
TEST(MessageCatalogue, HoldsFiftyMessagesInIdentifierOrderEachInItsBlock) {
  const auto messages = MessageCatalogue();
  ASSERT_EQ(messages.size(), 50u);
  EXPECT_EQ(messages.front().id, 101);
  EXPECT_EQ(messages.back().id, 159);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const Message& message = messages[i];
    EXPECT_TRUE(i == 0 || messages[i - 1].id < message.id) << message.id;
    const std::u16string block =
        BuildStringBlock(messages, static_cast<std::uint16_t>((message.id >> 4) + 1));
    EXPECT_EQ(FindStringEntry(block, message.id), std::u16string(message.text)) << message.id;
  }
}

// A missing identifier (nullptr) leaves the text as it was. The caption, the provider too old
// to update and "Options" are compared where they are shown.
TEST(MessageCatalogue, LoadsExactTexts) {
  FakeWindows fake;
  const std::pair<std::uint16_t, const char16_t*> cases[] = {
      {101, u"Программа должна быть запущена от имени администратора."},
      {107,
       u"Орвента ЭЦП Browser plug-in и CSP успешно установлены.\nДля корректной работы "
       u"Орвента ЭЦП Browser plug-in и CSP необходимо перезагрузить компьютер.\n"
       u"Произвести перезагрузку сейчас?"},
      {121,
       u"Для установки продукта на Windows Vista или Windows 2008 требуется пакет "
       u"обновлений SP2."},
      {142, u"Скрыть"},
      {100, nullptr},
      {132, nullptr},
      {140, nullptr},
      {141, nullptr},
      {144, nullptr},
      {4000, nullptr},
  };
  for (const auto& [id, expected] : cases) {
    std::u16string text = u"old";
    EXPECT_EQ(LoadMessage(fake.windows(), id, text), expected != nullptr) << id;
    EXPECT_EQ(text, expected != nullptr ? expected : u"old") << id;
  }
}

TEST(StringBlockWalk, DamagedBlocksGiveNoMessage) {
  // Entry 0 has 2 units, entry 1 has 1, entry 2 is empty, entry 3 claims more than is there.
  const std::u16string block = {2, u'a', u'b', 1, u'c', 0, 9, u'x'};
  EXPECT_EQ(FindStringEntry(block, 0x10), u"ab");
  EXPECT_EQ(FindStringEntry(block, 0x11), u"c");
  EXPECT_EQ(FindStringEntry(block, 0x12), std::nullopt);  // empty entry
  EXPECT_EQ(FindStringEntry(block, 0x13), std::nullopt);  // runs past the block
  EXPECT_EQ(FindStringEntry(block, 0x14), std::nullopt);  // starts past the block
  EXPECT_EQ(FindStringEntry(block, 0x1F), std::nullopt);
  EXPECT_EQ(FindStringEntry(u"", 0x10), std::nullopt);
  // A length of 0xFFFF must not wrap around.
  EXPECT_EQ(FindStringEntry(std::u16string{0xFFFF, u'a'}, 0x10), std::nullopt);
  EXPECT_EQ(FindStringEntry(std::u16string{0xFFFF, u'a'}, 0x11), std::nullopt);
}

}  // namespace
}  // namespace setup::testing
