// The update list: the server's list file matched against the installed
// products, and the rules the pages use on it.
//
// The list file is an ini file with one section per product key (see
// Products.h), continued in sections "<key>_$_1_$_", "<key>_$_2_$_", ...
// Each row is "key=value", the value's first 4,000 characters split at '|'
// into at least 11 fields:
//
//   field  meaning         form
//   0      version         "min:version" or "version"; may be negative
//   1      date            "dd/mm/yyyy"
//   2      priority        integer; a negative one makes the update exclusive
//   3      name            shown to the user
//   4      server folder
//   5      file name       optional prefix "*<mirror>*"
//   6      kind            "run", "inisec", "show", ... (any case)
//   7      parameters      "{$dst}" stands for the product folder
//   8      (kept)
//   9      restart level   integer
//   10     note            shown as the description
#pragma once

#include "zefkr/Products.h"

#include "platform/DateText.h"
#include "platform/WinTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zefkr {

inline constexpr int kMaxUpdates = 2000;
inline constexpr size_t kMaxRowValueLength = 4000;
inline constexpr int kUpdateListFields = 11;
// The largest list file read, and the most sections and lines it may hold:
// a list beyond any is not read at all. (Read, each line takes some 70
// bytes, whatever its length.)
inline constexpr size_t kMaxUpdateListBytes = size_t{4} << 20;
inline constexpr size_t kMaxUpdateListSections = 65536;
inline constexpr size_t kMaxUpdateListLines = 262144;

// Status bits of an update.
enum : uint32_t {
  kUpdateDownloaded = 1,
  kUpdateInstalled = 2,
  kUpdateNoInformation = 4,
  kUpdateNotStarted = 8,
  kUpdateNegativeVersion = 16,
};

struct TKRUpdateInfo {
  int32_t copyIndex = 0;  // the VENDRAKO.INI copy of the product's folder and version
  bool selected = true;   // chosen for download
  bool named = false;     // the product is known by name
  int32_t productId = -1;
  int32_t productSubId = -1;
  std::u16string productName;  // a named product's name
  int32_t version = 0;         // absolute value of the row's version
  std::u16string key;          // the row's key, lower-cased
  std::u16string dateText;     // field 1 as written
  platform::TDateTime date = 0;
  int32_t priority = 0;
  std::u16string name;        // field 3
  int32_t mirror = 0;         // from the prefix of field 5
  std::u16string folder;      // field 4
  std::u16string fileName;    // field 5 without its prefix
  std::u16string kind;        // field 6, lower-cased
  std::u16string parameters;  // field 7
  std::u16string field8;
  int32_t restartLevel = 0;      // field 9
  std::u16string note;           // field 10, trimmed
  std::u16string productFolder;  // without a trailing separator
  uint32_t status = 0;           // the bits above
  std::u16string downloadedFile;
};

struct TKRUpdateInfoList {
  int32_t count = 0;
  std::array<TKRUpdateInfo, kMaxUpdates> items;

  int32_t SelectedCount() const;
};

// True when the login's process list admits the product `key`: "*" admits
// every product, otherwise one of the list's comma-separated entries must
// equal the key exactly. Key "40" and keys beginning with "VKR" are never
// filtered.
bool processListAdmits(std::u16string_view processList, std::u16string_view key);

// KRParseUpdateInfo telling a list it refuses from one without updates:
// nothing (and no updates) for a list beyond any of the bounds above, else
// the number of updates.
[[nodiscard]] std::optional<int32_t> parseUpdateList(const WCHAR* fileName, const TKRDetectedProductList& products,
                                                     TKRUpdateInfoList& updates, const WCHAR* processList);

}  // namespace zefkr

// Fills `updates` from the list file and answers how many it holds (0 to
// 2,000). A missing file, one without matching rows or one beyond the
// bounds gives 0.
int32_t KRParseUpdateInfo(const WCHAR* fileName, const zefkr::TKRDetectedProductList& products,
                          zefkr::TKRUpdateInfoList& updates, const WCHAR* processList);

// Ticking an update ticks the earlier updates of its product; unticking it
// unticks the later ones. Answers how many records it touched (0 for an
// index outside the list).
int32_t SetSelectedWithDependants(zefkr::TKRUpdateInfoList& updates, int32_t index, bool selected);
