// The program's messages by identifier, and their loading from the string table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/windows.h"
#include "resources/resource_ids.h"

namespace setup {

struct Message {
  std::uint16_t id;
  const char16_t* text;
};

// The catalogue as compiled into the string table, in identifier order.
std::span<const Message> MessageCatalogue();

// The entry for `id` inside its string-table block (block number (id >> 4) + 1), as the
// platform stores it: 16 entries, each a 16-bit length followed by that many units.
// Nothing when the entry is empty or would start outside the block.
std::optional<std::u16string> FindStringEntry(std::u16string_view block, std::uint16_t id);

// The string-table block that holds `first` to `first + 15`, built from `messages` the
// way the resource compiler lays it out.
std::u16string BuildStringBlock(std::span<const Message> messages, std::uint16_t block);

// Replaces `text` with message `id`; leaves it as it was and answers false when the
// message is absent.
bool LoadMessage(Windows& windows, std::uint16_t id, std::u16string& text);
// Message `id` to show: a message missing from a damaged table shows as an empty text,
// never another's.
std::u16string LoadText(Windows& windows, std::uint16_t id);

// Appends ": <code>." with the code as an unsigned decimal number.
void AppendResultCode(std::u16string& text, std::uint32_t code);

}  // namespace setup
