// Version blocks read from the version note of an ELF file.
//
// The reader trusts nothing in the file: every offset and size from the ELF
// header, the section table and the notes is checked against the real end of
// the data before it is used. It reads the fields it needs one by one,
// little-endian (the only byte order of our target):
//
//   ELF header (64-bit)   offset  size  meaning
//                              0     4  magic 7F 'E' 'L' 'F'
//                              4     1  class, 2 = 64-bit
//                              5     1  data, 1 = little-endian
//                             40     8  e_shoff, file offset of the section table
//                             58     2  e_shentsize, size of one entry (>= 64)
//                             60     2  e_shnum, number of entries
//   section entry              4     4  sh_type, 7 = SHT_NOTE
//                             24     8  sh_offset
//                             32     8  sh_size
//                             48     8  sh_addralign (notes: 4 or 8)
//   note                       0     4  name size; 4 descriptor size; 8 type;
//                                       then the name and the descriptor, each
//                                       padded to the section's alignment
#include "platform/VersionInfo.h"

#include "FileObject.h"
#include "platform/FileSyscalls.h"
#include "platform/LastError.h"
#include "platform/VersionNote.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <vector>

namespace {

using platform::fileSyscalls;

constexpr uint32_t kSectionTypeNote = 7;
constexpr uint64_t kMaxSections = 65535;
constexpr uint64_t kMaxNoteSection = 1 << 20;  // more than any note section we write
constexpr size_t kFixedInfoOffset = 40;
constexpr size_t kBlockSize = kFixedInfoOffset + sizeof(VS_FIXEDFILEINFO);
constexpr char16_t kBlockKey[] = u"VS_VERSION_INFO";
static_assert(sizeof kBlockKey == 32);

// A read-only open file; reads exact ranges and knows its size.
class ElfFile {
public:
  explicit ElfFile(int fd) : fd_(fd) {}
  ~ElfFile() { fileSyscalls().close(fd_); }
  ElfFile(const ElfFile&) = delete;
  ElfFile& operator=(const ElfFile&) = delete;

