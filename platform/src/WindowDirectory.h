// The per-user window directory: how top-level windows of one process are
// found and raised by another process of the same user.
//
// The directory is "windows" in the runtime folder (mode 0700). Each titled
// top-level window keeps two entries there, named after its process and
// handle ("<pid>-<handle>"):
//   <name>.win   text: the process start time (clock ticks since boot, from
//                /proc/<pid>/stat), a line break, the title in UTF-8
//   <name>.sock  a Unix datagram socket bound by the window's thread
// An entry whose process is gone, or whose process id now belongs to a
// process started at another time, is stale: readers ignore and remove it.
// A request to raise a window is the datagram "activate" sent to its socket;
// the receiver accepts it only from a sender of its own user (checked on the
// kernel's credentials of the datagram, not on the directory's rights alone).
#pragma once

#include "platform/WinTypes.h"

#include <string>
#include <string_view>

namespace platform {

class MessageQueue;

// A fresh window handle: handles are never reused within a process.
HWND allocateWindowHandle();

// Publishes a top-level window (its socket joins `queue`); false when the
// directory or the socket cannot be made, and the window stays unlisted.
bool publishWindow(HWND window, std::u16string_view title, MessageQueue& queue);
// Rewrites the title of a published window.
void retitleWindow(HWND window, std::u16string_view title);
// Removes the window's entries (its socket leaves `queue`).
void withdrawWindow(HWND window, MessageQueue& queue);

// The handle standing for a window of another process with that title, or
// null when none is listed.
HWND findPublishedWindow(std::u16string_view title);
// True when `window` stands for a window of another process; `sent` then
// tells whether the request went out.
bool sendActivationIfRemote(HWND window, bool* sent);

enum class ActivationReceipt {
  kNone,      // nothing more to read
  kAccepted,  // a request from our own user
  kRefused,   // another user's datagram or a malformed one, dropped
};
// Reads one datagram from an activation socket without waiting.
ActivationReceipt receiveActivationRequest(int socket);

}  // namespace platform
