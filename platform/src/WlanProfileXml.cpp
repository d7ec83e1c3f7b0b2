// The WLAN profile reader: a single pass over the XML text that checks its
// form and collects the values found at known element paths.
//
// Accepted: an optional byte-order mark, the XML declaration and other
// processing instructions, comments, elements with attributes in single or
// double quotes, CDATA sections, the five predefined entities and decimal or
// hexadecimal character references. Refused: document type declarations (no
// entity can expand), unknown entities, references to NUL, surrogates or
// beyond U+10FFFF, a second root, text outside the root, unbalanced tags and
// nesting deeper than kMaxDepth.
#include "platform/WlanProfileXml.h"

#include "platform/TextTools.h"

#include <array>
#include <vector>

namespace {

using platform::WlanProfileFields;
using platform::WlanProfileParse;

constexpr size_t kMaxDepth = 64;

// The values a profile carries, by their path below the root.
struct KnownPath {
  std::array<std::u16string_view, 4> names;
  size_t length;
  std::u16string WlanProfileFields::*field;
};

const KnownPath kKnownPaths[] = {
    {{u"name"}, 1, &WlanProfileFields::profileName},
    {{u"SSIDConfig", u"SSID", u"name"}, 3, &WlanProfileFields::ssidName},
    {{u"connectionType"}, 1, &WlanProfileFields::connectionType},
    {{u"connectionMode"}, 1, &WlanProfileFields::connectionMode},
    {{u"MSM", u"security", u"authEncryption", u"authentication"}, 4, &WlanProfileFields::authentication},
    {{u"MSM", u"security", u"authEncryption", u"encryption"}, 4, &WlanProfileFields::encryption},
    {{u"MSM", u"security", u"sharedKey", u"keyType"}, 4, &WlanProfileFields::keyType},
    {{u"MSM", u"security", u"sharedKey", u"keyMaterial"}, 4, &WlanProfileFields::keyMaterial},
};

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool isNameStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c >= 0x80;
}

