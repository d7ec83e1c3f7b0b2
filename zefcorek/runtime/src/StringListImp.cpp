// IStringListImp: the string list's items, their searches, the line splitter
// shared by the text loaders, file loading and saving, and the owner lock.
//
// Items live in one vector of (text, data) pairs; a text is a private,
// NUL-terminated copy allocated with new[] and owned by its item, or null for
// an empty item. Index access is direct, so walking the items costs one step
// per item whatever the order. Items added in bulk (PackedStringList.h) keep
// their texts in blocks owned by the list instead.
#include "zefcorek/StringList.h"

#include "PackedStringList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "textrum/CLWideStr.h"
#include "textrum/LStrCore.h"

#include "platform/BinaryResources.h"
#include "platform/CaseRules.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr WCHAR kEmptyText[] = u"";
// Line buffer of LoadFromFile; a longer line ends the load.
constexpr uint32_t kLoadLineCapacity = 16384;
// How long Lock waits between two tries.
constexpr unsigned kLockRetryMs = 100;

struct StringItem {
  WCHAR* text = nullptr;  // private copy, null for an empty item
  uint32_t data = 0;      // the caller's value
  bool packed = false;    // text lies in a packed block, not freed by itself
};

// A block of packed texts: each text NUL-terminated, one after the other.
// Blocks are chained from the newest and freed all at once with the items.
// A packed text is never freed by itself (deleting or replacing its item
// only drops the pointer) and a block is never reused, so an edited list
// keeps at most the space its bulk additions took.
struct PackedBlock {
  PackedBlock* older;
  size_t capacity;  // units of text room after the header
  size_t used;      // units taken
  WCHAR* text() { return reinterpret_cast<WCHAR*>(this + 1); }
};

// Room for the first item array of a list that lies in the list's own
// allocation (see makeWithPackedRoom); lent to the item vector at most
// once at a time.
struct ItemRoom {
  void* memory = nullptr;
  size_t capacity = 0;  // items
  bool isLent = false;
};

// The item vector's allocator: the list's item room when it is free and
// large enough, else the heap.
template <typename T>
struct ItemAllocator {
  using value_type = T;

  explicit ItemAllocator(ItemRoom* room) : room(room) {}
  template <typename U>
  ItemAllocator(const ItemAllocator<U>& other) : room(other.room) {}

  T* allocate(size_t n) {
    if (room->memory != nullptr && !room->isLent && n <= room->capacity) {
      room->isLent = true;
      return static_cast<T*>(room->memory);
    }
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* items, size_t n) {
    if (items == room->memory) {
      room->isLent = false;
      return;
    }
    std::allocator<T>().deallocate(items, n);
  }
  template <typename U>
  bool operator==(const ItemAllocator<U>& other) const {
    return room == other.room;
  }

  ItemRoom* room;  // the owning list's
};

// Packed blocks are at least this many units, so a list loaded line by line
// allocates once per block instead of once per line.
constexpr size_t kPackedBlockUnits = 16384;

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// The position of the first '=' in an item's text, or npos.
size_t equalsPosition(const WCHAR* text) {
  return text == nullptr ? std::u16string_view::npos : viewOf(text).find(u'=');
}

