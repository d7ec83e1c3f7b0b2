// The in-memory form of one ini file, as the private-profile functions read
// and change it.
//
// A document is the file's lines in order. CR LF, LF and a lone CR each end
// a line, in both encodings. Each line keeps the bytes it was read from, so
// that a write changes only the lines it means to change: an untouched line
// goes back to the file byte for byte, whatever its encoding errors or line
// end. Changed and new lines are encoded in the file's encoding and end with
// CR LF. A UTF-16 file's odd last byte belongs to no line: it stays the last
// byte of the file, so the units of lines added before it keep their
// alignment.
//
// Syntax, as the callers expect it:
//   - a section head is a line whose first non-blank character is '['; its
//     name runs to the next ']' (or the end of the line), blanks trimmed;
//   - a key line holds '='; the key is the text before the first '=' and the
//     value the text after it, both with blanks trimmed; a value wholly
//     enclosed in one pair of matching quotes (' or ") loses them;
//   - lines starting with ';' and lines without '=' are kept but hold no key;
//   - lines before the first section head belong to no section.
// Section and key names match ignoring case. Of two sections with one name
// the first is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

enum class EncodingKind { Ansi, AnsiWithMark, Utf16Le };

struct Line {
  std::u16string text;     // the decoded line without its line end
  std::string raw;         // the line's bytes as read, line end included; empty for new lines
  bool isChanged = true;   // set for new and edited lines: they are encoded again
  bool hasLineEnd = true;  // false only for an unchanged last line read without one
};

// A section: the index of its head line and one past its last line (the
// next head, or the end of the document).
struct SectionRange {
  size_t head;
  size_t end;
};

// A section's name as written (blanks trimmed) and its range.
struct NamedSection {
  std::u16string name;
  SectionRange range;
};

class Document {
public:
  // Decodes a file's bytes (empty for a missing file).
  static Document parse(std::string_view bytes);
  // Encodes the document for writing.
  std::string serialize() const;

  EncodingKind encoding() const { return encoding_; }

  std::optional<SectionRange> findSection(std::u16string_view section) const;
  // Index of the first line holding `key` in the section, or nullopt.
  std::optional<size_t> findKey(const SectionRange& range, std::u16string_view key) const;
  // The value of a key line (trimmed, quotes removed).
  std::u16string valueOf(size_t line) const;

  // Whether a section or key name written to the file would be read back
  // as that name: not empty, no line end, no ']' in a section name, no '='
  // in a key and no key starting with ';' or '[' (names are compared with
  // blanks trimmed), and every unit encodable in the file's encoding.
  bool isReadableSectionName(std::u16string_view section) const;
  bool isReadableKeyName(std::u16string_view key) const;
  // Whether a value written to the file stays on its line.
  bool isStorableValue(std::u16string_view value) const;

  std::vector<std::u16string> sectionNames() const;
  // Every section in file order, duplicates included, found in one pass.
  std::vector<NamedSection> sections() const;
  std::vector<std::u16string> keyNames(const SectionRange& range) const;
  // Every non-empty line of the section, blanks trimmed, comments included.
  std::vector<std::u16string> sectionLines(const SectionRange& range) const;

  // Sets a key, replacing the first line that holds it or appending it to
  // the section (the section is appended when missing).
  void setValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  // Removes every line holding the key in the section. Answers whether
  // anything changed.
  bool deleteKey(std::u16string_view section, std::u16string_view key);
  // Removes every section of that name with its lines.
  bool deleteSection(std::u16string_view section);
  // Replaces the section's lines with `lines` (appending the section when
  // missing).
  void replaceSection(std::u16string_view section, const std::vector<std::u16string>& lines);

private:
  void insertLine(size_t at, std::u16string text);
  // Index after the last non-blank line of the section, so blank lines that
  // separate it from the next section stay between them.
  size_t appendPosition(const SectionRange& range) const;
  size_t appendSection(std::u16string_view section);

  EncodingKind encoding_ = EncodingKind::Ansi;
  std::vector<Line> lines_;
  std::string oddTrailingByte_;  // a UTF-16 file's undecodable last byte, if any
};

// Blanks (space and tab) trimmed from both ends.
std::u16string_view trimBlanks(std::u16string_view text);

// The document of the ini file `fileName` as the private-profile functions
// read it (a bare name lives in the Windows folder), read once without a
// lock: the writers' rename makes every file opened whole. A missing or
// unreadable file is empty; a file of more than `maxBytes` bytes gives
// nothing, and no more than one byte beyond the bound is read. So does one
// of more than `maxLines` lines, counted before any line is made (a UTF-16
// file's line ends may count twice).
std::optional<Document> readIniFile(const char16_t* fileName, size_t maxBytes = SIZE_MAX, size_t maxLines = SIZE_MAX);

}  // namespace platform::ini
