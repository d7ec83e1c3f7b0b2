// Reading the server's update list.
#include "zefkr/UpdateList.h"

#include "zefkr/VendrakoIni.h"

#include "zefcorek/CsvRows.h"
#include "zefcorek/StringList.h"

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/IniFileSnapshot.h"
#include "platform/Scan.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

namespace {

constexpr int32_t kNoVersion = -1'000'000;

std::u16string trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return std::u16string(text);
}

std::u16string lowered(std::u16string text) {
  platform::toLowerInPlace(text);
  return text;
}

// A whole text of an optional sign and decimal digits in the 32-bit range.
std::optional<int32_t> decimalNumber(std::u16string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  value = negative ? -value : value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t numberOr(std::u16string_view text, int32_t fallback) { return decimalNumber(text).value_or(fallback); }

// The value split at '|'; empty when it has no field.
std::vector<std::u16string> splitFields(std::u16string_view value) {
  std::vector<std::u16string> fields;
  const std::u16string row(value);
  IStringList* list = SplitCSVRowToStringList(u'|', row.c_str());
  if (!list) return fields;
  const uint32_t count = list->GetCount();
  for (uint32_t i = 0; i < count; ++i) {
    const WCHAR* text = nullptr;
    fields.emplace_back(list->GetStringPtr(i, &text) == ZR_OK && text ? text : u"");
  }
  list->Release();
  return fields;
}

// The rows of the product's section and its continuation sections. The
// list holds a bounded number of sections, so the search for the next one
// ends.
std::vector<std::u16string> productRows(const platform::IniFileSnapshot& list, const std::u16string& key) {
  std::vector<std::u16string> rows = list.ReadSectionValues(key);
  if (rows.empty()) return rows;
  for (int part = 1;; ++part) {
    const std::u16string section = key + u"_$_" + platform::formatText(u"%d", part) + u"_$_";
    std::vector<std::u16string> more = list.ReadSectionValues(section);
    if (more.empty()) break;
    rows.insert(rows.end(), more.begin(), more.end());
  }
  return rows;
}

// What a settings copy records of an installed product.
struct Installation {
  std::u16string folder;
  int32_t version = 0;
};

// The product's folder (which must exist) and installed version from the
// copy; nothing when either is missing. The same for every row of the
// product, so it is read once per product.
std::optional<Installation> installationOf(const platform::TIniFile& copy, const std::u16string& key) {
  Installation installation;
  installation.folder = copy.ReadString(u"Procedure", key, zefkr::kNotFoundMarker);
  if (installation.folder == zefkr::kNotFoundMarker || !DirectoryExists(installation.folder)) return std::nullopt;
  const std::u16string recorded = copy.ReadString(u"Kestruner", key, zefkr::kNotFoundMarker);
  if (platform::scanText(recorded, u"%d", &installation.version) != 1) return std::nullopt;
  return installation;
}

bool isSpecialProduct(std::u16string_view key) { return key == u"40" || key.substr(0, 3) == u"VKR"; }

void readFileName(std::u16string_view field, zefkr::TKRUpdateInfo& record) {
  record.mirror = 0;
  if (field.empty() || field.front() != u'*') {
    record.fileName = std::u16string(field);
    return;
  }
  field.remove_prefix(1);
  const size_t star = field.find(u'*');
  if (star != std::u16string_view::npos) {
    if (star > 0) record.mirror = numberOr(field.substr(0, star), 0);
    field.remove_prefix(star + 1);
  }
  record.fileName = std::u16string(field);
}

std::u16string withoutTrailingSeparator(std::u16string folder) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

// The exchange sort of the list: larger absolute priorities first, and a
// negative priority before a positive one it meets. Not stable.
void sortByPriority(zefkr::TKRUpdateInfoList& updates) {
  for (int32_t a = 0; a + 1 < updates.count; ++a) {
    for (int32_t b = a + 1; b < updates.count; ++b) {
      const int32_t pa = updates.items[static_cast<size_t>(a)].priority;
      const int32_t pb = updates.items[static_cast<size_t>(b)].priority;
      if (std::abs(pa) < std::abs(pb) || (pb < 0 && pa >= 0)) {
        std::swap(updates.items[static_cast<size_t>(a)], updates.items[static_cast<size_t>(b)]);
      }
    }
  }
}

}  // namespace

int32_t zefkr::TKRUpdateInfoList::SelectedCount() const {
  return static_cast<int32_t>(
      std::count_if(items.begin(), items.begin() + count, [](const TKRUpdateInfo& item) { return item.selected; }));
}

bool zefkr::processListAdmits(std::u16string_view processList, std::u16string_view key) {
  if (isSpecialProduct(key) || processList == u"*") return true;
  size_t start = 0;
  while (start <= processList.size()) {
    size_t comma = processList.find(u',', start);
    if (comma == std::u16string_view::npos) comma = processList.size();
    if (processList.substr(start, comma - start) == key) return true;
    start = comma + 1;
  }
  return false;
}

