// The case table of the line-encoding clip method.
//
// Each end of the segment has a region code: 8 above, else 4 below; plus 2
// right, else 1 left. P's code is shifted up by four bits and added to Q's,
// so the combined code (0 to 0xAA) names the pair of regions. Pairs whose
// ends share a side are rejected at once, both ends inside are accepted;
// every other pair has one row here, whose steps move the ends onto edge
// lines in order. A step may be guarded: RejectIf ends the case with a
// rejection when its end lies beyond the edge, MoveIf moves the end only
// when it lies beyond the edge. Every case that runs to its end accepts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace zefcorek::lineclip {

enum Region : uint8_t { kLeft = 1, kRight = 2, kBelow = 4, kAbove = 8 };
enum class End : uint8_t { P, Q };
enum class Edge : uint8_t { Left, Right, Bottom, Top };
enum class OpKind : uint8_t { None, Move, MoveIf, RejectIf };

struct Op {
  OpKind kind = OpKind::None;
  End end = End::P;
  Edge edge = Edge::Left;
};

struct Case {
  uint8_t p;  // region of P
  uint8_t q;  // region of Q
  Op ops[6];
};

constexpr uint8_t kBL = kBelow | kLeft, kBR = kBelow | kRight;
constexpr uint8_t kAL = kAbove | kLeft, kAR = kAbove | kRight;

constexpr Op mv(End e, Edge g) { return {OpKind::Move, e, g}; }
constexpr Op mvIf(End e, Edge g) { return {OpKind::MoveIf, e, g}; }
constexpr Op rejIf(End e, Edge g) { return {OpKind::RejectIf, e, g}; }

constexpr End P = End::P, Q = End::Q;
constexpr Edge L = Edge::Left, R = Edge::Right, B = Edge::Bottom, T = Edge::Top;

// clang-format off
inline constexpr Case kCases[] = {
  // P inside
  {0, kLeft,  {mv(Q, L)}},
  {0, kRight, {mv(Q, R)}},
  {0, kBelow, {mv(Q, B)}},
  {0, kAbove, {mv(Q, T)}},
  {0, kBL, {mv(Q, L), mvIf(Q, B)}},
  {0, kBR, {mv(Q, R), mvIf(Q, B)}},
  {0, kAL, {mv(Q, L), mvIf(Q, T)}},
  {0, kAR, {mv(Q, R), mvIf(Q, T)}},
  // P left
  {kLeft, 0,      {mv(P, L)}},
  {kLeft, kRight, {mv(P, L), mv(Q, R)}},
  {kLeft, kBelow, {mv(P, L), rejIf(P, B), mv(Q, B)}},
  {kLeft, kBR,    {mv(P, L), rejIf(P, B), mv(Q, B), mvIf(Q, R)}},
  {kLeft, kAbove, {mv(P, L), rejIf(P, T), mv(Q, T)}},
  {kLeft, kAR,    {mv(P, L), rejIf(P, T), mv(Q, T), mvIf(Q, R)}},
  // P right
  {kRight, 0,      {mv(P, R)}},
  {kRight, kLeft,  {mv(P, R), mv(Q, L)}},
  {kRight, kBelow, {mv(P, R), rejIf(P, B), mv(Q, B)}},
  {kRight, kBL,    {mv(P, R), rejIf(P, B), mv(Q, B), mvIf(Q, L)}},
  {kRight, kAbove, {mv(P, R), rejIf(P, T), mv(Q, T)}},
  {kRight, kAL,    {mv(P, R), rejIf(P, T), mv(Q, T), mvIf(Q, L)}},
  // P below
  {kBelow, 0,      {mv(P, B)}},
  {kBelow, kLeft,  {mv(P, B), rejIf(P, L), mv(Q, L), mvIf(Q, B)}},
  {kBelow, kRight, {mv(P, B), rejIf(P, R), mv(Q, R)}},
  {kBelow, kAbove, {mv(P, B), mv(Q, T)}},
  {kBelow, kAL,    {mv(P, B), rejIf(P, L), mv(Q, L), mvIf(Q, T)}},
  {kBelow, kAR,    {mv(P, B), rejIf(P, R), mv(Q, R), mvIf(Q, T)}},
  // P below-left
  {kBL, 0,      {mv(P, L), mvIf(P, B)}},
  {kBL, kRight, {mv(Q, R), rejIf(Q, B), mv(P, B), mvIf(P, L)}},
  {kBL, kAbove, {mv(Q, T), rejIf(Q, L), mv(P, B), mvIf(P, L)}},
  {kBL, kAR,    {mv(P, L), rejIf(P, T), mv(Q, R), rejIf(Q, B), mvIf(P, B), mvIf(Q, T)}},
  // P below-right
  {kBR, 0,      {mv(P, R), mvIf(P, B)}},
  {kBR, kLeft,  {mv(Q, L), rejIf(Q, B), mv(P, B), mvIf(P, R)}},
  {kBR, kAbove, {mv(Q, T), rejIf(Q, R), mv(P, R), mvIf(P, B)}},
  {kBR, kAL,    {mv(Q, L), rejIf(Q, B), mv(P, R), rejIf(P, T), mvIf(Q, T), mvIf(P, B)}},
  // P above
  {kAbove, 0,      {mv(P, T)}},
  {kAbove, kLeft,  {mv(P, T), rejIf(P, L), mv(Q, L)}},
  {kAbove, kRight, {mv(P, T), rejIf(P, R), mv(Q, R)}},
  {kAbove, kBelow, {mv(P, T), mv(Q, B)}},
  {kAbove, kBL,    {mv(P, T), rejIf(P, L), mv(Q, L), mvIf(Q, B)}},
  {kAbove, kBR,    {mv(P, T), rejIf(P, R), mv(Q, R), mvIf(Q, B)}},
  // P above-left
  {kAL, 0,      {mv(P, L), mvIf(P, T)}},
  {kAL, kRight, {mv(Q, R), rejIf(Q, T), mv(P, T), mvIf(P, L)}},
  {kAL, kBelow, {mv(Q, B), rejIf(Q, L), mv(P, L), mvIf(P, T)}},
  {kAL, kBR,    {mv(P, L), rejIf(P, B), mv(Q, R), rejIf(Q, T), mvIf(P, T), mvIf(Q, B)}},
  // P above-right
  {kAR, 0,      {mv(P, R), mvIf(P, T)}},
  {kAR, kLeft,  {mv(Q, L), rejIf(Q, T), mv(P, T), mvIf(P, R)}},
  {kAR, kBelow, {mv(Q, B), rejIf(Q, R), mv(P, R), mvIf(P, T)}},
  {kAR, kBL,    {mv(Q, L), rejIf(Q, T), mv(P, R), rejIf(P, B), mvIf(Q, B), mvIf(P, T)}},
};
// clang-format on

constexpr uint8_t combinedCode(uint8_t p, uint8_t q) { return uint8_t(p << 4 | q); }

// The row of each combined code: its index in kCases, or -1.
inline constexpr auto kCaseOfCode = [] {
  std::array<int8_t, 256> index{};
  index.fill(-1);
  for (size_t i = 0; i < std::size(kCases); ++i) index[combinedCode(kCases[i].p, kCases[i].q)] = int8_t(i);
  return index;
}();

// The row for a combined code, or null when the code has none.
constexpr const Case* findCase(uint8_t code) {
  const int8_t i = kCaseOfCode[code];
  return i < 0 ? nullptr : &kCases[i];
}

}  // namespace zefcorek::lineclip
