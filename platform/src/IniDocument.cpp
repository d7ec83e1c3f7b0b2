// Parsing, editing and writing back the lines of an ini file (see
// IniDocument.h for the syntax).
#include "IniDocument.h"

#include "platform/CodePage.h"
#include "platform/TextTools.h"
#include "platform/Utf16.h"

#include <iterator>

namespace platform::ini {
namespace {

constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A line read from the file; its text is filled in by the caller.
Line readLine() {
  Line line;
  line.isChanged = false;
  return line;
}

Line newLine(std::u16string text) {
  Line line;
  line.text = std::move(text);
  return line;
}

bool isBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

bool startsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

// The part of a line after leading blanks.
std::u16string_view afterBlanks(std::u16string_view text) {
  size_t start = 0;
  while (start < text.size() && isBlank(text[start])) ++start;
  return text.substr(start);
}

std::optional<std::u16string_view> sectionNameOf(std::u16string_view line) {
  const std::u16string_view rest = afterBlanks(line);
  if (rest.empty() || rest.front() != u'[') return std::nullopt;
  const size_t close = rest.find(u']');
  return trimBlanks(rest.substr(1, close == std::u16string_view::npos ? close : close - 1));
}

// The key of a key line, or nullopt for head, comment and other lines.
std::optional<std::u16string_view> keyOf(std::u16string_view line) {
  const std::u16string_view rest = afterBlanks(line);
  if (rest.empty() || rest.front() == u';' || rest.front() == u'[') return std::nullopt;
  const size_t equals = rest.find(u'=');
  if (equals == std::u16string_view::npos) return std::nullopt;
  // An empty key could not be listed (it would end the name list).
  const std::u16string_view key = trimBlanks(rest.substr(0, equals));
  if (key.empty()) return std::nullopt;
  return key;
}

std::string encodeText(std::u16string_view text, EncodingKind encoding) {
  if (encoding != EncodingKind::Utf16Le) {
    if (auto narrow = wideToAnsi(text)) return *narrow;
    return wideToAnsiLenient(text);
  }
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Bytes of one text unit in the encoding: two for UTF-16LE, else one.
size_t unitSizeOf(EncodingKind encoding) { return encoding == EncodingKind::Utf16Le ? 2 : 1; }

char16_t unitAt(std::string_view bytes, size_t at, size_t unitSize) {
  const auto low = static_cast<unsigned char>(bytes[at]);
  if (unitSize == 1) return low;
  return static_cast<char16_t>(low | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::u16string decodeText(std::string_view bytes, EncodingKind encoding) {
  if (encoding != EncodingKind::Utf16Le) return ansiToWideLenient(bytes);
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) text.push_back(unitAt(bytes, at, 2));
  return text;
}

// Splits whole units of text into lines at CR LF, LF and a lone CR, each
// line with its raw bytes.
void splitLines(std::string_view bytes, EncodingKind encoding, std::vector<Line>& lines) {
  const size_t unitSize = unitSizeOf(encoding);
  size_t start = 0;
  size_t at = 0;
  while (at + unitSize <= bytes.size()) {
    const char16_t unit = unitAt(bytes, at, unitSize);
    if (unit != u'\r' && unit != u'\n') {
      at += unitSize;
      continue;
    }
    const size_t contentEnd = at;
    at += unitSize;
    const bool isCrLf = unit == u'\r' && at + unitSize <= bytes.size() && unitAt(bytes, at, unitSize) == u'\n';
    if (isCrLf) at += unitSize;
    Line line = readLine();
    line.text = decodeText(bytes.substr(start, contentEnd - start), encoding);
    line.raw = bytes.substr(start, at - start);
    lines.push_back(std::move(line));
    start = at;
  }
  if (start == bytes.size()) return;
  Line line = readLine();
  line.text = decodeText(bytes.substr(start), encoding);
  line.raw = bytes.substr(start);
  line.hasLineEnd = false;
  lines.push_back(std::move(line));
}

bool hasLineEndUnit(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

std::u16string_view trimBlanks(std::u16string_view text) { return trimmed(text, TrimSet::Blanks); }

Document Document::parse(std::string_view bytes) {
  Document document;
  if (startsWith(bytes, kUtf16Mark)) {
    document.encoding_ = EncodingKind::Utf16Le;
    bytes.remove_prefix(kUtf16Mark.size());
    // An odd last byte cannot be decoded; it is kept so a write does not
    // lose it, but outside the lines (see the header).
    if (bytes.size() % 2 != 0) {
      document.oddTrailingByte_ = bytes.substr(bytes.size() - 1);
      bytes.remove_suffix(1);
    }
  } else if (startsWith(bytes, kUtf8Mark)) {
    document.encoding_ = EncodingKind::AnsiWithMark;
    bytes.remove_prefix(kUtf8Mark.size());
  }
  splitLines(bytes, document.encoding_, document.lines_);
  return document;
}

bool Document::isReadableSectionName(std::u16string_view section) const {
  const std::u16string_view name = trimBlanks(section);
  if (hasLineEndUnit(name) || name.find(u']') != std::u16string_view::npos) return false;
  return encoding_ == EncodingKind::Utf16Le || wideToAnsi(section).has_value();
}

bool Document::isReadableKeyName(std::u16string_view key) const {
  const std::u16string_view name = trimBlanks(key);
  if (name.empty() || hasLineEndUnit(name) || name.find(u'=') != std::u16string_view::npos) return false;
  if (name.front() == u';' || name.front() == u'[') return false;
  return encoding_ == EncodingKind::Utf16Le || wideToAnsi(key).has_value();
}

bool Document::isStorableValue(std::u16string_view value) const { return !hasLineEndUnit(value); }

std::string Document::serialize() const {
  std::string bytes;
  if (encoding_ == EncodingKind::Utf16Le) bytes = kUtf16Mark;
  if (encoding_ == EncodingKind::AnsiWithMark) bytes = kUtf8Mark;
  const std::string lineEnd = encodeText(u"\r\n", encoding_);
  for (size_t index = 0; index < lines_.size(); ++index) {
    const Line& line = lines_[index];
    if (!line.isChanged) {
      bytes += line.raw;
      // A last line that had no line end gets one once lines follow it.
      if (!line.hasLineEnd && index + 1 < lines_.size()) bytes += lineEnd;
      continue;
    }
    bytes += encodeText(line.text, encoding_);
    bytes += lineEnd;
  }
  bytes += oddTrailingByte_;
  return bytes;
}

std::optional<SectionRange> Document::findSection(std::u16string_view section) const {
  for (size_t index = 0; index < lines_.size(); ++index) {
    const auto name = sectionNameOf(lines_[index].text);
    if (!name || !equalsIgnoreCase(*name, trimBlanks(section))) continue;
    size_t end = index + 1;
    while (end < lines_.size() && !sectionNameOf(lines_[end].text)) ++end;
    return SectionRange{index, end};
  }
  return std::nullopt;
}

std::optional<size_t> Document::findKey(const SectionRange& range, std::u16string_view key) const {
  for (size_t index = range.head + 1; index < range.end; ++index) {
    const auto name = keyOf(lines_[index].text);
    if (name && equalsIgnoreCase(*name, trimBlanks(key))) return index;
  }
  return std::nullopt;
}

std::u16string Document::valueOf(size_t line) const {
  const std::u16string_view text = lines_[line].text;
  std::u16string_view value = trimBlanks(text.substr(text.find(u'=') + 1));
  const bool isQuoted =
      value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
  if (isQuoted) value = value.substr(1, value.size() - 2);
  return std::u16string(value);
}

std::vector<std::u16string> Document::sectionNames() const {
  std::vector<std::u16string> names;
  for (const Line& line : lines_) {
    if (auto name = sectionNameOf(line.text)) names.emplace_back(*name);
  }
  return names;
}

std::vector<NamedSection> Document::sections() const {
  std::vector<NamedSection> found;
  for (size_t index = 0; index < lines_.size(); ++index) {
    const auto name = sectionNameOf(lines_[index].text);
    if (!name) continue;
    if (!found.empty()) found.back().range.end = index;
    found.push_back({std::u16string(*name), SectionRange{index, lines_.size()}});
  }
  return found;
}

std::vector<std::u16string> Document::keyNames(const SectionRange& range) const {
  std::vector<std::u16string> names;
  for (size_t index = range.head + 1; index < range.end; ++index) {
    if (auto name = keyOf(lines_[index].text)) names.emplace_back(*name);
  }
  return names;
}

std::vector<std::u16string> Document::sectionLines(const SectionRange& range) const {
  std::vector<std::u16string> result;
  for (size_t index = range.head + 1; index < range.end; ++index) {
    const std::u16string_view text = trimBlanks(lines_[index].text);
    if (!text.empty()) result.emplace_back(text);
  }
  return result;
}

void Document::insertLine(size_t at, std::u16string text) {
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), newLine(std::move(text)));
}

size_t Document::appendPosition(const SectionRange& range) const {
  size_t end = range.end;
  while (end > range.head + 1 && trimBlanks(lines_[end - 1].text).empty()) --end;
  return end;
}

size_t Document::appendSection(std::u16string_view section) {
  insertLine(lines_.size(), u"[" + std::u16string(section) + u"]");
  return lines_.size() - 1;
}

void Document::setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  // A key is written as it is read, without blanks around it, so that a
  // replaced line reads the same as a new one and writing a value twice
  // changes nothing.
  key = trimBlanks(key);
  const auto range = findSection(section);
  if (!range) {
    appendSection(section);
    insertLine(lines_.size(), std::u16string(key) + u"=" + std::u16string(value));
    return;
  }
  if (const auto line = findKey(*range, key)) {
    // The key keeps the spelling it has in the file.
    std::u16string text(*keyOf(lines_[*line].text));
    lines_[*line] = newLine(text + u"=" + std::u16string(value));
    return;
  }
  insertLine(appendPosition(*range), std::u16string(key) + u"=" + std::u16string(value));
}

bool Document::deleteKey(std::u16string_view section, std::u16string_view key) {
  const auto range = findSection(section);
  if (!range) return false;
  bool isChanged = false;
  for (size_t index = range->end; index > range->head + 1; --index) {
    const auto name = keyOf(lines_[index - 1].text);
    if (!name || !equalsIgnoreCase(*name, trimBlanks(key))) continue;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index - 1));
    isChanged = true;
  }
  return isChanged;
}

bool Document::deleteSection(std::u16string_view section) {
  bool isChanged = false;
  while (const auto range = findSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->head),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    isChanged = true;
  }
  return isChanged;
}

void Document::replaceSection(std::u16string_view section, const std::vector<std::u16string>& lines) {
  auto range = findSection(section);
  size_t at = 0;
  if (range) {
    const size_t end = appendPosition(*range);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->head + 1),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    at = range->head + 1;
  } else {
    at = appendSection(section) + 1;
  }
  // One insertion for the whole block keeps a large section linear.
  std::vector<Line> added;
  added.reserve(lines.size());
  for (const auto& line : lines) added.push_back(newLine(line));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
}

}  // namespace platform::ini
