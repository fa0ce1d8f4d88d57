#include "ui/message_catalogue.h"

#include <gtest/gtest.h>

#include "tests/support/fake_windows.h"

namespace setup {
namespace {

using testing::FakeWindows;

TEST(MessageCatalogue, HoldsFortyMessagesInIdentifierOrder) {
  const auto messages = MessageCatalogue();
  ASSERT_EQ(messages.size(), 40u);
  EXPECT_EQ(messages.front().id, 101);
  EXPECT_EQ(messages.back().id, 143);
  for (std::size_t i = 1; i < messages.size(); ++i) EXPECT_LT(messages[i - 1].id, messages[i].id);
}

TEST(MessageCatalogue, LoadsExactTexts) {
  FakeWindows fake;
  struct Case {
    std::uint16_t id;
    std::u16string text;
  } cases[] = {
      {101, u"Программа должна быть запущена от имени администратора."},
      {104, u"Орвента ЭЦП Browser plug-in"},
      {107,
       u"Орвента ЭЦП Browser plug-in и CSP успешно установлены.\nДля корректной работы "
       u"Орвента ЭЦП Browser plug-in и CSP необходимо перезагрузить компьютер.\n"
       u"Произвести перезагрузку сейчас?"},
      {121,
       u"Для установки продукта на Windows Vista или Windows 2008 требуется пакет "
       u"обновлений SP2."},
      {130,
       u"Установленная версия Орвента CSP 3.6 слишком старая для обновления.\nДля "
       u"установки удалите её из Add/Remove Programs и запустите установку заново."},
      {142, u"Скрыть"},
      {143, u"Опции"},
  };
  for (const Case& c : cases) {
    std::u16string text = u"old";
    EXPECT_TRUE(LoadMessage(fake.windows(), c.id, text)) << c.id;
    EXPECT_EQ(text, c.text) << c.id;
  }
}

TEST(MessageCatalogue, MissingIdentifiersLeaveTheTextUnchanged) {
  FakeWindows fake;
  for (std::uint16_t id : {100, 132, 140, 141, 144, 4000}) {
    std::u16string text = u"before";
    EXPECT_FALSE(LoadMessage(fake.windows(), id, text)) << id;
    EXPECT_EQ(text, u"before") << id;
  }
}

TEST(StringBlockWalk, FindsEveryEntryOfBuiltBlocks) {
  for (const Message& message : MessageCatalogue()) {
    const std::u16string block =
        BuildStringBlock(MessageCatalogue(), static_cast<std::uint16_t>((message.id >> 4) + 1));
    EXPECT_EQ(FindStringEntry(block, message.id), std::u16string(message.text)) << message.id;
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

TEST(ResultCode, AppendsColonBlankUnsignedNumberAndFullStop) {
  struct Case {
    std::uint32_t code;
    std::u16string expected;
  } cases[] = {{1603, u"x: 1603."}, {0, u"x: 0."}, {4294967295u, u"x: 4294967295."}};
  for (const Case& c : cases) {
    std::u16string text = u"x";
    AppendResultCode(text, c.code);
    EXPECT_EQ(text, c.expected);
  }
}

}  // namespace
}  // namespace setup
