// The program's messages by identifier, and their loading from the string table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/windows.h"

namespace setup {

struct Message {
  std::uint16_t id;
  const char16_t* text;
};

// The catalogue as compiled into the string table, in identifier order.
std::span<const Message> MessageCatalogue();

// Message identifiers the program shows.
namespace msg {
inline constexpr std::uint16_t kNotAdministrator = 101;
inline constexpr std::uint16_t kConfirmPluginAndProvider = 102;
inline constexpr std::uint16_t kConfirmPlugin = 103;
inline constexpr std::uint16_t kCaption = 104;
inline constexpr std::uint16_t kProviderFailed = 105;
inline constexpr std::uint16_t kPluginFailed = 106;
inline constexpr std::uint16_t kRestartPluginAndProvider = 107;
inline constexpr std::uint16_t kRestartPlugin = 108;
inline constexpr std::uint16_t kDonePluginAndProvider = 109;
inline constexpr std::uint16_t kDonePlugin = 110;
inline constexpr std::uint16_t kRestartFailed = 111;
inline constexpr std::uint16_t kProgressWithProvider = 113;
inline constexpr std::uint16_t kProgressPlugin = 114;
inline constexpr std::uint16_t kRestartToContinue = 115;
inline constexpr std::uint16_t kSystemTooOld = 116;
inline constexpr std::uint16_t kWindows2000NeedsSp4 = 117;
inline constexpr std::uint16_t kWindowsXpNeedsSp2 = 118;
inline constexpr std::uint16_t kWindows2003NeedsSp2 = 119;
inline constexpr std::uint16_t kVersionUnreadable = 121;
inline constexpr std::uint16_t kConfirmPluginAndCardProvider = 122;
inline constexpr std::uint16_t kRestartPluginAndCardProvider = 123;
inline constexpr std::uint16_t kDonePluginAndCardProvider = 124;
inline constexpr std::uint16_t kConfirmAll = 125;
inline constexpr std::uint16_t kRestartAll = 126;
inline constexpr std::uint16_t kDoneAll = 127;
inline constexpr std::uint16_t kUpdateCaption = 128;
inline constexpr std::uint16_t kErrorCaption = 129;
inline constexpr std::uint16_t kProviderTooOld = 130;
inline constexpr std::uint16_t kInstalledVersionUnreadable = 131;
inline constexpr std::uint16_t kPackageNotOpened = 133;
inline constexpr std::uint16_t kPackageVersionUnreadable = 134;
inline constexpr std::uint16_t kInstalledPathUnreadable = 136;
inline constexpr std::uint16_t kReleaseFlagsUnreadable = 137;
inline constexpr std::uint16_t kLanguageUnreadable = 138;
inline constexpr std::uint16_t kPackageNotFound = 139;
inline constexpr std::uint16_t kHide = 142;
inline constexpr std::uint16_t kOptions = 143;
}  // namespace msg

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

// Appends ": <code>." with the code as an unsigned decimal number.
void AppendResultCode(std::u16string& text, std::uint32_t code);

// Loads text and caption and shows them in a box with no owner.
std::int32_t ShowMessage(Windows& windows, std::uint16_t textId, std::uint16_t captionId,
                         std::uint32_t style);

}  // namespace setup
