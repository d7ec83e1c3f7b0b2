// Product detection from the "Procedure" sections.
#include "zefkr/Products.h"

#include "zefkr/VendrakoIni.h"

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Scan.h"

#include <algorithm>

namespace {

std::u16string trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return std::u16string(text);
}

const std::u16string& fallbackName() { return zefkr::moduleTable()[zefkr::ModuleTable::kFillableSlots].name; }

std::u16string captionOf(const zefkr::TKRDetectedProduct& product) {
  if (product.named) return KRModuleNameByKey(product.name);
  if (product.id == product.subId) return KRModuleNameById(product.id);
  return KRModuleNameById(product.id) + u" (" + KRModuleNameById(product.subId) + u")";
}

bool sameProduct(const zefkr::TKRDetectedProduct& a, const zefkr::TKRDetectedProduct& b) {
  if (a.named != b.named) return false;
  return a.named ? a.name == b.name : a.id == b.id && a.subId == b.subId;
}

bool fileExists(const std::u16string& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// One "Procedure" line as a product; false when the line is skipped.
bool readProcedureLine(std::u16string_view line, zefkr::TKRDetectedProduct* product) {
  int32_t id = 0;
  int32_t subId = 0;
  bool named = false;
  if (platform::scanText(line, u"%d.%d=", &id, &subId) == 2) {
    if (subId < 0) return false;
  } else if (platform::scanText(line, u"%d=", &id) == 1) {
    subId = id;
  } else {
    named = true;
  }
  if (!named && id < 0) return false;
  const size_t equals = line.find(u'=');
  if (equals == std::u16string_view::npos || equals == 0) return false;
  product->named = named;
  product->id = named ? -1 : id;
  product->subId = named ? -1 : subId;
  product->name = named ? trimmed(line.substr(0, equals)) : std::u16string();
  product->folder = trimmed(line.substr(equals + 1).substr(0, zefkr::kMaxProductFolderLength));
  return !product->folder.empty();
}

}  // namespace

zefkr::ModuleTable& zefkr::moduleTable() {
  static ModuleTable table;
  return table;
}

std::u16string zefkr::productKey(const TKRDetectedProduct& product) {
  if (product.named) return product.name;
  if (product.id == product.subId) return platform::formatText(u"%ld", product.id);
  return platform::formatText(u"%ld.%ld", product.id, product.subId);
}

std::u16string KRModuleNameById(int32_t id) {
  const zefkr::ModuleTable& table = zefkr::moduleTable();
  for (int slot = 0; slot < zefkr::ModuleTable::kFillableSlots; ++slot) {
    if (table[slot].id == id) return table[slot].name;
  }
  return platform::formatText(u"%s [%ld]", fallbackName(), id);
}

std::u16string KRModuleNameByKey(std::u16string_view key) {
  const zefkr::ModuleTable& table = zefkr::moduleTable();
  for (int slot = 0; slot < zefkr::ModuleTable::kFillableSlots; ++slot) {
    if (table[slot].idText == key) return table[slot].name;
  }
  return platform::formatText(u"%s [%s]", fallbackName(), std::u16string(key));
}

bool KRIsProductListed(const zefkr::TKRDetectedProduct& candidate, const zefkr::TKRDetectedProductList& list) {
  const auto end = list.items.begin() + list.count;
  return std::any_of(list.items.begin(), end, [&](const zefkr::TKRDetectedProduct& listed) {
    return listed.found && sameProduct(listed, candidate);
  });
}

void KRDetectProducts(zefkr::TKRDetectedProductList& list) {
  list.count = 0;
  const zefkr::TVendrakoIni copies;
  for (int copy = 0; copy < zefkr::kVendrakoIniCopies; ++copy) {
    const platform::TIniFile* ini = copies.GetIni(copy);
    if (!ini || !fileExists(copies.Path(copy))) continue;
    for (const std::u16string& line : ini->ReadSectionValues(u"Procedure")) {
      zefkr::TKRDetectedProduct product;
      if (!readProcedureLine(line, &product)) continue;
      product.copyIndex = copy;
      product.caption = captionOf(product);
      product.found = !product.caption.empty() && DirectoryExists(product.folder);
      if (KRIsProductListed(product, list)) continue;
      // The list is full: further products are dropped, never stored past it.
      if (list.count >= zefkr::kMaxDetectedProducts) return;
      list.items[static_cast<size_t>(list.count++)] = std::move(product);
    }
  }
}
