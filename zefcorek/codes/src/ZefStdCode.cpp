// The object code value: its record, hash, parts, order and generators.
#include "zefcorek/ZefStdCode.h"

#include "CodeParts.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Utf16.h"

#include <limits>
#include <utility>

namespace {

using CodesDB::TZefStdCode;

// h = 1, then h = h * 17 + c * 19 over the lower-cased units, wrapping in 64
// bits; the low 31 bits are kept so that a hash is never negative, and -1
// marks the empty text. Units are lower-cased by the platform's fixed,
// locale-free mapping rather than the string library's LStrLowerCaseW,
// which follows the user's locale: a code's hash must not change when the
// locale does, or the database's buckets would lose the codes they hold.
int32_t hashText(std::u16string_view text) {
  if (text.empty()) return -1;
  uint64_t hash = 1;
  for (const char16_t unit : text) hash = hash * 17 + uint64_t{platform::toLowerUnit(unit)} * 19;
  return static_cast<int32_t>(hash & 0x7FFFFFFF);
}

std::u16string widen(const char* text) {
  return text == nullptr ? std::u16string() : platform::ansiToWideLenient(text);
}

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// Codes made from a text for the text forms of the comparisons.
TZefStdCode parsed(const WCHAR* text) {
  TZefStdCode code;
  code.Parse(text);
  return code;
}
TZefStdCode parsed(const char* text) { return parsed(widen(text).c_str()); }

}  // namespace

namespace CodesDB {

// The text of a code, empty for a null code.
static std::u16string_view textOf(const TZefStdCodeData* data) {
  return data == nullptr ? std::u16string_view() : data->Text.Text();
}

}  // namespace CodesDB

// --- Construction -----------------------------------------------------------

