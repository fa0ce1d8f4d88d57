#include "ui/hidden_values.h"

#include "common/joined_text.h"
#include "common/number_text.h"

namespace setup {
namespace {

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

bool IsNameUnit(char16_t unit) {
  return !IsBlank(unit) && unit != u'=' && unit != u'"' && unit != u'\\' && unit != u'/' &&
         unit != u':';
}

// The end of a name followed by "=" at `i`, or `i` when there is none.
std::size_t NameEnd(std::u16string_view text, std::size_t i) {
  if (i != 0 && !IsBlank(text[i - 1]) && text[i - 1] != u'"') return i;
  std::size_t end = i;
  while (end < text.size() && IsNameUnit(text[end])) ++end;
  return end < text.size() && text[end] == u'=' ? end : i;
}

// The end of the value that begins at `i`: the blanks before the next assignment outside
// quotes, or the text's end. A value quoted wrongly (K="a b" unquoted on setup.exe's command
// line reaches us as K=a b) is hidden whole all the same.
std::size_t ValueEnd(std::u16string_view text, std::size_t i) {
  bool quoted = false;
  for (; i < text.size(); ++i) {
    if (text[i] == u'"') quoted = !quoted;
    if (quoted || !IsBlank(text[i])) continue;
    std::size_t next = i;
    while (next < text.size() && IsBlank(text[next])) ++next;
    if (next < text.size() && NameEnd(text, next) != next) return i;
  }
  return i;
}

}  // namespace

std::u16string MaskPropertyValues(std::u16string_view text) {
  std::u16string masked;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t name = NameEnd(text, i);
    if (name == i) {
      masked.push_back(text[i++]);
      continue;
    }
    masked.append(text.substr(i, name + 1 - i));
    const std::size_t end = ValueEnd(text, name + 1);
    std::uint32_t length = 0;
    for (i = name + 1; i < end; ++i) {
      // Quotes are msiexec's, not the value's; a surrogate pair is one character.
      if (text[i] != u'"' && (text[i] < 0xDC00 || text[i] > 0xDFFF)) ++length;
    }
    masked += Join({"<", Decimal(length), length == 1 ? " character>" : " characters>"});
  }
  return masked;
}

std::u16string JoinArguments(const std::vector<std::u16string>& arguments) {
  std::u16string line;
  for (const std::u16string& argument : arguments) {
    if (!line.empty()) line += u' ';
    const bool blank = argument.find_first_of(u" \t") != std::u16string::npos;
    if (blank) line += u'"';
    line += argument;
    if (blank) line += u'"';
  }
  return line;
}

HiddenValues FindHiddenValues(const std::vector<std::u16string>& arguments) {
  HiddenValues values;
  for (const std::u16string& argument : arguments) {
    std::u16string hidden = MaskPropertyValues(argument);
    if (hidden == argument) continue;
    values.push_back(argument);
    values.push_back(std::move(hidden));
  }
  return values;
}

std::u16string HideValues(std::u16string line, const HiddenValues& values) {
  for (std::size_t below = std::u16string::npos;;) {
    std::size_t longest = 0;
    for (std::size_t v = 0; v < values.size(); v += 2) {
      if (values[v].size() < below && values[v].size() > longest) longest = values[v].size();
    }
    if (longest == 0) return line;
    for (std::size_t v = 0; v < values.size(); v += 2) {
      if (values[v].size() != longest) continue;
      for (std::size_t at = line.find(values[v]); at != std::u16string::npos;
           at = line.find(values[v], at + values[v + 1].size())) {
        line.replace(at, longest, values[v + 1]);
      }
    }
    below = longest;
  }
}

}  // namespace setup