// Copies at most capacity - 1 characters of `text` into the buffer and
// terminates it. The caller has checked capacity >= 2.
void copyCut(std::u16string_view text, WCHAR* buffer, uint32_t capacity) {
  size_t n = std::min<size_t>(text.size(), capacity - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = u'\0';
}

// Splits text[0, end) into lines and hands each to addLine(begin, length).
// A line ends at the first CR of the rest of the text or, when the rest
// holds no CR, at its first LF; so CR LF, CR and LF each end a line, and a
// text with a CR after an LF keeps that LF inside a line. A final line break
// adds no empty line.
template <typename Char, typename AddLine>
void splitLines(const Char* text, size_t end, AddLine&& addLine) {
  std::basic_string_view<Char> all(text, end);
  size_t nextCr = all.find(Char('\r'));
  size_t pos = 0;
  while (pos < end) {
    if (nextCr != std::basic_string_view<Char>::npos && nextCr < pos) nextCr = all.find(Char('\r'), pos);
    size_t lineEnd = nextCr;
    if (lineEnd == std::basic_string_view<Char>::npos) lineEnd = all.find(Char('\n'), pos);
    if (lineEnd == std::basic_string_view<Char>::npos) lineEnd = end;
    addLine(text + pos, lineEnd - pos);
    pos = lineEnd;
    if (pos < end && text[pos] == Char('\r')) ++pos;
    if (pos < end && text[pos] == Char('\n')) ++pos;
  }
}

// The text ends at its first NUL or after `size` units.
template <typename Char>
size_t lengthUpToNul(const Char* text, size_t size) {
  return std::min(size, std::basic_string_view<Char>(text, size).find(Char(0)));
}

class IStringListImp final : public IStdDataInterfaceImp, public virtual IStringList {
public:
  IStringListImp() = default;

  // A list whose first item array (of `items` items) and first packed
  // block (of `units` units) share the list's own allocation: a list made
  // for a few packed texts (a CSV row) then costs one allocation instead of
  // three. Null when out of memory.
  static IStringListImp* makeWithPackedRoom(size_t items, size_t units) {
    const size_t itemBytes = items * sizeof(StringItem);
    void* memory =
        ::operator new(sizeof(IStringListImp) + itemBytes + sizeof(PackedBlock) + units * sizeof(WCHAR), std::nothrow);
    if (memory == nullptr) return nullptr;
    auto* list = new (memory) IStringListImp();
    list->itemRoom_.memory = list + 1;
    list->itemRoom_.capacity = items;
    list->packed_ = new (list->inlineBlockAddress()) PackedBlock{nullptr, units, 0};
    return list;
  }
  // Lists come from plain or from oversized allocations; both are freed by
  // the plain delete (the sized one would be told the wrong size).
  static void operator delete(void* memory) { ::operator delete(memory); }
  ~IStringListImp() override { freeAll(); }

  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  ZRESULT Add(const WCHAR* text, uint32_t* outIndex) override { return AddWithData(text, 0, outIndex); }
  ZRESULT AddWithData(const WCHAR* text, uint32_t data, uint32_t* outIndex) override {
    return AddNWithData(text, static_cast<uint32_t>(viewOf(text).size()), data, outIndex);
  }
  ZRESULT Append(const WCHAR* text) override { return AddWithData(text, 0, nullptr); }

  ZRESULT AddStrings(IStringList* other) override {
    if (other == nullptr) return ZR_BADARG;
    uint32_t count = other->GetCount();
    for (uint32_t i = 0; i < count; ++i) {
      const WCHAR* text = nullptr;
      uint32_t data = 0;
      if (ZRESULT r = other->GetStringPtr(i, &text); r != ZR_OK) return r;
      other->GetData(i, &data);
      if (ZRESULT r = AddWithData(text, data, nullptr); r != ZR_OK) return r;
    }
    return ZR_OK;
  }
  ZRESULT Assign(IStringList* other) override {
    Clear();
    return AddStrings(other);
  }
  ZRESULT Clear() override {
    freeAll();
    return ZR_OK;
  }
  ZRESULT Delete(uint32_t index) override {
    if (index >= items_.size()) return ZR_BADARG;
    releaseText(items_[index]);
    items_.erase(items_.begin() + index);
    return ZR_OK;
  }

  ZRESULT CompareNoCase(IStringList* other) override {
    if (other == nullptr) return ZR_NO;
    if (SameInterface(other)) return ZR_OK;
    if (other->GetCount() != items_.size()) return ZR_NO;
    const platform::CaseRules& rules = platform::userCaseRules();
    for (uint32_t i = 0; i < items_.size(); ++i) {
      const WCHAR* theirs = nullptr;
      if (other->GetStringPtr(i, &theirs) != ZR_OK) return ZR_NO;
      if (!rules.equalsIgnoreCase(viewOf(items_[i].text), viewOf(theirs))) return ZR_NO;
    }
    return ZR_OK;
  }

  // Same answers as the record list's SwapAt.
  ZRESULT Exchange(uint32_t i, uint32_t j) override {
    if (i >= items_.size()) return ZR_BADARG;
    if (i == j) return ZR_OK;
    if (j >= items_.size()) return ZR_BADARG;
    std::swap(items_[i], items_[j]);
    return ZR_OK;
  }

  ZRESULT IndexOf(const WCHAR* text, uint32_t* outIndex) override {
    const platform::CaseRules& rules = platform::userCaseRules();
    return findFirst(outIndex, [text, &rules](const StringItem& item) {
      if (item.text == nullptr || text == nullptr) return item.text == text;
      return rules.equalsIgnoreCase(item.text, text);
    });
  }
  ZRESULT IndexOfName(const WCHAR* name, uint32_t* outIndex) override {
    std::u16string_view key = viewOf(name);
    const platform::CaseRules& rules = platform::userCaseRules();
    return findFirst(outIndex, [key, &rules](const StringItem& item) {
      size_t equals = equalsPosition(item.text);
      if (equals == std::u16string_view::npos || equals != key.size()) return false;
      return rules.equalsIgnoreCase(viewOf(item.text).substr(0, equals), key);
    });
  }
  ZRESULT IndexOfData(uint32_t data, uint32_t* outIndex) override {
    return findFirst(outIndex, [data](const StringItem& item) { return item.data == data; });
  }

  ZRESULT Insert(uint32_t index, const WCHAR* text) override { return InsertWithData(index, text, 0); }
  ZRESULT InsertWithData(uint32_t index, const WCHAR* text, uint32_t data) override {
    if (index > items_.size()) return ZR_BADARG;
    std::u16string_view view = viewOf(text);
    return insertCopy(index, view.data(), view.size(), data);
  }

  ZRESULT LoadFromFile(const WCHAR* path) override;
  ZRESULT LoadFromStream(IFIOIStream*) override { return ZR_NOTSUPPORTED; }

  // Same answers as the record list's MoveAt.
  ZRESULT Move(uint32_t from, uint32_t to) override {
    if (from >= items_.size()) return ZR_BADARG;
    if (from == to) return ZR_OK;
    auto first = items_.begin();
    if (to >= items_.size())
      std::rotate(first + from, first + from + 1, items_.end());
    else if (from < to)  // lands before the item that stood at `to`
      std::rotate(first + from, first + from + 1, first + to);
    else
      std::rotate(first + to, first + from, first + from + 1);
    return ZR_OK;
  }

  ZRESULT SaveToFile(const WCHAR* path) override;
  ZRESULT SaveToStream(IFIOOStream*) override { return ZR_NOTSUPPORTED; }

  uint32_t GetCount() override { return static_cast<uint32_t>(items_.size()); }

  ZRESULT GetString(uint32_t index, WCHAR* buffer, uint32_t capacity) override {
    if (ZRESULT r = prepareBuffer(index, buffer, capacity); r != ZR_OK) return r;
    copyCut(viewOf(items_[index].text), buffer, capacity);
    return ZR_OK;
  }
  ZRESULT SetString(uint32_t index, const WCHAR* text) override {
    if (index >= items_.size()) return ZR_BADARG;
    std::u16string_view view = viewOf(text);
    WCHAR* copy = nullptr;
    if (!copyText(view.data(), view.size(), &copy)) return ZR_OUTOFMEMORY;
    releaseText(items_[index]);
    items_[index].text = copy;
    return ZR_OK;
  }
  ZRESULT GetStringPtr(uint32_t index, const WCHAR** outText) override {
    if (outText == nullptr) return ZR_BADARG;
    *outText = nullptr;
    if (index >= items_.size()) return ZR_BADARG;
    *outText = items_[index].text == nullptr ? kEmptyText : items_[index].text;
    return ZR_OK;
  }

  ZRESULT GetName(uint32_t index, WCHAR* buffer, uint32_t capacity) override {
    if (ZRESULT r = prepareBuffer(index, buffer, capacity); r != ZR_OK) return r;
    size_t equals = equalsPosition(items_[index].text);
    if (equals != std::u16string_view::npos) copyCut(viewOf(items_[index].text).substr(0, equals), buffer, capacity);
    return ZR_OK;
  }
  ZRESULT SetName(uint32_t, const WCHAR*) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetValue(uint32_t index, WCHAR* buffer, uint32_t capacity) override {
    if (ZRESULT r = prepareBuffer(index, buffer, capacity); r != ZR_OK) return r;
    size_t equals = equalsPosition(items_[index].text);
    if (equals != std::u16string_view::npos) copyCut(viewOf(items_[index].text).substr(equals + 1), buffer, capacity);
    return ZR_OK;
  }
  ZRESULT SetValue(uint32_t, const WCHAR*) override { return ZR_NOTSUPPORTED; }
  ZRESULT GetValueOfName(const WCHAR* name, WCHAR* buffer, uint32_t capacity) override {
    if (buffer == nullptr || capacity == 0) return ZR_BADARG;
    buffer[0] = u'\0';
    if (capacity == 1) return ZR_BADARG;
    uint32_t index = kNoStringIndex;
    if (ZRESULT r = IndexOfName(name, &index); r != ZR_OK) return r;
    return GetValue(index, buffer, capacity);
  }
  ZRESULT SetValueOfName(const WCHAR*, const WCHAR*) override { return ZR_NOTSUPPORTED; }

  ZRESULT GetData(uint32_t index, uint32_t* outData) override {
    if (outData == nullptr) return ZR_BADARG;
    *outData = 0;
    if (index >= items_.size()) return ZR_BADARG;
    *outData = items_[index].data;
    return ZR_OK;
  }
  ZRESULT SetData(uint32_t index, uint32_t data) override {
    if (index >= items_.size()) return ZR_BADARG;
    items_[index].data = data;
    return ZR_OK;
  }
  ZRESULT IsEmpty() override { return items_.empty() ? ZR_OK : ZR_NO; }

  ZRESULT GetMaxLength(uint32_t* outLength, uint32_t count, uint32_t tabWidth) override {
    if (outLength == nullptr) return ZR_BADARG;
    size_t examined = (count == 0 || count > items_.size()) ? items_.size() : count;
    uint64_t longest = 0;
    for (size_t i = 0; i < examined; ++i) {
      std::u16string_view text = viewOf(items_[i].text);
      uint64_t length = text.size();
      if (tabWidth != 0)
        length += uint64_t{tabWidth} * static_cast<uint64_t>(std::count(text.begin(), text.end(), u'\t'));
      longest = std::max(longest, length);
    }
    *outLength = static_cast<uint32_t>(std::min<uint64_t>(longest, 0xFFFFFFFFu));
    return ZR_OK;
  }

  ZRESULT AddN(const WCHAR* text, uint32_t length, uint32_t* outIndex) override {
    return AddNWithData(text, length, 0, outIndex);
  }
  ZRESULT AddNWithData(const WCHAR* text, uint32_t length, uint32_t data, uint32_t* outIndex) override {
    uint32_t index = static_cast<uint32_t>(items_.size());
    if (outIndex != nullptr) *outIndex = index;
    ZRESULT r = insertCopy(index, text, text == nullptr ? 0 : length, data);
    if (r != ZR_OK && outIndex != nullptr) *outIndex = kNoStringIndex;
    return r;
  }

  // The resource is UTF-16 text; it ends at its first NUL or at the end of
  // the resource's bytes, so one without a terminator is never read past.
  ZRESULT LoadFromResource(HINSTANCE module, const WCHAR* name, const WCHAR* type) override {
    Clear();
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr) return ZR_FAILED;
    const DWORD size = SizeofResource(module, resource);
    if (size == 0) return ZR_OK;  // an empty text: no lines, and no bytes to load
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    if (bytes == nullptr) return ZR_FAILED;
    addWideBytesLines(bytes, size);
    return ZR_OK;
  }
  ZRESULT SetText(const WCHAR* text) override {
    Clear();
    if (text != nullptr) addWideLines(text, viewOf(text).size());
    return ZR_OK;
  }

  ZRESULT RemoveShort(int32_t minLength, bool trimSpaces) override {
    size_t shortest = minLength < 0 ? 0 : static_cast<size_t>(minLength);
    for (uint32_t i = 0; i < items_.size();) {
      std::u16string_view text = viewOf(items_[i].text);
      if (trimSpaces) {
        size_t first = text.find_first_not_of(u' ');
        text = first == std::u16string_view::npos ? std::u16string_view()
                                                  : text.substr(first, text.find_last_not_of(u' ') - first + 1);
      }
      if (text.empty() || text.size() < shortest)
        Delete(i);
      else
        ++i;
    }
    return ZR_OK;
  }

  ZRESULT LoadFromBuffer(const void* data, bool isWide, uint32_t size) override {
    Clear();
    if (data == nullptr) return ZR_OK;
    if (isWide) {
      addWideBytesLines(data, size);
      return ZR_OK;
    }
    const char* bytes = static_cast<const char*>(data);
    splitLines(bytes, lengthUpToNul(bytes, size), [this](const char* line, size_t length) {
      CLWideStr wide(LStrAllocFromASzStrW(line, static_cast<int>(length)), /*owns=*/true);
      AddN(wide.c_str(), static_cast<uint32_t>(wide.Length()), nullptr);
    });
    return ZR_OK;
  }

  ZRESULT Lock(const WCHAR* owner) override {
    while (!lock_.try_lock()) zefCoreKSleep(kLockRetryMs);
    noteOwner(owner);
    return ZR_OK;
  }
  ZRESULT TryLock(const WCHAR* owner) override {
    if (!lock_.try_lock()) return ZR_NO;
    noteOwner(owner);
    return ZR_OK;
  }
  ZRESULT Unlock() override {
    noteOwner(nullptr);
    lock_.unlock();
    return ZR_OK;
  }

private:
  // Makes the private copy of an item's text: null for an empty text.
  static bool copyText(const WCHAR* text, size_t length, WCHAR** out) {
    *out = nullptr;
    if (text == nullptr || length == 0) return true;
    *out = new (std::nothrow) WCHAR[length + 1];
    if (*out == nullptr) return false;
    std::copy_n(text, length, *out);
    (*out)[length] = u'\0';
    return true;
  }

  ZRESULT insertCopy(size_t index, const WCHAR* text, size_t length, uint32_t data) {
    StringItem item{nullptr, data};
    if (!copyText(text, length, &item.text)) return ZR_OUTOFMEMORY;
    try {
      items_.insert(items_.begin() + static_cast<ptrdiff_t>(index), item);
    } catch (const std::bad_alloc&) {
      delete[] item.text;
      return ZR_OUTOFMEMORY;
    }
    return ZR_OK;
  }

public:
  // Bulk additions, see PackedStringList.h.
  bool reservePacked(size_t items, size_t units) {
    try {
      items_.reserve(items_.size() + items);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return units == 0 || hasPackedRoom(units) || addPackedBlock(units);
  }
  WCHAR* pack(std::u16string_view text) {
    if (!hasPackedRoom(text.size() + 1) && !addPackedBlock(std::max(text.size() + 1, kPackedBlockUnits)))
      return nullptr;
    WCHAR* copy = packed_->text() + packed_->used;
    std::copy_n(text.data(), text.size(), copy);
    copy[text.size()] = u'\0';
    packed_->used += text.size() + 1;
    return copy;
  }
  WCHAR* packedRoom(size_t units) {
    if (!hasPackedRoom(units) && !addPackedBlock(std::max(units, kPackedBlockUnits))) return nullptr;
    return packed_->text() + packed_->used;
  }
  ZRESULT addPackedRoom(size_t length) {
    WCHAR* text = packed_->text() + packed_->used;
    text[length] = u'\0';
    packed_->used += length + 1;
    return addPacked(text, length);
  }
  ZRESULT addPacked(std::u16string_view text) {
    if (text.empty()) return addPacked(nullptr, 0);
    WCHAR* copy = pack(text);
    return copy == nullptr ? ZR_OUTOFMEMORY : addPacked(copy, text.size());
  }
  ZRESULT addPacked(WCHAR* copy, size_t length) {
    StringItem item{nullptr, 0, true};
    if (length > 0) {
      item.text = copy;
      item.text[length] = u'\0';
    }
    try {
      items_.push_back(item);
    } catch (const std::bad_alloc&) {
      return ZR_OUTOFMEMORY;  // the packed copy goes with its block
    }
    return ZR_OK;
  }

private:
  bool hasPackedRoom(size_t units) const { return packed_ && packed_->capacity - packed_->used >= units; }
  bool addPackedBlock(size_t units) {
    void* memory = ::operator new(sizeof(PackedBlock) + units * sizeof(WCHAR), std::nothrow);
    if (memory == nullptr) return false;
    packed_ = new (memory) PackedBlock{packed_, units, 0};
    return true;
  }
  static void releaseText(StringItem& item) {
    if (!item.packed) delete[] item.text;
    item.text = nullptr;
    item.packed = false;
  }

  // The common checks of the buffer readers: clears the buffer first.
  ZRESULT prepareBuffer(uint32_t index, WCHAR* buffer, uint32_t capacity) {
    if (buffer == nullptr || capacity == 0) return ZR_BADARG;
    buffer[0] = u'\0';
    if (capacity == 1 || index >= items_.size()) return ZR_BADARG;
    return ZR_OK;
  }

  template <typename Matches>
  ZRESULT findFirst(uint32_t* outIndex, Matches&& matches) {
    if (outIndex == nullptr) return ZR_BADARG;
    auto found = std::find_if(items_.begin(), items_.end(), matches);
    if (found == items_.end()) {
      *outIndex = kNoStringIndex;
      return ZR_NO;
    }
    *outIndex = static_cast<uint32_t>(found - items_.begin());
    return ZR_OK;
  }

  void addWideLines(const WCHAR* text, size_t end) {
    splitLines(text, end,
               [this](const WCHAR* line, size_t length) { AddN(line, static_cast<uint32_t>(length), nullptr); });
  }

  // Bytes of UTF-16LE text, which is the host's own order here; the text
  // ends at its first NUL or its last whole unit (an odd last byte is
  // ignored). Copied out so the units are aligned.
  void addWideBytesLines(const void* bytes, size_t size) {
    std::u16string units(size / sizeof(char16_t), u'\0');
    std::memcpy(units.data(), bytes, units.size() * sizeof(char16_t));
    addWideLines(units.data(), lengthUpToNul(units.data(), units.size()));
  }

  void noteOwner(const WCHAR* owner) {
    try {
      ownerName_.assign(viewOf(owner));
    } catch (const std::bad_alloc&) {
      ownerName_.clear();  // the name is a note only; the lock holds without it
    }
  }

  void freeAll() {
    for (StringItem& item : items_) releaseText(item);
    items_.clear();
    while (packed_ != nullptr) {
      PackedBlock* block = std::exchange(packed_, packed_->older);
      if (block != inlineBlockAddress()) ::operator delete(block);
    }
  }
  // Where makeWithPackedRoom puts the first block: after the list and its
  // item room.
  void* inlineBlockAddress() { return reinterpret_cast<StringItem*>(this + 1) + itemRoom_.capacity; }

  ItemRoom itemRoom_;  // before items_, which may use it
  std::vector<StringItem, ItemAllocator<StringItem>> items_{ItemAllocator<StringItem>(&itemRoom_)};  // in order
  PackedBlock* packed_ = nullptr;  // newest block of packed texts, or null
  std::recursive_mutex lock_;      // taken by Lock/TryLock, left by Unlock
  // Who took the lock last; empty when free. A plain string, so that the
  // many lists that are never locked (one per CSV row) allocate nothing for it.
  std::u16string ownerName_;
};

static_assert(sizeof(IStringListImp) % alignof(StringItem) == 0 && sizeof(StringItem) % alignof(PackedBlock) == 0,
              "the item room and the block after a list are aligned");

// Releases a stream made by the factory when the load or save ends.
template <typename Stream>
struct StreamHolder {
  Stream* stream = nullptr;
  ~StreamHolder() {
    if (stream == nullptr) return;
    stream->Close();
    stream->Release();
  }
};

ZRESULT IStringListImp::LoadFromFile(const WCHAR* path) {
  Clear();
  StreamHolder<IFIOIBufferedStream> holder;
  if (zefCoreKAllocIntf(&CLSID_IFIOIBufferedStreamImp, reinterpret_cast<void**>(&holder.stream), 0) != S_OK)
    return ZR_FAILED;
  IFIOIBufferedStream* stream = holder.stream;
  if (ZRESULT r = stream->SetName(path); r != ZR_OK) return r;
  if (ZRESULT r = stream->Open(0); r != ZR_OK) return r;
  std::vector<WCHAR> line(kLoadLineCapacity);
  while (stream->AtEnd() == ZR_NO) {
    uint32_t length = 0;
    if (ZRESULT r = stream->ReadText(line.data(), kLoadLineCapacity, &length); r != ZR_OK) return r;
    if (ZRESULT r = AddN(line.data(), length, nullptr); r != ZR_OK) return r;
  }
  return ZR_OK;
}

ZRESULT IStringListImp::SaveToFile(const WCHAR* path) {
  StreamHolder<IFIOOStream> holder;
  if (zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, reinterpret_cast<void**>(&holder.stream), 0) != S_OK) return ZR_FAILED;
  IFIOOStream* stream = holder.stream;
  if (ZRESULT r = stream->SetName(path); r != ZR_OK) return r;
  if (ZRESULT r = stream->Open(0); r != ZR_OK) return r;
  for (const StringItem& item : items_) {
    if (ZRESULT r = stream->WriteText(item.text == nullptr ? kEmptyText : item.text, -1); r != ZR_OK) return r;
  }
  return ZR_OK;
}

}  // namespace