  bool readAt(uint64_t offset, uint64_t size, std::vector<unsigned char>& out) const {
    struct stat info {};
    if (fileSyscalls().fstat(fd_, &info) != 0) return false;
    const auto fileSize = static_cast<uint64_t>(info.st_size);
    if (offset > fileSize || size > fileSize - offset) return false;
    out.resize(size);
    if (fileSyscalls().lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
    return platform::readFully(fd_, out.data(), size) == static_cast<ssize_t>(size);
  }

private:
  int fd_;
};

uint64_t readLittle(const unsigned char* bytes, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

uint64_t alignUp(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// The fixed information of our note inside one note section, if present.
std::optional<VS_FIXEDFILEINFO> findInNotes(const std::vector<unsigned char>& notes, uint64_t alignment) {
  uint64_t pos = 0;
  const uint64_t end = notes.size();
  while (end - pos >= 12) {
    const uint64_t nameSize = readLittle(&notes[pos], 4);
    const uint64_t descriptorSize = readLittle(&notes[pos + 4], 4);
    const uint64_t type = readLittle(&notes[pos + 8], 4);
    const uint64_t namePos = pos + 12;
    const uint64_t descriptorPos = namePos + alignUp(nameSize, alignment);
    if (descriptorPos > end || alignUp(descriptorSize, alignment) > end - descriptorPos) return std::nullopt;
    const bool ours = type == platform::kVersionNoteType && nameSize == sizeof platform::kVersionNoteName &&
                      std::memcmp(&notes[namePos], platform::kVersionNoteName, nameSize) == 0 &&
                      descriptorSize >= sizeof(VS_FIXEDFILEINFO);
    if (ours) {
      VS_FIXEDFILEINFO info{};
      DWORD* fields = &info.dwSignature;
      for (size_t i = 0; i < sizeof info / 4; ++i) {
        fields[i] = static_cast<DWORD>(readLittle(&notes[descriptorPos + 4 * i], 4));
      }
      if (info.dwSignature == VS_FFI_SIGNATURE) return info;
    }
    pos = descriptorPos + alignUp(descriptorSize, alignment);
  }
  return std::nullopt;
}

// Reads the version note of an ELF file. Sets the last error when there is
// none (ERROR_RESOURCE_TYPE_NOT_FOUND) or the file cannot be opened.
std::optional<VS_FIXEDFILEINFO> readVersionNote(LPCWSTR fileName) {
  const auto path = platform::mappedPath(fileName);
  if (!path) return std::nullopt;
  const int fd =
      platform::retryAfterSignal([&] { return fileSyscalls().open(path->c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (fd < 0) {
    platform::failFromErrno();
    return std::nullopt;
  }
  ElfFile file(fd);
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  std::vector<unsigned char> header;
  if (!file.readAt(0, 64, header)) return std::nullopt;
  if (std::memcmp(header.data(),
                  "\x7F"
                  "ELF",
                  4) != 0 ||
      header[4] != 2 || header[5] != 1)
    return std::nullopt;
  const uint64_t tableOffset = readLittle(&header[40], 8);
  const uint64_t entrySize = readLittle(&header[58], 2);
  const uint64_t entryCount = readLittle(&header[60], 2);
  if (entrySize < 64 || entryCount == 0 || entryCount > kMaxSections) return std::nullopt;
  std::vector<unsigned char> table;
  if (!file.readAt(tableOffset, entrySize * entryCount, table)) return std::nullopt;
  for (uint64_t i = 0; i < entryCount; ++i) {
    const unsigned char* entry = &table[i * entrySize];
    if (readLittle(entry + 4, 4) != kSectionTypeNote) continue;
    const uint64_t offset = readLittle(entry + 24, 8);
    const uint64_t size = readLittle(entry + 32, 8);
    const uint64_t alignment = readLittle(entry + 48, 8) == 8 ? 8 : 4;
    std::vector<unsigned char> notes;
    if (size > kMaxNoteSection || !file.readAt(offset, size, notes)) continue;
    if (auto info = findInNotes(notes, alignment)) {
      SetLastError(ERROR_SUCCESS);
      return info;
    }
  }
  return std::nullopt;
}

void writeLittle(unsigned char* out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, DWORD* handle) {
  if (handle) *handle = 0;
  return readVersionNote(fileName) ? static_cast<DWORD>(kBlockSize) : 0;
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto info = readVersionNote(fileName);
  if (!info) return FALSE;
  unsigned char block[kBlockSize] = {};
  writeLittle(&block[0], kBlockSize, 2);
  writeLittle(&block[2], sizeof(VS_FIXEDFILEINFO), 2);
  for (size_t i = 0; i < std::size(kBlockKey); ++i) writeLittle(&block[6 + 2 * i], kBlockKey[i], 2);
  const DWORD* fields = &info->dwSignature;
  for (size_t i = 0; i < sizeof(VS_FIXEDFILEINFO) / 4; ++i) {
    writeLittle(&block[kFixedInfoOffset + 4 * i], fields[i], 4);
  }
  std::memcpy(data, block, std::min<size_t>(length, kBlockSize));
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length) {
  if (!block || !subBlock || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = static_cast<const unsigned char*>(block);
  const bool isRoot = subBlock[0] == u'\\' && subBlock[1] == 0;
  const bool wellFormed = readLittle(bytes, 2) >= kBlockSize && readLittle(bytes + 2, 2) == sizeof(VS_FIXEDFILEINFO) &&
                          readLittle(bytes + kFixedInfoOffset, 4) == VS_FFI_SIGNATURE;
  if (!isRoot || !wellFormed) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *buffer = const_cast<unsigned char*>(bytes + kFixedInfoOffset);
  if (length) *length = sizeof(VS_FIXEDFILEINFO);
  return TRUE;
}
