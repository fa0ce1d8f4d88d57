#include "ui/run_log.h"

#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00u);
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool IsPlainFile(const OpenedFile& file) {
  return file.handle != 0 && (file.attributes & kFileAttributeReparsePoint) == 0 && file.links == 1;
}

RunLog::RunLog(Windows& windows, std::u16string path) : windows_(windows), path_(std::move(path)) {
  const LocalTime now = windows_.system.ReadLocalTime();
  startStamp_ = DecimalText(now.year, 4) + DecimalText(now.month, 2) + DecimalText(now.day, 2) +
                u"-" + DecimalText(now.hour, 2) + DecimalText(now.minute, 2) +
                DecimalText(now.second, 2);
  const OpenedFile file = windows_.files.OpenForAppending(path_);
  if (IsPlainFile(file)) {
    file_ = file.handle;
    // A new or empty file gets the mark; an older log is appended to as it is.
    needsMark_ = file.size == 0;
  } else if (file.handle != 0) {
    windows_.files.CloseFile(file.handle);
  }
}

RunLog::~RunLog() {
  if (file_ != 0) windows_.files.CloseFile(file_);
}

void RunLog::Write(std::u16string_view text) {
  if (file_ == 0) return;
  const LocalTime now = windows_.system.ReadLocalTime();
  std::string bytes = needsMark_ ? kByteOrderMark : "";
  needsMark_ = false;
  bytes += ToUtf8(DecimalText(now.year, 4) + u"-" + DecimalText(now.month, 2) + u"-" +
                  DecimalText(now.day, 2) + u" " + DecimalText(now.hour, 2) + u":" +
                  DecimalText(now.minute, 2) + u":" + DecimalText(now.second, 2) + u"." +
                  DecimalText(now.milliseconds, 3) + u"  ");
  bytes += ToUtf8(text);
  bytes += "\r\n";
  // Once a write failed the rest is dropped: the run goes on exactly as without a log.
  if (windows_.files.Append(file_, bytes) != 0) {
    windows_.files.CloseFile(file_);
    file_ = 0;
  }
}

}  // namespace setup
