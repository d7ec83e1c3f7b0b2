// The records of the tool framework: events a host feeds to its tools,
// notifications and requests a tool sends back through the tool manager,
// and the manager's own notifications to its owner.
//
// All are sized records (first field cbSize). The framework checks only the
// size and the type or code; the fields behind the headers belong to the
// host and its tools. Records that hold a pointer are laid out naturally and
// their minimum sizes are the sizeof of these definitions; records without
// one keep their fixed sizes as named constants.
#pragma once

#include "zefcorek/GeoTypes.h"

#include <cstddef>
#include <cstdint>

struct ITool;

// --- events --------------------------------------------------------------------

// An event: cbSize, type, then the type's fields (the host's).
struct ToolEventHdr {
  uint32_t cbSize;
  uint32_t type;
};

enum ToolEventType : uint32_t {
  kToolEventMouseDown = 0,
  kToolEventMouseMove = 1,
  kToolEventMouseUp = 2,
  kToolEventMouseClick = 3,
  kToolEventKeyDown = 4,
  kToolEventDocDisplay = 5,
  kToolEventDoAction = 6,
};

// The records of the event types; their fields beyond the header are agreed
// between the host and its tools, so the framework sees the header only.
using ToolEventMouseDown = ToolEventHdr;
using ToolEventMouseMove = ToolEventHdr;
using ToolEventMouseUp = ToolEventHdr;
using ToolEventMouseClick = ToolEventHdr;
using ToolEventKeyDown = ToolEventHdr;
using ToolEventDocDisplay = ToolEventHdr;
using ToolEventDoAction = ToolEventHdr;

// Minimum cbSize per event type (the records hold no pointer).
inline constexpr uint32_t kToolEventMouseMinSize = 120;
inline constexpr uint32_t kToolEventKeyMinSize = 20;
inline constexpr uint32_t kToolEventDisplayMinSize = 12;
inline constexpr uint32_t kToolEventActionMinSize = 76;
inline constexpr uint32_t kToolEventHdrMinSize = 8;

// The coordinates of an event, as the host defines them. A fresh one holds
// two -1 pixel coordinates and zeros elsewhere; the tool base copies it whole.
struct ToolEventCoords {
  int32_t pixelX = -1;
  int32_t pixelY = -1;
  double values[5] = {};
  uint8_t flags = 0;  // bits 0 and 1 clear in a fresh record
  uint8_t padding[7] = {};
  uint8_t block[32] = {};
  uint8_t reserved[16] = {};
};
static_assert(sizeof(ToolEventCoords) == 104);
static_assert(offsetof(ToolEventCoords, flags) == 48);

// --- notifications ---------------------------------------------------------------

// A tool's notification to its manager: cbSize, code, and a pointer-sized
// field that only code 5 uses.
struct ToolNotificationHdr {
  uint32_t cbSize;
  uint32_t code;
  ToolEventHdr* event;  // code 5: the event about to be handled; else null
};

enum ToolNotificationCode : uint32_t {
  kToolNotifyActivated = 0,
  kToolNotifyDeactivated = 1,
  kToolNotifyPhaseChanged = 2,
  kToolNotifyActionDone = 3,
  kToolNotifyEventAnnounced = 5,
  kToolNotifyEndOfCycle = 6,
};

// Code 5: the header, then the option bit that asked for the announcement
// (1 mouse down, 2 mouse up, 4 mouse move).
struct ToolEventNotification {
  ToolNotificationHdr hdr;
  uint32_t optionBit;
};

inline constexpr uint32_t kToolNotificationMinSize = sizeof(ToolNotificationHdr);
inline constexpr uint32_t kToolEventNotificationSize = sizeof(ToolEventNotification);

// A redraw request: contents of the tool's and the host's; forwarded only.
struct ToolDrawRequestHdr {
  uint32_t cbSize;
  uint32_t kind;
  uint32_t data;
};
inline constexpr uint32_t kToolDrawRequestMinSize = 12;

// --- information requests ----------------------------------------------------------

struct ToolInfoRequestHdr {
  uint32_t cbSize;
  uint32_t kind;
};
inline constexpr uint32_t kToolInfoRequestMinSize = 8;
inline constexpr uint32_t kToolInfoMinTrackSize = 0;
inline constexpr uint32_t kToolInfoAcceptPoint = 1;

// Kind 0: the host fills the minimum tracking size.
struct ToolInfoMinTrackSize {
  ToolInfoRequestHdr hdr;
  tagT_POINT3D size;
};
static_assert(sizeof(ToolInfoMinTrackSize) == 32);

// Kind 1: the host may change the coordinates of a point it is asked about.
struct ToolInfoAcceptPoint {
  ToolInfoRequestHdr hdr;
  ToolEventCoords coords;
};
static_assert(sizeof(ToolInfoAcceptPoint) == 112);

// --- the manager's notifications to its owner ------------------------------------------

struct ToolMgrNotificationHdr {
  uint32_t cbSize;
  uint32_t code;  // 0 a tool was activated, 1 a tool was deactivated
  uint32_t toolId;
  ITool* tool;
};
inline constexpr uint32_t kToolMgrNotificationSize = sizeof(ToolMgrNotificationHdr);
inline constexpr uint32_t kToolMgrActivated = 0;
inline constexpr uint32_t kToolMgrDeactivated = 1;

// Result of a hook or announcement that did not handle the call: the caller
// goes on as on 0.
inline constexpr int32_t kToolNotHandled = 0x15;
// "No identifier".
inline constexpr uint32_t kNoToolId = 0xFFFFFFFF;