bool isNameChar(char16_t c) { return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

// The name without its namespace prefix.
std::u16string_view localName(std::u16string_view name) {
  const size_t colon = name.rfind(u':');
  return colon == std::u16string_view::npos ? name : name.substr(colon + 1);
}

class ProfileReader {
public:
  explicit ProfileReader(std::u16string_view xml) : xml_(xml) {}

  WlanProfileParse run() {
    if (!xml_.empty() && xml_[0] == 0xFEFF) pos_ = 1;
    readDocument();
    WlanProfileParse result;
    if (error_ == nullptr && fields_.profileName.empty()) fail("profile has no name");
    if (error_ != nullptr) {
      result.error = error_;
      result.errorOffset = errorOffset_;
      return result;
    }
    result.fields = std::move(fields_);
    return result;
  }

private:
  // Keeps the first fault; later ones follow from it.
  void fail(const char* what) {
    if (error_ != nullptr) return;
    error_ = what;
    errorOffset_ = pos_;
  }
  bool failed() const { return error_ != nullptr; }
  bool atEnd() const { return pos_ >= xml_.size(); }
  bool startsWith(std::u16string_view prefix) const { return xml_.substr(pos_).substr(0, prefix.size()) == prefix; }
  void skipSpace() {
    while (!atEnd() && isSpace(xml_[pos_])) ++pos_;
  }
  // Moves past the next `terminator`; a fault when there is none.
  void skipPast(std::u16string_view terminator, const char* what) {
    const size_t end = xml_.find(terminator, pos_);
    if (end == std::u16string_view::npos) {
      fail(what);
      pos_ = xml_.size();
      return;
    }
    pos_ = end + terminator.size();
  }

  std::u16string_view readName() {
    const size_t start = pos_;
    if (atEnd() || !isNameStart(xml_[pos_])) {
      fail("name expected");
      return {};
    }
    while (!atEnd() && isNameChar(xml_[pos_])) ++pos_;
    return xml_.substr(start, pos_ - start);
  }

  void readDocument() {
    bool rootSeen = false;
    while (!failed()) {
      skipSpace();
      if (atEnd()) break;
      if (startsWith(u"<?")) {
        readProcessingInstruction();
      } else if (startsWith(u"<!--")) {
        readComment();
      } else if (startsWith(u"<!")) {
        fail("document type declarations are not accepted");
      } else if (xml_[pos_] == u'<') {
        if (rootSeen) return fail("second root element");
        rootSeen = true;
        readRoot();
      } else {
        fail("text outside the root element");
      }
    }
    if (!failed() && !rootSeen) fail("no root element");
  }

  void readProcessingInstruction() {
    pos_ += 2;
    readName();
    skipPast(u"?>", "unterminated processing instruction");
  }

  void readComment() {
    pos_ += 4;
    const size_t end = xml_.find(u"--", pos_);
    if (end == std::u16string_view::npos || end + 2 >= xml_.size() || xml_[end + 2] != u'>') {
      pos_ = end == std::u16string_view::npos ? xml_.size() : end;
      return fail("bad comment");
    }
    pos_ = end + 3;
  }

  // The root element and everything inside it.
  void readRoot() {
    std::vector<std::u16string_view> path;
    std::u16string text;
    do {
      if (failed()) return;
      if (atEnd()) return fail("unclosed element");
      if (startsWith(u"</")) {
        pos_ += 2;
        const std::u16string_view name = readName();
        skipSpace();
        if (atEnd() || xml_[pos_] != u'>') return fail("'>' expected");
        ++pos_;
        if (path.empty() || name != path.back()) return fail("closing tag does not match");
        storeValue(path, text);
        path.pop_back();
        text.clear();
      } else if (startsWith(u"<!--")) {
        readComment();
      } else if (startsWith(u"<![CDATA[")) {
        pos_ += 9;
        const size_t end = xml_.find(u"]]>", pos_);
        if (end == std::u16string_view::npos) return fail("unterminated CDATA section");
        text.append(xml_.substr(pos_, end - pos_));
        pos_ = end + 3;
      } else if (startsWith(u"<?")) {
        readProcessingInstruction();
      } else if (startsWith(u"<!")) {
        return fail("declaration inside an element");
      } else if (xml_[pos_] == u'<') {
        ++pos_;
        const std::u16string_view name = readName();
        if (path.empty() && localName(name) != u"WLANProfile") return fail("root is not WLANProfile");
        if (path.size() >= kMaxDepth) return fail("elements nested too deeply");
        const bool empty = readAttributes();
        text.clear();
        if (!empty) path.push_back(name);
      } else if (xml_[pos_] == u'&') {
        readReference(text);
      } else {
        if (xml_[pos_] == u'>' && pos_ >= 2 && xml_.substr(pos_ - 2, 2) == u"]]") {
          return fail("']]>' in text");
        }
        text.push_back(xml_[pos_++]);
      }
    } while (!path.empty());
  }

  // The attributes up to the tag's end; true for an empty-element tag.
  bool readAttributes() {
    std::u16string ignored;
    while (!failed()) {
      const size_t before = pos_;
      skipSpace();
      if (atEnd()) {
        fail("unterminated tag");
        return false;
      }
      if (startsWith(u"/>")) {
        pos_ += 2;
        return true;
      }
      if (xml_[pos_] == u'>') {
        ++pos_;
        return false;
      }
      if (pos_ == before) {
        fail("space expected before an attribute");
        return false;
      }
      readName();
      skipSpace();
      if (atEnd() || xml_[pos_] != u'=') {
        fail("'=' expected");
        return false;
      }
      ++pos_;
      skipSpace();
      if (atEnd() || (xml_[pos_] != u'"' && xml_[pos_] != u'\'')) {
        fail("quoted value expected");
        return false;
      }
      const char16_t quote = xml_[pos_++];
      while (!failed() && !atEnd() && xml_[pos_] != quote) {
        if (xml_[pos_] == u'<') fail("'<' in an attribute value");
        if (xml_[pos_] == u'&') {
          readReference(ignored);
        } else {
          ++pos_;
        }
      }
      if (atEnd()) fail("unterminated attribute value");
      ++pos_;
    }
    return false;
  }

  void readReference(std::u16string& out) {
    const size_t end = xml_.find(u';', pos_);
    if (end == std::u16string_view::npos || end - pos_ > 12) return fail("bad reference");
    const std::u16string_view body = xml_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    static constexpr std::pair<std::u16string_view, char16_t> kEntities[] = {
        {u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}};
    for (const auto& [name, character] : kEntities) {
      if (body == name) {
        out.push_back(character);
        return;
      }
    }
    if (body.size() < 2 || body[0] != u'#') return fail("unknown entity");
    const bool hex = body[1] == u'x';
    const std::u16string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return fail("bad character reference");
    uint32_t code = 0;
    for (const char16_t c : digits) {
      uint32_t digit = 0;
      if (c >= u'0' && c <= u'9') {
        digit = c - u'0';
      } else if (hex && c >= u'a' && c <= u'f') {
        digit = c - u'a' + 10;
      } else if (hex && c >= u'A' && c <= u'F') {
        digit = c - u'A' + 10;
      } else {
        return fail("bad character reference");
      }
      code = code * (hex ? 16 : 10) + digit;
      if (code > 0x10FFFF) return fail("character reference out of range");
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) return fail("bad character reference");
    platform::appendUtf16(out, code);
  }

  // Keeps the text of an element at one of the known paths.
  void storeValue(const std::vector<std::u16string_view>& path, const std::u16string& text) {
    const size_t depth = path.size() - 1;  // below the root
    for (const KnownPath& known : kKnownPaths) {
      if (known.length != depth) continue;
      bool same = true;
      for (size_t i = 0; i < depth && same; ++i) same = localName(path[i + 1]) == known.names[i];
      if (same) fields_.*known.field = text;
    }
  }

  std::u16string_view xml_;
  size_t pos_ = 0;
  const char* error_ = nullptr;  // the first fault
  size_t errorOffset_ = 0;
  WlanProfileFields fields_;
};

}  // namespace

platform::WlanProfileParse platform::parseWlanProfile(std::u16string_view xml) { return ProfileReader(xml).run(); }
