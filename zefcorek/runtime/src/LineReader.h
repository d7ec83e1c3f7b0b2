// Private to the library: reading one line of text from a file stream.
//
// One line scanner serves every stream and encoding. Its unit is one byte
// (ANSI, UTF-8, the output stream's 8-bit text) or one UTF-16 code unit. LF,
// CR, CR LF and LF CR each end one line; the line end is not stored. A line
// that does not fit is cut: the unit that did not fit is stepped back over,
// so the next call starts with it. The scanner works through the stream's
// own HasBytes, Read and SeekRel (a template on the concrete stream class,
// so the calls are direct).
#pragma once

#include "zefcorek/FileStreams.h"

#include "platform/CodePage.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zefcorek::lines {

// How a scan ended. `code` is 0 after a line end, 1 at the end of the data
// or when the line was cut, any other value a failure of the stream.
struct ScanEnd {
  ZRESULT code;
  bool lineEnd;
};

template <typename Unit, typename Stream, typename Store>
ScanEnd scanLine(Stream& stream, uint32_t maxStored, Store&& store) {
  constexpr uint32_t kSize = sizeof(Unit);
  constexpr int32_t kBack = -static_cast<int32_t>(kSize);
  uint32_t stored = 0;
  for (;;) {
    ZRESULT code = stream.HasBytes(kSize);
    if (code != ZR_OK) return {code, false};
    Unit unit{};
    code = stream.Read(&unit, kSize, nullptr);
    if (code != ZR_OK) return {code, false};
    if (unit == Unit(10) || unit == Unit(13)) {
      const Unit partner = unit == Unit(10) ? Unit(13) : Unit(10);
      if (stream.HasBytes(kSize) != ZR_OK) return {ZR_OK, true};
      Unit next{};
      code = stream.Read(&next, kSize, nullptr);
      if (code == ZR_OK && next != partner) code = stream.SeekRel(kBack);
      return {code, true};
    }
    if (stored >= maxStored) {
      code = stream.SeekRel(kBack);
      return {code == ZR_OK ? ZR_NO : code, false};
    }
    store(unit);
    ++stored;
  }
}

// The index of the first CR or LF among bytes[0, size), or size when there
// is none: 16 bytes at a time (SSE2 belongs to the x86-64 baseline).
inline size_t findLineEnd(const uint8_t* bytes, size_t size) {
  size_t pos = 0;
#if defined(__SSE2__)
  const __m128i lineFeed = _mm_set1_epi8(10);
  const __m128i carriageReturn = _mm_set1_epi8(13);
  for (; size - pos >= 16; pos += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(block, lineFeed), _mm_cmpeq_epi8(block, carriageReturn));
    const unsigned found = static_cast<unsigned>(_mm_movemask_epi8(ends));
    if (found != 0) return pos + static_cast<size_t>(__builtin_ctz(found));
  }
#endif
  for (; pos < size; ++pos) {
    if (bytes[pos] == 10 || bytes[pos] == 13) return pos;
  }
  return size;
}

// Bytes of an incomplete UTF-8 sequence at the end of `bytes` (0 to 3).
inline size_t incompleteUtf8Tail(std::string_view bytes) {
  const size_t size = bytes.size();
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a trail byte: look further back
    const size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? back : 0;
  }
  return 0;
}

// Stores `units` converted from UTF-8 into the caller's buffer: the empty
// string when the bytes are malformed. The buffer holds at least as many
// characters as there are bytes, so nothing is ever cut here.
inline uint32_t convertUtf8(std::string_view bytes, WCHAR* buffer, uint32_t capacity) {
  const platform::Utf8Decoded decoded = platform::utf8ToUtf16(bytes, buffer, capacity - 1, /*strict=*/true);
  const uint32_t length = decoded.wellFormed ? static_cast<uint32_t>(decoded.units) : 0;
  buffer[length] = 0;
  return length;
}

// The result of a reader once the scan ended normally: 0 after a line end
// or at the end of the file, 1 when the line was cut.
template <typename Stream>
ZRESULT finishedLineResult(Stream& stream, const ScanEnd& end) {
  return end.lineEnd || stream.AtEnd() == ZR_OK ? ZR_OK : ZR_NO;
}

// Reads a line of 8-bit multibyte text: ANSI and UTF-8 are the same code
// page here. A cut never splits a character: its first bytes are stepped
// back over and start the next line instead, unless they are all the line
// holds.
// A stream that can scan a line of bytes straight out of its own buffer
// (with the answers scanLine would give) offers scanBytes.
template <typename Stream>
concept ScansBytesItself = requires(Stream& stream, std::string& bytes) {
  { stream.scanBytes(uint32_t{}, bytes) } -> std::same_as<ScanEnd>;
};

