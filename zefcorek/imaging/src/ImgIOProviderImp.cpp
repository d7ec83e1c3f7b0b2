// The image I/O provider.
#include "ImgIOProviderImp.h"

#include "FIImgIOExpertImp.h"
#include "ImgFormatRows.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/CsvRows.h"
#include "zefcorek/LibraryState.h"
#include "zefcorek/MessageLoader.h"
#include "zefcorek/StringList.h"

#include "platform/Modules.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace {

constexpr uint32_t kMessageChars = 1024;
constexpr uint32_t kFieldChars = 1024;

// Whether `extension` is one of the row's four extensions, ignoring case.
bool namesRow(const ImgFormatInfo& row, std::u16string_view extension) {
  for (const auto& stored : row.Extensions) {
    const std::u16string_view text(stored, std::find(stored, stored + kImgExtensionChars, u'\0') - stored);
    if (platform::equalsIgnoreCase(text, extension)) return true;
  }
  return false;
}

// Searches the messages from `firstId` on for the row's line and renames
// the row with it: 0 renamed, 1 at an empty message, or the failing read's
// code.
ZRESULT renameFromMessages(IMessageLoader* texts, uint32_t firstId, ImgFormatInfo& row) {
  WCHAR message[kMessageChars];
  for (uint32_t id = firstId;; ++id) {
    if (const ZRESULT read = texts->GetMsgByID(id, message, kMessageChars); read != ZR_OK) {
      return read;
    }
    if (message[0] == u'\0') return ZR_NO;
    IStringList* fields = SplitCSVRowToStringList(u'|', message);
    if (fields == nullptr) continue;
    WCHAR extension[kFieldChars] = {};
    WCHAR description[kFieldChars] = {};
    const bool pair = fields->GetCount() == 2 && fields->GetString(0, extension, kFieldChars) == ZR_OK &&
                      fields->GetString(1, description, kFieldChars) == ZR_OK;
    fields->Release();
    if (!pair || !namesRow(row, extension)) continue;
    std::fill(std::begin(row.Description), std::end(row.Description), u'\0');
    const std::u16string_view text(description);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), kImgDescriptionChars - 1), row.Description);
    return ZR_OK;
  }
}

}  // namespace

void* zefcorek::makeIFIImgIOProviderImp(intptr_t /*arg*/) {
  return static_cast<IFIImgIOProvider*>(new (std::nothrow) IFIImgIOProviderImp());
}

IFIImgIOProviderImp::IFIImgIOProviderImp() = default;

IFIImgIOProviderImp::~IFIImgIOProviderImp() { Shutdown(); }

ZRESULT IFIImgIOProviderImp::Initialize(const WCHAR* moduleName) {
  WCHAR ownName[MAX_PATH] = {};
  if (moduleName == nullptr || moduleName[0] == u'\0') {
    GetModuleFileNameW(zefcorek::moduleInstance(), ownName, MAX_PATH);
    moduleName = ownName;
  }
  // The name is only checked: nothing is read from the module.
  if (moduleName[0] == u'\0') return ZR_BADARG;
  if (expert_ != nullptr) return ZR_OK;
  expert_ = new (std::nothrow) IFIImgIOExpertImp();
  if (expert_ == nullptr) return ZR_OUTOFMEMORY;
  if (const ZRESULT result = zefcorek::addLibraryFormats(expert_); result != ZR_OK) {
    Shutdown();
    return result;
  }
  return ZR_OK;
}

ZRESULT IFIImgIOProviderImp::Shutdown() {
  if (expert_ != nullptr) expert_->Release();
  expert_ = nullptr;
  return ZR_OK;
}

bool IFIImgIOProviderImp::IsUninitialized() { return expert_ == nullptr; }

ZRESULT IFIImgIOProviderImp::GetExpert(IImgIOExpert** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = expert_;
  if (expert_ == nullptr) return ZR_OUTOFMEMORY;
  expert_->AddRef();
  return ZR_OK;
}

uint32_t IFIImgIOProviderImp::GetProviderId() { return 1; }

ZRESULT IFIImgIOProviderImp::CreateTWAINExpert(IImgIOTWAINExpert** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  IImgIOExpert* expert = nullptr;
  if (const ZRESULT result = GetExpert(&expert); result != ZR_OK) return result;
  auto* settings = new (std::nothrow) IFIImgIOTWAINExpertImp(expert);
  expert->Release();
  if (settings == nullptr) return ZR_OUTOFMEMORY;
  *out = settings;
  return ZR_OK;
}

ZRESULT IFIImgIOProviderImp::LocalizeFormatNames(IMessageLoader* texts, uint32_t firstId) {
  if (texts == nullptr) return ZR_BADARG;
  if (expert_ == nullptr) return ZR_OUTOFMEMORY;
  uint32_t count = 0;
  if (const ZRESULT result = expert_->GetFormatCount(&count); result != ZR_OK) return result;
  ZRESULT result = ZR_OK;
  for (uint32_t index = 0; index < count && result == ZR_OK; ++index) {
    ImgFormatInfo row{};
    row.cbSize = sizeof row;
    result = expert_->GetFormatInfo(index, &row);
    if (result != ZR_OK) break;
    result = renameFromMessages(texts, firstId, row);
    if (result != ZR_OK) break;
    result = expert_->SetFormatInfo(index, &row);
  }
  return result;
}

// --- TWAIN settings -------------------------------------------------------------

IFIImgIOTWAINExpertImp::IFIImgIOTWAINExpertImp(IImgIOExpert* expert) : expert_(expert) {
  if (expert_ != nullptr) expert_->AddRef();
  (void)SetSourceName(u"TWAIN Acquire");
}

IFIImgIOTWAINExpertImp::~IFIImgIOTWAINExpertImp() {
  if (expert_ != nullptr) expert_->Release();
}

ZRESULT IFIImgIOTWAINExpertImp::GetOptionWord(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = optionWord_;
  return ZR_OK;
}

ZRESULT IFIImgIOTWAINExpertImp::SetOptionWord(uint32_t word) {
  optionWord_ = word;
  return ZR_OK;
}

ZRESULT IFIImgIOTWAINExpertImp::GetSourceName(WCHAR* buffer, uint32_t* length) {
  if (buffer == nullptr && length == nullptr) return ZR_BADARG;
  const std::u16string_view name(sourceName_);
  if (buffer != nullptr) std::copy_n(sourceName_, name.size() + 1, buffer);
  if (length != nullptr) *length = static_cast<uint32_t>(name.size());
  return ZR_OK;
}

ZRESULT IFIImgIOTWAINExpertImp::SetSourceName(const WCHAR* name) {
  if (name == nullptr) return ZR_BADARG;
  std::fill(std::begin(sourceName_), std::end(sourceName_), u'\0');
  for (uint32_t index = 0; index < kSourceNameChars - 1 && name[index] != u'\0'; ++index) {
    sourceName_[index] = name[index];
  }
  return ZR_OK;
}

ZRESULT IFIImgIOTWAINExpertImp::SelectSource() { return ZR_OK; }

HRESULT IFIImgIOTWAINExpertImp::Acquire(IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  return E_FAIL;
}
