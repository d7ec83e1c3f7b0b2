// The records of the display list: the operation record and its block, the
// references to operation records, the client's group record, and the
// execution parameters.
//
// Operations are recorded 256 to a block. A block is the record of one node
// of a record list; its first field is that node's handle, so a record is
// named by (block node, index in block). Operation records are 48 bytes,
// packed and byte-aligned: a kind byte, then the fields of the kind, unused
// bytes zero. On 64-bit the node handles, the hatch handle and the text
// copies are pointer-sized, which makes the BeginGroup record 44 bytes long
// (the 32-bit layout filled exactly 40).
//
//   kind  operation     fields after the kind byte (offset from the record start)
//   0     deleted       none
//   2     PenColor      colour u32 @1
//   3     PenWidth      width i32 @1
//   4     PenStyle      style u32 @1
//   5     MoveTo        x i32 @1, y i32 @5, flags u8 @9 (bit 0 pen down)
//   6     BeginGroup    refs 16 @1, flags u8 @17 (bit 0 selected, 1 has
//                       subgroups, 2 outside at the last execution), box
//                       4 × i32 @18, end node @34, end index u16 @42
//   7     EndGroup      begin node @1, begin index u16 @9
//   8     BeginHatch    hatch handle @1, value u32 @9, angle f32 @13, scale
//                       f32 @17, box 4 × i32 @21
//   9     HatchVertex   loop u32 @1, first tag u16 @5, second tag u16 @7,
//                       x i32 @9, y i32 @13
//   10    EndHatch      none
//   11    Text2P        x i32 @1, y i32 @5, text copy @9, font copy @17
//
// Packed fields are read and written through whole-record copies (loadOp /
// storeOp) and then used by value: never bind a reference (or a function
// taking one, such as std::min) to a packed member, whose address may be
// misaligned.
#pragma once

#include "zefcorek/HatchJob.h"
#include "zefcorek/RecList.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

struct IDispListTarget;

// The client's four values naming a group; searches compare only the first.
struct TDispListGroupAppRefs {
  uint32_t values[4];
};
static_assert(sizeof(TDispListGroupAppRefs) == 16);

// How a client names a group and how the display list reports one.
struct TDispListOpInfo {
  uint32_t cbSize;
  TDispListGroupAppRefs refs;
  TRecListNodeType_Dummy* beginNode;  // block node of the BeginGroup record
  uint32_t beginIndex;                // its index in the block
  int32_t minX, minY, maxX, maxY;
};
inline constexpr uint32_t kDispListOpInfoSize = sizeof(TDispListOpInfo);

// A font as the drawing target knows it; copied whole, never read.
struct DLFontDef {
  uint8_t bytes[132];
};
static_assert(sizeof(DLFontDef) == 132);

// The parameters of one execution.
struct TDispListExecuteParms {
  uint32_t cbSize;
  double clipX1, clipY1, clipX2, clipY2;  // (x1, y1) the low corner
  double offsetX, offsetY;                // added to recorded points before transforming
  double offset2X, offset2Y;              // added after clipping to what is drawn
  uint32_t user;                          // not read; reaches the target in the record
  double hatchScale;                      // multiplies every hatch's recorded scale
  IDispListTarget* target;                // must not be null
  uint32_t flags;                         // bit 1: execute only selected groups
};
inline constexpr uint32_t kDispListExecuteParmsSize = sizeof(TDispListExecuteParms);
inline constexpr uint32_t kExecuteSelectedOnly = 0x2;

// The empty bounding box (max is -2147483647, not INT_MIN).
inline constexpr int32_t kEmptyBoxMin = 0x7FFFFFFF;
inline constexpr int32_t kEmptyBoxMax = -0x7FFFFFFF;

enum DLOpKind : uint8_t {
  kDLOpDeleted = 0,
  kDLOpPenColor = 2,
  kDLOpPenWidth = 3,
  kDLOpPenStyle = 4,
  kDLOpMoveTo = 5,
  kDLOpBeginGroup = 6,
  kDLOpEndGroup = 7,
  kDLOpBeginHatch = 8,
  kDLOpHatchVertex = 9,
  kDLOpEndHatch = 10,
  kDLOpText2P = 11,
};

// BeginGroup flags.
inline constexpr uint8_t kGroupSelected = 0x1;
inline constexpr uint8_t kGroupHasSubgroups = 0x2;
inline constexpr uint8_t kGroupOutside = 0x4;
// MoveTo flags.
inline constexpr uint8_t kMovePenDown = 0x1;
// "No index" of a record reference and of an unended group's end.
inline constexpr uint16_t kNoOpIndex = 0xFFFF;

