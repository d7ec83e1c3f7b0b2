// The Bluetooth device scanner: a thread that repeats device inquiries and
// appends every device it accepts to a result list the host owns, and the
// functions that keep such lists (free, clone, find, merge).
//
// The scanner thread appends without a lock and calls the host's callback
// on itself; the host reads or changes the list from the callback or while
// the scanner is paused. Records are in their 64-bit layout; each notes the
// size it has on the 32-bit system.
//
// Events of the callback: 1 an inquiry is about to begin; 0 it began;
// 2 a device was accepted (the list's last entry); 3 the inquiry ended
// (twice at a normal end). An answer of 0 ends the scanner.
#pragma once

#include "zefcorek/Bluetooth.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// 656 bytes (648 on the 32-bit system).
struct TBluetoothScannerResults {
  uint32_t Flags;             // bit 0: the radio stack answered
  int32_t LastError;          // -1 after initialisation; 0 after a normal inquiry; else the sockets error
  uint8_t ProtocolInfo[628];  // the RFCOMM socket's WSAPROTOCOL_INFOW
  uint32_t Count;
  TBluetoothScannerResEntry* First;
  TBluetoothScannerResEntry* Last;
};
static_assert(offsetof(TBluetoothScannerResults, ProtocolInfo) == 8);
static_assert(offsetof(TBluetoothScannerResults, Count) == 636);
static_assert(offsetof(TBluetoothScannerResults, First) == 640);
static_assert(offsetof(TBluetoothScannerResults, Last) == 648);
static_assert(sizeof(TBluetoothScannerResults) == 656);

using BluetoothScannerCallback = int (*)(int event, TBluetoothScannerResults* results, void* user);
using BluetoothScannerIdleFunc = void (*)(void* user);

// The host's control block: 48 bytes (24 on the 32-bit system).
struct TBluetoothScannerCtl {
  TBluetoothScannerResults* Results;  // required
  uint8_t Repeat;                     // 0: one inquiry
  BluetoothScannerCallback Callback;  // may be null
  void* User;
  uint32_t Filter;  // 0 every device; 1 devices with the serial port service; other: none
  void* Thread;     // set by InitBluetoothScanner, cleared by ShutDownBluetoothScanner
};
static_assert(offsetof(TBluetoothScannerCtl, Callback) == 16);
static_assert(offsetof(TBluetoothScannerCtl, Filter) == 32);
static_assert(offsetof(TBluetoothScannerCtl, Thread) == 40);
static_assert(sizeof(TBluetoothScannerCtl) == 48);

using BluetoothMergeCallback = void (*)(TBluetoothScannerResEntry* entry, int added, void* user);

// 48 bytes (32 on the 32-bit system).
struct TBluetoothResultsMerge {
  TBluetoothScannerResults* Source;  // the fresh list
  TBluetoothScannerResults* Target;  // the kept list
  BluetoothMergeCallback Callback;   // may be null
  void* User;
  uint8_t RemoveMissing;
  uint32_t Added;
  uint32_t Updated;
  uint32_t Removed;
};
static_assert(offsetof(TBluetoothResultsMerge, RemoveMissing) == 32);
static_assert(offsetof(TBluetoothResultsMerge, Added) == 36);
static_assert(offsetof(TBluetoothResultsMerge, Removed) == 44);
static_assert(sizeof(TBluetoothResultsMerge) == 48);

// Zeroes the list, last error -1. Entries it held are forgotten, not freed.
ZEF_EXTERN_C HRESULT InitBluetoothScannerResults(TBluetoothScannerResults* results);
// Frees every entry (from the last back) and empties the list; flags, error
// and protocol information stay.
ZEF_EXTERN_C HRESULT CleanUpBluetoothScannerResults(TBluetoothScannerResults* results);
// Initialises the target (forgetting its entries) and copies the source
// into it, entries in order.
ZEF_EXTERN_C HRESULT CloneBluetoothScannerResults(const TBluetoothScannerResults* source,
                                                  TBluetoothScannerResults* target);
// The first entry whose name equals the entry's, ignoring case; or null.
ZEF_EXTERN_C TBluetoothScannerResEntry* FindResEntryInBluetoothScannerResults(const TBluetoothScannerResults* results,
                                                                              const TBluetoothScannerResEntry* entry);
// Adds the source's new devices to the target (callback with 1), updates
// the paired, remembered and connected flags of known ones, and removes
// devices gone from the source when asked (callback with 0, then freed).
ZEF_EXTERN_C HRESULT RemoveAddOrUpdateBluetoothScannerResults(TBluetoothResultsMerge* merge);

ZEF_EXTERN_C HRESULT InitBluetoothScanner(TBluetoothScannerCtl* ctl);
ZEF_EXTERN_C HRESULT StartBluetoothScanner(TBluetoothScannerCtl* ctl);
// S_OK while the scanner runs, S_FALSE once it has ended.
ZEF_EXTERN_C HRESULT IsBluetoothScannerStillRunning(TBluetoothScannerCtl* ctl);
// Returns once the scanner rests between inquiries (or has ended); `idle`
// (or the library's message pump) runs every 100 ms meanwhile.
ZEF_EXTERN_C HRESULT PauseBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user);
ZEF_EXTERN_C HRESULT ResumeBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user);
// Ends the scanner (cooperatively: it stops at its next step) and frees it.
ZEF_EXTERN_C HRESULT ShutDownBluetoothScanner(TBluetoothScannerCtl* ctl, BluetoothScannerIdleFunc idle, void* user);
