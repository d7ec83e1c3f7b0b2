// Opening the three VENDRAKO.INI copies and reading from the first copy
// that holds a key.
#include "zefkr/VendrakoIni.h"

#include "platform/KnownFolders.h"
#include "platform/WinTypes.h"

namespace {

struct CopyPlace {
  int folder;
  bool hasSubFolder;
};

constexpr std::array<CopyPlace, zefkr::kVendrakoIniCopies> kCopyPlaces = {{
    {CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, true},
    {CSIDL_APPDATA | CSIDL_FLAG_CREATE, true},
    {CSIDL_WINDOWS, false},
}};

// The copy's full path, or empty when its folder cannot be obtained. A
// sub-folder that cannot be created is not an error here: the first write
// into it reports the failure.
std::u16string copyPath(const CopyPlace& place) {
  WCHAR path[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, place.folder, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  if (place.hasSubFolder) {
    if (!PathAppendW(path, u"Vendrako SH")) return {};
    SHCreateDirectoryExW(nullptr, path, nullptr);
  }
  if (!PathAppendW(path, u"VENDRAKO.INI")) return {};
  return path;
}

const std::u16string kNoPath;

}  // namespace

std::u16string zefkr::commonVendrakoIniPath() { return copyPath(kCopyPlaces[0]); }

zefkr::TVendrakoIni::TVendrakoIni() {
  for (size_t i = 0; i < kCopyPlaces.size(); ++i) {
    std::u16string path = copyPath(kCopyPlaces[i]);
    if (path.empty()) continue;
    copies_[i] = std::make_unique<platform::TIniFile>(path);
    paths_[i] = std::move(path);
  }
}

zefkr::TVendrakoIni::~TVendrakoIni() {
  for (auto& copy : copies_) {
    if (copy) copy->UpdateFile();
  }
}

platform::TIniFile* zefkr::TVendrakoIni::GetIni(int index) const {
  if (index < 0 || index >= kVendrakoIniCopies) return nullptr;
  return copies_[static_cast<size_t>(index)].get();
}

const std::u16string& zefkr::TVendrakoIni::Path(int index) const {
  if (index < 0 || index >= kVendrakoIniCopies) return kNoPath;
  return paths_[static_cast<size_t>(index)];
}

int zefkr::TVendrakoIni::FirstCopyHaving(std::u16string_view section, std::u16string_view key) const {
  for (int i = 0; i < kVendrakoIniCopies; ++i) {
    const platform::TIniFile* copy = GetIni(i);
    if (copy == nullptr) continue;
    if (copy->ReadString(section, key, kNotFoundMarker) != kNotFoundMarker) return i;
  }
  return -1;
}

int zefkr::TVendrakoIni::ReadIntegerFromFirstCopy(std::u16string_view section, std::u16string_view key,
                                                  int defaultValue) const {
  const int copy = FirstCopyHaving(section, key);
  if (copy < 0) return defaultValue;
  return GetIni(copy)->ReadInteger(section, key, 0);
}

int zefkr::TVendrakoIni::FirstOpenCopy() const {
  for (int i = 0; i < kVendrakoIniCopies; ++i) {
    if (GetIni(i) != nullptr) return i;
  }
  return -1;
}