template <typename Stream>
ScanEnd scanByteLine(Stream& stream, uint32_t maxStored, std::string& bytes) {
  if constexpr (ScansBytesItself<Stream>) {
    return stream.scanBytes(maxStored, bytes);
  } else {
    return scanLine<uint8_t>(stream, maxStored, [&](uint8_t byte) { bytes.push_back(static_cast<char>(byte)); });
  }
}

template <typename Stream>
ZRESULT readMultibyteLine(Stream& stream, WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  thread_local std::string bytes;
  bytes.clear();
  const ScanEnd end = scanByteLine(stream, capacity - 1, bytes);
  if (end.code != ZR_OK && end.code != ZR_NO) return end.code;
  const size_t tail = end.lineEnd ? 0 : incompleteUtf8Tail(bytes);
  if (tail > 0 && tail < bytes.size()) {
    const ZRESULT code = stream.SeekRel(-static_cast<int32_t>(tail));
    if (code != ZR_OK) return code;
    bytes.resize(bytes.size() - tail);
  }
  const uint32_t converted = convertUtf8(bytes, buffer, capacity);
  if (length) *length = converted;
  return finishedLineResult(stream, end);
}

template <typename Stream>
ZRESULT readUtf16Line(Stream& stream, WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  uint32_t stored = 0;
  const ScanEnd end = scanLine<char16_t>(stream, capacity - 1, [&](char16_t unit) { buffer[stored++] = unit; });
  if (end.code != ZR_OK && end.code != ZR_NO) return end.code;
  // A lone byte after the last code unit cannot be decoded: it ends the text
  // and is dropped, so a caller reading to the end never waits on it.
  if (!end.lineEnd && stream.HasBytes(2) != ZR_OK && stream.HasBytes(1) == ZR_OK) {
    const ZRESULT code = stream.SeekRel(1);
    if (code != ZR_OK) return code;
  }
  buffer[stored] = 0;
  if (length) *length = stored;
  return finishedLineResult(stream, end);
}

// A stream that reads a line of 8-bit text straight out of its own buffer
// (with the answers readMultibyteLine would give) offers readUtf8Line.
template <typename Stream>
concept ReadsUtf8LinesItself = requires(Stream& stream, WCHAR* buffer, uint32_t* length) {
  { stream.readUtf8Line(buffer, uint32_t{}, length) } -> std::same_as<ZRESULT>;
};

// ReadText of the input streams: picks the reader for the encoding and,
// for an encoding with a mark, never returns the mark as text.
template <typename Stream>
ZRESULT readTextLine(Stream& stream, uint32_t encoding, WCHAR* buffer, uint32_t capacity, uint32_t* length) {
  if (!buffer || capacity < 2) return ZR_BADARG;
  if (encoding > 4) return ZR_FAILED;
  const uint32_t markLength = encoding == 1 ? 2 : encoding == 3 ? 3 : 0;
  if (markLength > 0 && stream.IsClosed() == ZR_OK) {
    uint32_t position = 0;
    if (stream.GetPosition(&position) == ZR_OK && position < markLength) {
      const ZRESULT code = stream.SeekAbs(markLength);
      if (code != ZR_OK) return code;
    }
  }
  if (encoding == 1 || encoding == 2) return readUtf16Line(stream, buffer, capacity, length);
  if constexpr (ReadsUtf8LinesItself<Stream>) {
    return stream.readUtf8Line(buffer, capacity, length);
  } else {
    return readMultibyteLine(stream, buffer, capacity, length);
  }
}

// Applies SetTextEncoding to a stored encoding; false for an unknown kind.
inline bool applyTextEncoding(uint32_t& encoding, uint32_t kind, bool noMark) {
  switch (kind) {
    case 0: return true;
    case FIO_TEXT_UTF16LE:
      if (encoding != 1 && encoding != 2) encoding = noMark ? 2 : 1;
      return true;
    case FIO_TEXT_UTF8:
      if (encoding != 3 && encoding != 4) encoding = noMark ? 4 : 3;
      return true;
    default: return false;
  }
}

// Byte-order-mark detection after an open: 1 for FF FE, 3 for EF BB BF,
// else 0. The position is back at 0 afterwards.
template <typename Stream>
uint32_t detectByteOrderMark(Stream& stream) {
  unsigned char bytes[3] = {};
  if (stream.HasBytes(2) == ZR_OK) {
    stream.Read(bytes, 2, nullptr);
    stream.SeekRel(-2);
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) return 1;
  }
  if (stream.HasBytes(3) == ZR_OK) {
    stream.Read(bytes, 3, nullptr);
    stream.SeekRel(-3);
    if (bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return 3;
  }
  return 0;
}

}  // namespace zefcorek::lines
