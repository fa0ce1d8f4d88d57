#include "ui/run_log.h"

#include "common/joined_text.h"
#include "common/number_text.h"
#include "platform/windows_constants.h"

namespace setup {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// "YYYY-MM-DD hh:mm:ss.mmm": the digits written into a pattern, not a string per number.
std::string Stamp(const LocalTime& time) {
  std::string text = "0000-00-00 00:00:00.000";
  const auto put = [&text](std::size_t end, unsigned value) {
    for (std::size_t at = end; at-- > 0 && text[at] == '0'; value /= 10) {
      text[at] = static_cast<char>('0' + value % 10);
    }
  };
  put(4, time.year);
  put(7, time.month);
  put(10, time.day);
  put(13, time.hour);
  put(16, time.minute);
  put(19, time.second);
  put(23, time.milliseconds);
  return text;
}

}  // namespace

std::u16string FileStamp(const LocalTime& time) {
  std::u16string stamp;
  // Out of the log's stamp's digits.
  for (const char c : Stamp(time).substr(0, 19)) {
    if (c >= '0' && c <= '9') stamp += static_cast<char16_t>(c);
    if (c == ' ') stamp += u'-';
  }
  return stamp;
}

std::unique_ptr<RunLog> OpenRunLog(Windows& windows, const std::optional<std::u16string>& logPath,
                                   const std::optional<std::u16string>& folder) {
  if (logPath) return std::make_unique<RunLog>(windows, *logPath);
  if (!folder) return nullptr;
  return std::make_unique<RunLog>(windows, Join({*folder, "\\setup.log"}));
}

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
  startStamp_ = FileStamp(windows_.system.ReadLocalTime());
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
  std::string bytes = needsMark_ ? kByteOrderMark : "";
  needsMark_ = false;
  bytes += Stamp(windows_.system.ReadLocalTime());
  bytes += "  ";
  bytes += ToUtf8(text);
  bytes += "\r\n";
  // Once a write failed the rest is dropped: the run goes on exactly as without a log.
  if (windows_.files.Append(file_, bytes) != 0) {
    windows_.files.CloseFile(file_);
    file_ = 0;
  }
}

}  // namespace setup
