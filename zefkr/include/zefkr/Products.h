// The products the maker's installers registered on this computer, with
// the captions the wizard shows for them.
//
// Each installer writes a line into section "Procedure" of a VENDRAKO.INI
// copy: the product's key ("12", "12.3" or a name) = its install folder.
// The captions come from the module table (ZefKR.ini, section "Modules").
#pragma once

#include "zefkr/ModuleTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zefkr {

inline constexpr int kMaxDetectedProducts = 500;
inline constexpr size_t kMaxProductFolderLength = 255;

struct TKRDetectedProduct {
  int32_t copyIndex = 0;   // the VENDRAKO.INI copy whose line made the record
  bool named = false;      // registered by name, not by identifier
  int32_t id = -1;         // first number of the identifier pair; -1 when named
  int32_t subId = -1;      // second number (the id again for a single one)
  std::u16string name;     // a named product's name
  std::u16string caption;  // what the wizard shows
  std::u16string folder;   // install folder, trimmed, at most 255 characters
  bool found = false;      // caption not empty and the folder exists
};

struct TKRDetectedProductList {
  int32_t count = 0;
  std::array<TKRDetectedProduct, kMaxDetectedProducts> items;
};

// The process-wide module table the captions come from (the main form loads
// it from ZefKR.ini at start).
ModuleTable& moduleTable();

// The product's key: its name, else "%ld" of the id when both numbers are
// equal, else "%ld.%ld".
std::u16string productKey(const TKRDetectedProduct& product);

}  // namespace zefkr

// The name of the first of the 500 module slots with that id; else the
// fallback name (slot 500) and the id as "%s [%ld]".
std::u16string KRModuleNameById(int32_t id);
// The same by id text (case-sensitive), with "%s [%s]".
std::u16string KRModuleNameByKey(std::u16string_view key);
// Empties `list` and fills it from the "Procedure" lines of the copies 0, 1,
// 2 whose file exists. At most 500 records: further lines are dropped.
void KRDetectProducts(zefkr::TKRDetectedProductList& list);
// True when a found product of `list` is the same product as `candidate`.
bool KRIsProductListed(const zefkr::TKRDetectedProduct& candidate, const zefkr::TKRDetectedProductList& list);