std::optional<int32_t> zefkr::parseUpdateList(const WCHAR* fileName, const TKRDetectedProductList& products,
                                              TKRUpdateInfoList& updates, const WCHAR* processList) {
  updates.count = 0;
  const zefkr::TVendrakoIni copies;
  // The list is read once; one beyond the bounds is not read at all.
  const std::optional<platform::IniFileSnapshot> list = platform::IniFileSnapshot::read(
      fileName ? fileName : u"",
      {zefkr::kMaxUpdateListBytes, zefkr::kMaxUpdateListSections, zefkr::kMaxUpdateListLines});
  if (!list) return std::nullopt;
  const std::u16string_view admitted = processList ? processList : u"";
  std::set<std::u16string> handled;

  for (int copy = 0; copy < zefkr::kVendrakoIniCopies; ++copy) {
    const platform::TIniFile* ini = copies.GetIni(copy);
    const std::u16string& path = copies.Path(copy);
    if (!ini || path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    for (int32_t p = 0; p < products.count; ++p) {
      const zefkr::TKRDetectedProduct& product = products.items[static_cast<size_t>(p)];
      if (!product.found) continue;
      const std::u16string key = zefkr::productKey(product);
      const bool ordinary = !isSpecialProduct(key);
      if (!zefkr::processListAdmits(admitted, key)) continue;
      const std::vector<std::u16string> rows = productRows(*list, key);
      if (rows.empty() || handled.count(key) != 0) continue;
      // A product without folder or recorded version skips every row.
      const std::optional<Installation> installation = installationOf(*ini, key);
      if (!installation) continue;

      for (size_t r = 0; r < rows.size(); ++r) {
        const std::u16string_view row = rows[r];
        const size_t equals = row.find(u'=');
        if (equals == std::u16string_view::npos || equals == 0) continue;
        const std::vector<std::u16string> fields =
            splitFields(row.substr(equals + 1).substr(0, zefkr::kMaxRowValueLength));
        if (fields.size() < static_cast<size_t>(zefkr::kUpdateListFields)) continue;

        int32_t minimum = 0;
        int32_t version = 0;
        if (fields[0].find(u':') != std::u16string::npos) {
          if (platform::scanText(fields[0], u"%d:%d", &minimum, &version) != 2) continue;
        } else {
          version = numberOr(fields[0], kNoVersion);
        }
        if (version == 0 || version == kNoVersion) continue;

        const int32_t installed = installation->version;
        const int32_t absolute = std::abs(version);
        if (ordinary && installed < minimum) {
          handled.insert(key);
          continue;
        }
        if (absolute <= installed) {
          if (r + 1 == rows.size()) handled.insert(key);
          continue;
        }
        handled.insert(key);
        if (minimum == 0 && absolute / 100 != installed / 100) continue;
        if (updates.count >= zefkr::kMaxUpdates) continue;

        zefkr::TKRUpdateInfo& record = updates.items[static_cast<size_t>(updates.count++)];
        record = zefkr::TKRUpdateInfo{};
        record.copyIndex = copy;
        record.selected = true;
        record.named = product.named;
        record.productId = product.named ? -1 : product.id;
        record.productSubId = product.named ? -1 : product.subId;
        record.productName = product.named ? product.name : std::u16string();
        record.version = absolute;
        record.key = lowered(std::u16string(row.substr(0, equals)));
        record.dateText = fields[1];
        record.date = platform::StrToDate(fields[1]).value_or(platform::Now() - 1.0);
        record.priority = numberOr(fields[2], 0);
        record.name = fields[3];
        record.folder = fields[4];
        readFileName(fields[5], record);
        record.kind = lowered(fields[6]);
        record.parameters = fields[7];
        record.field8 = fields[8];
        record.restartLevel = numberOr(fields[9], 0);
        record.note = trimmed(fields[10]);
        record.productFolder = withoutTrailingSeparator(installation->folder);
        record.status = version < 0 ? uint32_t{zefkr::kUpdateNegativeVersion} : 0u;
      }
    }
  }
  sortByPriority(updates);
  if (updates.count > 0 && updates.items[0].priority < 0) updates.count = 1;
  return updates.count;
}

int32_t KRParseUpdateInfo(const WCHAR* fileName, const zefkr::TKRDetectedProductList& products,
                          zefkr::TKRUpdateInfoList& updates, const WCHAR* processList) {
  return zefkr::parseUpdateList(fileName, products, updates, processList).value_or(0);
}

int32_t SetSelectedWithDependants(zefkr::TKRUpdateInfoList& updates, int32_t index, bool selected) {
  if (index < 0 || index >= updates.count) return 0;
  const zefkr::TKRUpdateInfo& chosen = updates.items[static_cast<size_t>(index)];
  const int32_t id = chosen.productId;
  const int32_t subId = chosen.productSubId;
  int32_t touched = 0;
  const auto touch = [&](int32_t i) {
    zefkr::TKRUpdateInfo& item = updates.items[static_cast<size_t>(i)];
    if (i != index && (item.productId != id || item.productSubId != subId)) return;
    item.selected = selected;
    ++touched;
  };
  if (selected) {
    for (int32_t i = 0; i <= index; ++i) touch(i);
  } else {
    for (int32_t i = index; i < updates.count; ++i) touch(i);
  }
  return touched;
}
