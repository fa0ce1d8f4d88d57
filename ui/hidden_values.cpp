#include "ui/hidden_values.h"

#include "common/argument_split.h"
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
    masked += u"<" + DecimalText(length) + (length == 1 ? u" character>" : u" characters>");
  }
  return masked;
}

std::u16string MaskCommandLine(std::u16string_view commandLine) {
  std::u16string masked(commandLine);
  const std::vector<Argument> arguments = SplitArguments(commandLine);
  // From the last, so that the places of those before stay right.
  for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument) {
    const std::u16string hidden = MaskPropertyValues(argument->text);
    if (hidden == argument->text) continue;
    const bool quoted = commandLine[argument->begin] == u'"';
    masked.replace(argument->begin, argument->end - argument->begin,
                   quoted ? u"\"" + hidden + u"\"" : hidden);
  }
  return masked;
}

HiddenValues FindHiddenValues(const std::vector<std::u16string>& arguments) {
  HiddenValues values;
  for (const std::u16string& argument : arguments) {
    std::u16string hidden = MaskPropertyValues(argument);
    if (hidden == argument) continue;
    auto at = values.begin();
    while (at != values.end() && at->first.size() >= argument.size()) ++at;
    values.emplace(at, argument, std::move(hidden));
  }
  return values;
}

std::u16string HideValues(std::u16string line, const HiddenValues& values) {
  for (const auto& [value, hidden] : values) {
    for (std::size_t at = line.find(value); at != std::u16string::npos;
         at = line.find(value, at + hidden.size())) {
      line.replace(at, value.size(), hidden);
    }
  }
  return line;
}

}  // namespace setup