IStringList::~IStringList() = default;

void* zefcorek::makeIStringListImp(intptr_t) { return static_cast<IStringList*>(new (std::nothrow) IStringListImp()); }

zefcorek::PackedStringListBuilder::PackedStringListBuilder() {
  auto* imp = new (std::nothrow) IStringListImp();
  imp_ = imp;
  list_ = imp;
}

zefcorek::PackedStringListBuilder::PackedStringListBuilder(size_t items, size_t units) {
  IStringListImp* imp = IStringListImp::makeWithPackedRoom(items, units);
  imp_ = imp;
  list_ = imp;
}

zefcorek::PackedStringListBuilder::~PackedStringListBuilder() {
  if (list_ != nullptr) list_->Release();
}

bool zefcorek::PackedStringListBuilder::reserve(size_t items, size_t units) {
  return static_cast<IStringListImp*>(imp_)->reservePacked(items, units);
}

ZRESULT zefcorek::PackedStringListBuilder::add(std::u16string_view text) {
  return static_cast<IStringListImp*>(imp_)->addPacked(text);
}

WCHAR* zefcorek::PackedStringListBuilder::pack(std::u16string_view text) {
  return static_cast<IStringListImp*>(imp_)->pack(text);
}

ZRESULT zefcorek::PackedStringListBuilder::addPacked(WCHAR* copy, size_t length) {
  return static_cast<IStringListImp*>(imp_)->addPacked(copy, length);
}

ZRESULT zefcorek::PackedStringListBuilder::addPackedPieces(WCHAR* copy, const PackedPiece* pieces, size_t count) {
  auto* imp = static_cast<IStringListImp*>(imp_);
  for (size_t i = 0; i < count; ++i) {
    if (const ZRESULT r = imp->addPacked(copy + pieces[i].offset, pieces[i].length); r != ZR_OK) return r;
  }
  return ZR_OK;
}

WCHAR* zefcorek::PackedStringListBuilder::room(size_t units) {
  return static_cast<IStringListImp*>(imp_)->packedRoom(units);
}

ZRESULT zefcorek::PackedStringListBuilder::addRoom(size_t length) {
  return static_cast<IStringListImp*>(imp_)->addPackedRoom(length);
}

IStringList* zefcorek::PackedStringListBuilder::take() {
  imp_ = nullptr;
  return std::exchange(list_, nullptr);
}
