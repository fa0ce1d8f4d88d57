// What the native tests compare against, written once: a message's text, an msiexec line.
#pragma once

#include <cstdint>
#include <string>

#include "ui/message_catalogue.h"

namespace setup::testing {

// The catalogue's text of message `id`; empty when there is none.
inline std::u16string Text(std::uint16_t id) {
  for (const Message& message : MessageCatalogue()) {
    if (message.id == id) return message.text;
  }
  return {};
}

// The installation of a package of the fake's start folder C:\dist.
inline std::u16string Msiexec(const std::u16string& relativePath,
                              const std::u16string& args = u"") {
  return u"msiexec /qn /i \"C:\\dist\\" + relativePath + u"\" " + args + u" REBOOT=R";
}

}  // namespace setup::testing