inline constexpr size_t kDLOpSize = 48;
inline constexpr unsigned kDLOpsPerBlock = 256;

struct DL_OP_REC {
  uint8_t bytes[kDLOpSize];
};

#pragma pack(push, 1)

struct DL_OPSBLOCK {
  TRecListNodeType_Dummy* node;  // the node holding this block
  uint16_t count;                // records used, 0..256
  DL_OP_REC records[kDLOpsPerBlock];
};

// Field layouts of the kinds that carry fields.
struct DLOpValue {  // PenColor, PenWidth, PenStyle
  uint8_t kind;
  uint32_t value;
};
struct DLOpMoveTo {
  uint8_t kind;
  int32_t x, y;
  uint8_t flags;
};
struct DLOpBeginGroup {
  uint8_t kind;
  TDispListGroupAppRefs refs;
  uint8_t flags;
  int32_t minX, minY, maxX, maxY;
  TRecListNodeType_Dummy* endNode;
  uint16_t endIndex;
};
struct DLOpEndGroup {
  uint8_t kind;
  TRecListNodeType_Dummy* beginNode;
  uint16_t beginIndex;
};
struct DLOpBeginHatch {
  uint8_t kind;
  HatchID_Dummy* hatch;
  uint32_t value;
  float angle;
  float scale;
  int32_t minX, minY, maxX, maxY;
};
struct DLOpHatchVertex {
  uint8_t kind;
  uint32_t loop;
  uint16_t firstTag, secondTag;
  int32_t x, y;
};
struct DLOpText2P {
  uint8_t kind;
  int32_t x, y;
  char16_t* text;
  DLFontDef* font;
};

#pragma pack(pop)

static_assert(sizeof(DL_OPSBLOCK) == 8 + 2 + 256 * 48);
static_assert(offsetof(DL_OPSBLOCK, records) == 10);
static_assert(sizeof(DLOpMoveTo) == 10);
static_assert(offsetof(DLOpBeginGroup, flags) == 17);
static_assert(offsetof(DLOpBeginGroup, minX) == 18);
static_assert(offsetof(DLOpBeginGroup, endNode) == 34);
static_assert(sizeof(DLOpBeginGroup) == 44);
static_assert(sizeof(DLOpEndGroup) == 11);
static_assert(offsetof(DLOpBeginHatch, angle) == 13);
static_assert(sizeof(DLOpBeginHatch) == 37);
static_assert(sizeof(DLOpHatchVertex) == 17);
static_assert(sizeof(DLOpText2P) == 25);

// A reference to one operation record.
struct DL_OP_REC_INFO {
  DL_OPSBLOCK* block;
  uint16_t index;  // kNoOpIndex when none
  DL_OP_REC* record;
};

inline uint8_t opKind(const DL_OP_REC* record) { return record->bytes[0]; }

template <typename Fields>
Fields loadOp(const DL_OP_REC* record) {
  static_assert(sizeof(Fields) <= kDLOpSize);
  Fields fields;
  std::memcpy(&fields, record->bytes, sizeof(Fields));
  return fields;
}

// The application references of a BeginGroup record.
inline TDispListGroupAppRefs groupRefs(const DL_OP_REC* record) {
  TDispListGroupAppRefs refs;
  std::memcpy(&refs, record->bytes + offsetof(DLOpBeginGroup, refs), sizeof(refs));
  return refs;
}

template <typename Fields>
void storeOp(DL_OP_REC* record, const Fields& fields) {
  static_assert(sizeof(Fields) <= kDLOpSize);
  std::memcpy(record->bytes, &fields, sizeof(Fields));
}

// The walk state of one execution. Starts zeroed, then pen down.
struct DL_EXEC_INFO {
  uint32_t stop;
  TRecListNodeType_Dummy* node;  // the block being walked
  uint16_t index;                // the record in it
  double clipX1, clipY1, clipX2, clipY2;
  uint32_t penDown;
  int32_t x, y;  // the current (transformed) point
  uint32_t colour;
  int32_t width;
  uint32_t style;
  uint32_t hatchActive;
  HatchID_Dummy* hatch;
  uint32_t hatchValue;  // the job's fill rule
  float hatchAngle;     // minus the recorded angle
  float hatchScale;     // the recorded scale times the parameters' factor
  uint32_t loopCount;   // highest recorded loop + 1
  IRecList* vertices;   // DLHatchVertex records; null: hatches skipped
};

// A hatch vertex as execution collects it (as recorded: no offset, no
// transformation).
struct DLHatchVertex {
  uint32_t loop;
  uint16_t firstTag;
  uint16_t secondTag;
  int32_t x, y;
};
static_assert(sizeof(DLHatchVertex) == 16);
