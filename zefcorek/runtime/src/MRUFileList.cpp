// The most-recently-used file list over a record list of fixed-size path
// records, loaded from and saved to an ini file section.
#include "zefcorek/MRUFileList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Format.h"
#include "platform/PrivateProfile.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr unsigned kRecordUnits = TMRUFileList::kMaxPathUnits + 1;
constexpr unsigned kRecordBytes = kRecordUnits * sizeof(WCHAR);
static_assert(kRecordBytes == 520);
constexpr unsigned kKeys = 10;  // "0" .. "9"

using PathRecord = std::array<WCHAR, kRecordUnits>;

std::u16string keyOf(unsigned index) { return platform::formatText(u"%ld", static_cast<int32_t>(index)); }

}  // namespace

TMRUFileList::TMRUFileList() : list_(nullptr) {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0) != S_OK) return;
  list_ = static_cast<IRecList*>(out);
  (void)list_->SetOption(0, kRecordBytes);
}

TMRUFileList::~TMRUFileList() {
  if (list_ != nullptr) list_->Release();
}

int TMRUFileList::LoadFromIniFile(const WCHAR* iniFile, const WCHAR* section) {
  Clear();
  if (list_ == nullptr) return 1;
  for (unsigned index = 0; index < kKeys; ++index) {
    PathRecord record{};
    GetPrivateProfileStringW(section, keyOf(index).c_str(), u"", record.data(), kRecordUnits, iniFile);
    if (record[0] == 0) break;
    (void)list_->AddTail(record.data(), nullptr);
  }
  return 1;
}

int TMRUFileList::SaveToIniFile(const WCHAR* iniFile, const WCHAR* section) {
  // Without its list the object knows nothing of the paths, so the stored
  // ones stay.
  if (list_ == nullptr) return 1;
  const unsigned count = Count();
  for (unsigned index = 0; index < count; ++index) {
    void* record = nullptr;
    if (list_->GetRecordPtrAt(index, &record) != ZR_OK) continue;
    WritePrivateProfileStringW(section, keyOf(index).c_str(), static_cast<const WCHAR*>(record), iniFile);
  }
  for (unsigned index = count; index < kKeys; ++index)
    WritePrivateProfileStringW(section, keyOf(index).c_str(), nullptr, iniFile);
  return 1;
}

int TMRUFileList::Add(const WCHAR* path) {
  if (path == nullptr || list_ == nullptr || platform::utf16Length(path) > kMaxPathUnits) return -1;
  (void)RemovePath(path);
  PathRecord record{};
  std::copy_n(path, platform::utf16Length(path), record.begin());
  (void)list_->AddHead(record.data(), nullptr);
  return 0;
}

int TMRUFileList::RemovePath(const WCHAR* path) {
  if (path == nullptr) return 0;
  const unsigned count = Count();
  for (unsigned index = 0; index < count; ++index) {
    void* record = nullptr;
    if (list_->GetRecordPtrAt(index, &record) != ZR_OK) continue;
    if (!platform::equalsIgnoreCase(static_cast<const WCHAR*>(record), path)) continue;
    (void)list_->RemoveAt(index, 1, true);
    return 1;
  }
  return 0;
}

int TMRUFileList::Get(unsigned i, WCHAR* buffer) {
  void* record = nullptr;
  if (i >= Count() || list_->GetRecordPtrAt(i, &record) != ZR_OK) {
    if (buffer != nullptr) buffer[0] = 0;
    return 0;
  }
  if (buffer != nullptr) std::copy_n(static_cast<const WCHAR*>(record), kRecordUnits, buffer);
  return 1;
}

void TMRUFileList::Remove(unsigned i) {
  if (list_ != nullptr && i < Count()) (void)list_->RemoveAt(i, 1, true);
}

unsigned TMRUFileList::Count() {
  unsigned count = 0;
  if (list_ != nullptr) (void)list_->GetCount(&count);
  return count;
}

void TMRUFileList::Clear() {
  if (list_ != nullptr) (void)list_->Clear(true);
}
