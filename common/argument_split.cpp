#include "common/argument_split.h"

namespace setup {
namespace {

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

// Backslashes at `i`, and the quote they may escape.
void TakeBackslashes(std::u16string_view line, std::size_t& i, std::u16string& text) {
  std::size_t slashes = 0;
  while (i < line.size() && line[i] == u'\\') ++slashes, ++i;
  if (i < line.size() && line[i] == u'"') {
    text.append(slashes / 2, u'\\');
    if (slashes % 2 == 1) text.push_back(line[i++]);
  } else {
    text.append(slashes, u'\\');
  }
}

}  // namespace

std::vector<Argument> SplitArguments(std::u16string_view line) {
  std::vector<Argument> arguments(1);
  std::size_t i = 0;
  if (i < line.size() && line[i] == u'"') {
    while (++i < line.size() && line[i] != u'"') arguments[0].text.push_back(line[i]);
    if (i < line.size()) ++i;
  } else {
    while (i < line.size() && !IsBlank(line[i])) arguments[0].text.push_back(line[i++]);
  }
  arguments[0].end = i;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    Argument argument{i, i, {}};
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      if (line[i] == u'\\') {
        TakeBackslashes(line, i, argument.text);
      } else if (line[i] != u'"') {
        argument.text.push_back(line[i++]);
      } else if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
        argument.text.push_back(u'"');
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
    }
    argument.end = i;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace setup
