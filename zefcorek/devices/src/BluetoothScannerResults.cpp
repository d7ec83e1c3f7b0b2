// The scanner's result lists: doubly linked entries the library allocates.
#include "zefcorek/BluetoothScanner.h"

#include "platform/Utf16.h"

#include <cstring>
#include <new>
#include <string_view>

namespace {

void append(TBluetoothScannerResults& list, TBluetoothScannerResEntry* entry) {
  entry->Prev = list.Last;
  entry->Next = nullptr;
  if (list.Last != nullptr) list.Last->Next = entry;
  if (list.First == nullptr) list.First = entry;
  list.Last = entry;
  ++list.Count;
}

void unlink(TBluetoothScannerResults& list, TBluetoothScannerResEntry* entry) {
  if (entry->Prev != nullptr) entry->Prev->Next = entry->Next;
  if (entry->Next != nullptr) entry->Next->Prev = entry->Prev;
  if (list.First == entry) list.First = entry->Next;
  if (list.Last == entry) list.Last = entry->Prev;
  entry->Prev = entry->Next = nullptr;
  --list.Count;
}

TBluetoothScannerResEntry* copyOf(const TBluetoothScannerResEntry& entry) {
  auto* made = new (std::nothrow) TBluetoothScannerResEntry(entry);
  if (made != nullptr) made->Prev = made->Next = nullptr;
  return made;
}

}  // namespace

HRESULT InitBluetoothScannerResults(TBluetoothScannerResults* results) {
  if (results == nullptr) return E_INVALIDARG;
  std::memset(results, 0, sizeof *results);
  results->LastError = -1;
  return S_OK;
}

HRESULT CleanUpBluetoothScannerResults(TBluetoothScannerResults* results) {
  if (results == nullptr) return E_INVALIDARG;
  if (results->Count != 0 && results->First != nullptr && results->Last != nullptr) {
    TBluetoothScannerResEntry* entry = results->Last;
    while (entry != nullptr) {
      TBluetoothScannerResEntry* previous = entry->Prev;
      delete entry;
      entry = previous;
    }
  }
  results->Count = 0;
  results->First = nullptr;
  results->Last = nullptr;
  return S_OK;
}

HRESULT CloneBluetoothScannerResults(const TBluetoothScannerResults* source, TBluetoothScannerResults* target) {
  if (source == nullptr || target == nullptr) return E_INVALIDARG;
  (void)InitBluetoothScannerResults(target);
  target->Flags = source->Flags;
  target->LastError = source->LastError;
  std::memcpy(target->ProtocolInfo, source->ProtocolInfo, sizeof target->ProtocolInfo);
  for (const TBluetoothScannerResEntry* entry = source->First; entry != nullptr; entry = entry->Next) {
    if (TBluetoothScannerResEntry* copy = copyOf(*entry)) append(*target, copy);
  }
  return S_OK;
}

TBluetoothScannerResEntry* FindResEntryInBluetoothScannerResults(const TBluetoothScannerResults* results,
                                                                 const TBluetoothScannerResEntry* entry) {
  if (results == nullptr || entry == nullptr) return nullptr;
  const std::u16string_view name(entry->Name);
  for (TBluetoothScannerResEntry* candidate = results->First; candidate != nullptr; candidate = candidate->Next) {
    if (platform::equalsIgnoreCase(std::u16string_view(candidate->Name), name)) return candidate;
  }
  return nullptr;
}

HRESULT RemoveAddOrUpdateBluetoothScannerResults(TBluetoothResultsMerge* merge) {
  if (merge == nullptr) return E_INVALIDARG;
  merge->Added = merge->Updated = merge->Removed = 0;
  if (merge->Source == nullptr || merge->Target == nullptr) return E_INVALIDARG;
  TBluetoothScannerResults& target = *merge->Target;

  for (const TBluetoothScannerResEntry* entry = merge->Source->First; entry != nullptr; entry = entry->Next) {
    TBluetoothScannerResEntry* known = FindResEntryInBluetoothScannerResults(&target, entry);
    if (known == nullptr) {
      TBluetoothScannerResEntry* copy = copyOf(*entry);
      if (copy == nullptr) continue;
      append(target, copy);
      if (merge->Callback != nullptr) merge->Callback(copy, 1, merge->User);
      ++merge->Added;
      continue;
    }
    if (known->Paired == entry->Paired && known->Remembered == entry->Remembered &&
        known->Connected == entry->Connected) {
      continue;
    }
    known->Paired = entry->Paired;
    known->Remembered = entry->Remembered;
    known->Connected = entry->Connected;
    ++merge->Updated;
  }

  if (merge->RemoveMissing == 0) return S_OK;
  TBluetoothScannerResEntry* entry = target.First;
  while (entry != nullptr) {
    TBluetoothScannerResEntry* next = entry->Next;
    if (FindResEntryInBluetoothScannerResults(merge->Source, entry) == nullptr) {
      if (merge->Callback != nullptr) merge->Callback(entry, 0, merge->User);
      unlink(target, entry);
      delete entry;
      ++merge->Removed;
    }
    entry = next;
  }
  return S_OK;
}