CodesDB::TZefStdCode::TZefStdCode() : data_(nullptr) {}
CodesDB::TZefStdCode::TZefStdCode(const TZefStdCode& other) : data_(nullptr) { Set(other); }
CodesDB::TZefStdCode::TZefStdCode(TZefStdCode&& other) noexcept : data_(std::exchange(other.data_, nullptr)) {}
CodesDB::TZefStdCode::TZefStdCode(const UnicodeString& text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(const AnsiString& text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(const CLWideStr& text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(const CLAnsiStr& text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(const WCHAR* text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(const char* text) : data_(nullptr) { Set(text); }
CodesDB::TZefStdCode::TZefStdCode(int64_t value) : data_(nullptr) { Set(value); }
CodesDB::TZefStdCode::~TZefStdCode() { delete data_; }

// --- Setting ----------------------------------------------------------------

void CodesDB::TZefStdCode::Set(const TZefStdCode& other) {
  if (this == &other) return;
  if (other.data_ == nullptr) {
    Clear();
    return;
  }
  AllocData();
  data_->Text.Assign(other.data_->Text);
  data_->Hash = other.data_->Hash;
}

void CodesDB::TZefStdCode::Set(TZefStdCode&& other) noexcept {
  if (this == &other) return;
  if (other.data_ == nullptr) {
    Clear();
    return;
  }
  delete data_;
  data_ = std::exchange(other.data_, nullptr);
}

void CodesDB::TZefStdCode::Set(const UnicodeString& text) { Parse(text.c_str()); }
void CodesDB::TZefStdCode::Set(const AnsiString& text) { Parse(platform::ansiToWideLenient(text).c_str()); }
void CodesDB::TZefStdCode::Set(const CLWideStr& text) { Parse(text.c_str()); }
void CodesDB::TZefStdCode::Set(const CLAnsiStr& text) { Set(text.c_str()); }
void CodesDB::TZefStdCode::Set(const WCHAR* text) { Parse(text); }
void CodesDB::TZefStdCode::Set(const char* text) { Parse(widen(text).c_str()); }

void CodesDB::TZefStdCode::Set(int64_t value) { assignText(platform::formatText(u"%Ld", value)); }

void CodesDB::TZefStdCode::Set(const TZefStdCodeSplittedData& parts) {
  CodeParts view;
  view.prefix = parts.Prefix.Text();
  view.separator = parts.Separator;
  view.numDigits = parts.NumDigits;
  view.number = parts.Number;
  view.duplicate = parts.DuplicateNumber;
  assignText(buildCode(view));
}

void CodesDB::TZefStdCode::Parse(const WCHAR* text) {
  AllocData();
  data_->Hash = -1;
  data_->Text.AssignSz(text);
  data_->Text.SelfTrim();
  CalcHash();
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::operator=(const TZefStdCode& other) {
  Set(other);
  return *this;
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::operator=(TZefStdCode&& other) noexcept {
  Set(std::move(other));
  return *this;
}

// --- The record -------------------------------------------------------------

void CodesDB::TZefStdCode::Clear() {
  if (data_ == nullptr) return;
  data_->Text.AssignText({});
  data_->Hash = -1;
}

void CodesDB::TZefStdCode::FullClear() {
  delete data_;
  data_ = nullptr;
}

void CodesDB::TZefStdCode::AllocData() {
  if (data_ == nullptr) data_ = new TZefStdCodeData();
}

void CodesDB::TZefStdCode::ClearData(bool free) {
  if (free) {
    FullClear();
    return;
  }
  Clear();
}

void CodesDB::TZefStdCode::CalcHash() {
  if (data_ == nullptr) return;
  data_->Hash = hashText(data_->Text.Text());
}

// --- Reading ----------------------------------------------------------------

CLWideStr CodesDB::TZefStdCode::AsString() const { return data_ == nullptr ? CLWideStr() : CLWideStr(data_->Text); }

const WCHAR* CodesDB::TZefStdCode::AsStringPtr() const { return data_ == nullptr ? u"" : data_->Text.c_str(); }

const WCHAR* CodesDB::TZefStdCode::c_str() const { return AsStringPtr(); }

CodesDB::TZefStdCode::operator UnicodeString() const { return UnicodeString(textOf(data_)); }

CodesDB::TZefStdCode::operator AnsiString() const { return platform::wideToAnsiLenient(textOf(data_)); }

CLWideStr CodesDB::TZefStdCode::GetPrefix() const {
  const CodeParts parts = splitCode(textOf(data_));
  return CLWideStr(parts.prefix.data(), static_cast<int>(parts.prefix.size()));
}

bool CodesDB::TZefStdCode::IsPrefixEmpty() const { return splitCode(textOf(data_)).prefix.empty(); }
char16_t CodesDB::TZefStdCode::GetSeparator() const { return splitCode(textOf(data_)).separator; }
int64_t CodesDB::TZefStdCode::GetNumber() const { return splitCode(textOf(data_)).number; }
int32_t CodesDB::TZefStdCode::GetDuplicateNumber() const { return splitCode(textOf(data_)).duplicate; }
bool CodesDB::TZefStdCode::IsDuplicate() const { return GetDuplicateNumber() >= 0; }
bool CodesDB::TZefStdCode::IsEmpty() const { return data_ == nullptr || data_->Hash < 0; }
int32_t CodesDB::TZefStdCode::GetHash() const { return data_ == nullptr ? -1 : data_->Hash; }

void CodesDB::TZefStdCode::Split(TZefStdCodeSplittedData& parts) const {
  const CodeParts split = splitCode(textOf(data_));
  parts.Prefix.AssignText(split.prefix);
  parts.Separator = split.separator;
  parts.NumDigits = split.numDigits;
  parts.Number = split.number;
  parts.DuplicateNumber = split.duplicate;
}

// --- Comparing --------------------------------------------------------------

bool CodesDB::TZefStdCode::IsSameCode(const TZefStdCode& other) const {
  if (this == &other) return true;
  if (data_ == nullptr) return other.IsEmpty();
  if (other.data_ == nullptr) return IsEmpty();
  return data_->Hash == other.data_->Hash && compareLowered(textOf(data_), textOf(other.data_)) == 0;
}

bool CodesDB::TZefStdCode::IsSameCodeCS(const TZefStdCode& other) const {
  if (this == &other) return true;
  if (data_ == nullptr) return other.IsEmpty();
  if (other.data_ == nullptr) return IsEmpty();
  return data_->Hash == other.data_->Hash && textOf(data_) == textOf(other.data_);
}

bool CodesDB::TZefStdCode::IsSameCode(const WCHAR* text) const { return Compare(text) == 0; }
bool CodesDB::TZefStdCode::IsSameCode(const char* text) const { return Compare(text) == 0; }
bool CodesDB::TZefStdCode::IsSameCodeCS(const WCHAR* text) const { return CompareCS(text) == 0; }
bool CodesDB::TZefStdCode::IsSameCodeCS(const char* text) const { return CompareCS(text) == 0; }

namespace {

// The answer of the comparisons when at least one side is null: a null code
// equals an empty one and orders before any other.
bool orderWithNull(const TZefStdCode& a, const TZefStdCode& b, bool aNull, bool bNull, int32_t& order) {
  if (aNull) {
    order = b.IsEmpty() ? 0 : -1;
    return true;
  }
  if (bNull) {
    order = a.IsEmpty() ? 0 : 1;
    return true;
  }
  return false;
}

}  // namespace

int32_t CodesDB::TZefStdCode::Compare(const TZefStdCode& other) const {
  if (this == &other) return 0;
  int32_t order = 0;
  if (orderWithNull(*this, other, data_ == nullptr, other.data_ == nullptr, order)) return order;
  return compareParts(splitCode(textOf(data_)), splitCode(textOf(other.data_)),
                      /*caseSensitive=*/false);
}

int32_t CodesDB::TZefStdCode::CompareCS(const TZefStdCode& other) const {
  if (this == &other) return 0;
  int32_t order = 0;
  if (orderWithNull(*this, other, data_ == nullptr, other.data_ == nullptr, order)) return order;
  return compareParts(splitCode(textOf(data_)), splitCode(textOf(other.data_)),
                      /*caseSensitive=*/true);
}

int32_t CodesDB::TZefStdCode::StringCompare(const TZefStdCode& other) const {
  if (this == &other) return 0;
  int32_t order = 0;
  if (orderWithNull(*this, other, data_ == nullptr, other.data_ == nullptr, order)) return order;
  return compareLowered(textOf(data_), textOf(other.data_));
}

int32_t CodesDB::TZefStdCode::StringCompareCS(const TZefStdCode& other) const {
  if (this == &other) return 0;
  int32_t order = 0;
  if (orderWithNull(*this, other, data_ == nullptr, other.data_ == nullptr, order)) return order;
  return platform::compareOrdinal(textOf(data_), textOf(other.data_));
}

int32_t CodesDB::TZefStdCode::Compare(const WCHAR* text) const { return Compare(parsed(text)); }
int32_t CodesDB::TZefStdCode::Compare(const char* text) const { return Compare(parsed(text)); }
int32_t CodesDB::TZefStdCode::CompareCS(const WCHAR* text) const { return CompareCS(parsed(text)); }
int32_t CodesDB::TZefStdCode::CompareCS(const char* text) const { return CompareCS(parsed(text)); }
int32_t CodesDB::TZefStdCode::StringCompare(const WCHAR* text) const { return StringCompare(parsed(text)); }
int32_t CodesDB::TZefStdCode::StringCompare(const char* text) const { return StringCompare(parsed(text)); }
int32_t CodesDB::TZefStdCode::StringCompareCS(const WCHAR* text) const { return StringCompareCS(parsed(text)); }
int32_t CodesDB::TZefStdCode::StringCompareCS(const char* text) const { return StringCompareCS(parsed(text)); }

bool CodesDB::TZefStdCode::operator==(const TZefStdCode& other) const { return IsSameCode(other); }
bool CodesDB::TZefStdCode::operator!=(const TZefStdCode& other) const { return !IsSameCode(other); }
bool CodesDB::TZefStdCode::operator<(const TZefStdCode& other) const { return Compare(other) < 0; }
bool CodesDB::TZefStdCode::operator>(const TZefStdCode& other) const { return Compare(other) > 0; }
bool CodesDB::TZefStdCode::operator<=(const TZefStdCode& other) const { return Compare(other) <= 0; }
bool CodesDB::TZefStdCode::operator>=(const TZefStdCode& other) const { return Compare(other) >= 0; }

// --- Generating -------------------------------------------------------------

void CodesDB::TZefStdCode::assignText(std::u16string_view text) {
  AllocData();
  data_->Text.AssignText(text);
  CalcHash();
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::MakeDuplicate() {
  if (data_ == nullptr) {
    Parse(u"A(2)");
    return *this;
  }
  CodeParts parts = splitCode(textOf(data_));
  if (parts.duplicate < 1)
    parts.duplicate = 2;
  else if (parts.duplicate < std::numeric_limits<int32_t>::max())
    ++parts.duplicate;
  assignText(buildCode(parts));
  return *this;
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::ResetDuplicateNumber() {
  if (IsEmpty()) return *this;
  CodeParts parts = splitCode(textOf(data_));
  if (parts.duplicate < 0) return *this;
  parts.duplicate = -1;
  assignText(buildCode(parts));
  return *this;
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::MakeNext() {
  if (IsEmpty()) return *this;
  CodeParts parts = splitCode(textOf(data_));
  parts.duplicate = -1;
  std::u16string prefix;  // holds a stepped prefix while parts.prefix views it
  if (parts.number >= 0 && parts.number < std::numeric_limits<int64_t>::max()) {
    ++parts.number;
  } else {
    if (parts.number >= 0) parts.number = 1;
    prefix = stepPrefixForward(parts.prefix);
    parts.prefix = prefix;
  }
  assignText(buildCode(parts));
  return *this;
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::MakeNextEx(int step) {
  if (step < 1) step = 1;
  if (IsEmpty()) {
    assignText(platform::formatText(u"A%d", step));
    return *this;
  }
  CodeParts parts = splitCode(textOf(data_));
  parts.duplicate = -1;
  std::u16string prefix;  // holds a stepped prefix while parts.prefix views it
  if (parts.number < 0) {
    parts.number = 1;
  } else if (parts.number <= std::numeric_limits<int64_t>::max() - step) {
    parts.number += step;
  } else {
    // Past the largest number: restart at 1 and step the prefix, as MakeNext
    // does at that limit.
    parts.number = 1;
    prefix = stepPrefixForward(parts.prefix);
    parts.prefix = prefix;
  }
  assignText(buildCode(parts));
  return *this;
}

CodesDB::TZefStdCode& CodesDB::TZefStdCode::MakePrev() {
  if (IsEmpty()) return *this;
  CodeParts parts = splitCode(textOf(data_));
  parts.duplicate = -1;
  std::u16string prefix;  // holds a stepped prefix while parts.prefix views it
  if (parts.number > 0) {
    --parts.number;
  } else {
    if (parts.number == 0) parts.number = 99;
    prefix = stepPrefixBack(parts.prefix);
    parts.prefix = prefix;
  }
  assignText(buildCode(parts));
  return *this;
}

// --- Text tests -------------------------------------------------------------

bool CodesDB::TZefStdCode::StartsWith(const WCHAR* s) const {
  const std::u16string_view head = viewOf(s);
  if (head.empty()) return true;
  if (IsEmpty()) return false;
  return textOf(data_).substr(0, head.size()) == head;
}

bool CodesDB::TZefStdCode::StartsWithIC(const WCHAR* s) const {
  const std::u16string_view head = viewOf(s);
  if (head.empty()) return true;
  if (IsEmpty()) return false;
  const std::u16string_view text = textOf(data_);
  return text.size() >= head.size() && compareLowered(text.substr(0, head.size()), head) == 0;
}

bool CodesDB::TZefStdCode::EndsWith(const WCHAR* s) const {
  const std::u16string_view tail = viewOf(s);
  if (tail.empty()) return true;
  const std::u16string_view text = textOf(data_);
  if (IsEmpty() || text.size() < tail.size()) return false;
  return text.substr(text.size() - tail.size()) == tail;
}

bool CodesDB::TZefStdCode::EndsWithIC(const WCHAR* s) const {
  const std::u16string_view tail = viewOf(s);
  if (tail.empty()) return true;
  const std::u16string_view text = textOf(data_);
  if (IsEmpty() || text.size() < tail.size()) return false;
  return compareLowered(text.substr(text.size() - tail.size()), tail) == 0;
}

const CodesDB::TZefStdCode& CodesDB::TZefStdCode::NullCode() { return *cdbGetNullCode(); }
