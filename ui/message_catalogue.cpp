#include "ui/message_catalogue.h"

#include <array>

#include "common/joined_text.h"
#include "common/number_text.h"

namespace setup {
namespace {

// Concatenating u"" with the narrow list literal makes it a UTF-16 literal of the
// same characters.
constexpr Message kMessages[] = {
#define MESSAGE(id, text) {id, u"" text},
#include "resources/messages.inc"
#undef MESSAGE
};

constexpr std::size_t kEntriesPerBlock = 16;

}  // namespace

std::span<const Message> MessageCatalogue() { return kMessages; }

std::optional<std::u16string> FindStringEntry(std::u16string_view block, std::uint16_t id) {
  std::size_t position = 0;
  for (std::size_t skip = id & 15u; skip > 0; --skip) {
    if (position >= block.size()) return std::nullopt;
    position += std::size_t{block[position]} + 1;
  }
  if (position >= block.size()) return std::nullopt;
  const std::size_t length = block[position];
  // An entry that would run past its block belongs to a damaged block: no message.
  if (length == 0 || length > block.size() - position - 1) return std::nullopt;
  return std::u16string(block.substr(position + 1, length));
}

std::u16string BuildStringBlock(std::span<const Message> messages, std::uint16_t block) {
  std::array<std::u16string, kEntriesPerBlock> entries;
  bool any = false;
  for (const Message& message : messages) {
    if ((message.id >> 4) + 1 != block) continue;
    entries[message.id & 15u] = message.text;
    any = true;
  }
  std::u16string units;
  if (!any) return units;
  for (const std::u16string& entry : entries) {
    units.push_back(static_cast<char16_t>(entry.size()));
    units += entry;
  }
  return units;
}

bool LoadMessage(Windows& windows, std::uint16_t id, std::u16string& text) {
  const std::uint16_t blockNumber = static_cast<std::uint16_t>((id >> 4) + 1);
  const std::optional<std::u16string> block = windows.system.LoadStringBlock(blockNumber);
  if (!block) return false;
  std::optional<std::u16string> entry = FindStringEntry(*block, id);
  if (!entry) return false;
  text = std::move(*entry);
  return true;
}

std::u16string LoadText(Windows& windows, std::uint16_t id) {
  std::u16string text;
  LoadMessage(windows, id, text);
  return text;
}

void AppendResultCode(std::u16string& text, std::uint32_t code) {
  text += Join({": ", Decimal(code), "."});
}

}  // namespace setup
