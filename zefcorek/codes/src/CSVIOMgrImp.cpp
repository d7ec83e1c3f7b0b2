// The CSV I/O manager: the schema, the callbacks and the Read and Write loops
// over the library's file streams. Lines are parsed and formatted in
// CsvLine.cpp.
#include "zefcorek/CSVIOMgr.h"

#include "CsvLine.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

namespace {

namespace csv = zefcorek::csv;

// A stream from the factory, closed and released when it goes. `Made` is
// the interface the factory hands out for the class, `Stream` the one used.
template <typename Stream, typename Made = Stream>
class StreamHolder {
public:
  explicit StreamHolder(const CLSID& classId) {
    void* out = nullptr;
    if (zefCoreKAllocIntf(&classId, &out, 0) == S_OK) stream_ = static_cast<Made*>(out);
  }
  ~StreamHolder() {
    if (stream_ == nullptr) return;
    if (stream_->IsClosed() == ZR_OK) (void)stream_->Close();
    stream_->Release();
  }
  StreamHolder(const StreamHolder&) = delete;
  StreamHolder& operator=(const StreamHolder&) = delete;
  Stream* operator->() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }

private:
  Stream* stream_ = nullptr;
};

// The text buffers of one Read or Write: one per text column, each
// kCSVTextCapacity units, made at the start and freed at the end.
class TextBuffers {
public:
  explicit TextBuffers(size_t columns) : storage_(columns * kCSVTextCapacity), pointers_(columns) {}
  // Points every text cell at its buffer holding "#set_me!#".
  void attach(std::span<const CSVColumnDef> columns, std::span<CSVCell> cells) {
    for (size_t index = 0; index < columns.size(); ++index) {
      if (columns[index].Type != 4) continue;
      WCHAR* buffer = &storage_[index * kCSVTextCapacity];
      std::copy(std::begin(csv::kUnsetText), std::end(csv::kUnsetText), buffer);
      pointers_[index] = buffer;
      cells[index].Value.Text = buffer;
    }
  }
  std::span<WCHAR* const> pointers() const { return pointers_; }

private:
  std::vector<WCHAR> storage_;
  std::vector<WCHAR*> pointers_;  // null for columns that are not text
};

class ICSVIOMgrImp final : public IStdInterfaceImp, public virtual ICSVIOMgr {
public:
  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  ZRESULT ClearColumns() override {
    columns_.clear();
    return ZR_OK;
  }
  unsigned GetColumnCount() override { return static_cast<unsigned>(columns_.size()); }

  ZRESULT AddColumn(const CSVColumnDef* def, unsigned* index) override {
    if (def == nullptr) return ZR_BADARG;
    if (columns_.size() >= kCSVMaxColumns) {
      if (index != nullptr) *index = static_cast<unsigned>(-1);
      return ZR_FAILED;
    }
    columns_.push_back(*def);
    if (index != nullptr) *index = static_cast<unsigned>(columns_.size() - 1);
    return ZR_OK;
  }

  ZRESULT GetColumn(unsigned index, CSVColumnDef* def) override {
    if (def == nullptr) return ZR_BADARG;
    if (index >= columns_.size()) {
      *def = CSVColumnDef{};
      return ZR_BADARG;
    }
    *def = columns_[index];
    return ZR_OK;
  }

  ZRESULT SetColumn(unsigned index, const CSVColumnDef* def) override {
    if (def == nullptr || index >= columns_.size()) return ZR_BADARG;
    columns_[index] = *def;
    return ZR_OK;
  }

  ZRESULT HasColumnId(unsigned char id) override {
    const bool found =
        std::any_of(columns_.begin(), columns_.end(), [id](const CSVColumnDef& column) { return column.Id == id; });
    return found ? ZR_OK : ZR_NO;
  }

  ZRESULT GetReadCallback(CSVReadCallback* fn, void** context) override {
    if (fn != nullptr) *fn = readCallback_;
    if (context != nullptr) *context = readContext_;
    return ZR_OK;
  }
  ZRESULT SetReadCallback(CSVReadCallback fn, void* context) override {
    readCallback_ = fn;
    readContext_ = context;
    return ZR_OK;
  }
  ZRESULT GetWriteCallback(CSVWriteCallback* fn, void** context) override {
    if (fn != nullptr) *fn = writeCallback_;
    if (context != nullptr) *context = writeContext_;
    return ZR_OK;
  }
  ZRESULT SetWriteCallback(CSVWriteCallback fn, void* context) override {
    writeCallback_ = fn;
    writeContext_ = context;
    return ZR_OK;
  }

  WCHAR GetSeparator() override { return separator_; }
  ZRESULT SetSeparator(WCHAR separator, bool trailing) override {
    if (separator == 0) return ZR_FAILED;
    separator_ = separator;
    trailingSeparator_ = trailing;
    return ZR_OK;
  }
  unsigned GetHeaderLineCount() override { return headerLines_; }
  ZRESULT SetHeaderLineCount(unsigned count) override {
    headerLines_ = count;
    return ZR_OK;
  }

  ZRESULT Read(const WCHAR* path) override;
  ZRESULT Write(const WCHAR* path) override;

private:
  // Drops the columns of type 0 that end the schema.
  void DropTrailingIgnoredColumns() {
    while (!columns_.empty() && columns_.back().Type == 0) columns_.pop_back();
  }
  std::span<CSVCell> Cells() { return std::span<CSVCell>(cells_.data(), columns_.size()); }

  // Reads one line into `line`. A line longer than the buffer ends the read
  // with 2 (its rest would come back as a line of its own).
  static ZRESULT ReadLine(IFIOIStream* stream, std::vector<WCHAR>& buffer, std::u16string_view& line);

  std::vector<CSVColumnDef> columns_;            // the schema, at most kCSVMaxColumns
  std::array<CSVCell, kCSVMaxColumns> cells_{};  // the current row, one per column
  WCHAR separator_ = u',';
  bool trailingSeparator_ = false;
  unsigned headerLines_ = 0;
  CSVReadCallback readCallback_ = nullptr;
  void* readContext_ = nullptr;
  CSVWriteCallback writeCallback_ = nullptr;
  void* writeContext_ = nullptr;
};

ZRESULT ICSVIOMgrImp::ReadLine(IFIOIStream* stream, std::vector<WCHAR>& buffer, std::u16string_view& line) {
  uint32_t length = 0;
  const ZRESULT result = stream->ReadText(buffer.data(), static_cast<uint32_t>(buffer.size()), &length);
  if (result == ZR_NO) return ZR_FAILED;  // longer than the line buffer
  if (result != ZR_OK) return result;
  line = std::u16string_view(buffer.data(), std::min<size_t>(length, buffer.size()));
  return ZR_OK;
}

ZRESULT ICSVIOMgrImp::Read(const WCHAR* path) {
  if (path == nullptr || *path == 0) return ZR_BADARG;
  DropTrailingIgnoredColumns();
  if (columns_.empty()) return ZR_FAILED;
  // The buffered kind of the file input stream: the same reads, served from
  // a window instead of a system call per line.
  StreamHolder<IFIOIStream, IFIOIBufferedStream> stream(CLSID_IFIOIBufferedStreamImp);
  if (!stream) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result != ZR_OK) return result;
  result = stream->Open(0);
  if (result != ZR_OK) return result;

  std::vector<WCHAR> lineBuffer(csv::kMaxLineUnits + 1);
  std::u16string_view line;
  unsigned lineNumber = 0;
  // Header lines are dropped whatever their length.
  for (unsigned header = 0; header < headerLines_ && stream->AtEnd() == ZR_NO; ++header) {
    uint32_t length = 0;
    ZRESULT part = ZR_NO;
    while (part == ZR_NO) part = stream->ReadText(lineBuffer.data(), static_cast<uint32_t>(lineBuffer.size()), &length);
    if (part != ZR_OK) return part;
    ++lineNumber;
  }
  if (stream->AtEnd() != ZR_NO) return ZR_OK;

  TextBuffers texts(columns_.size());
  texts.attach(columns_, Cells());
  while (result == ZR_OK && stream->AtEnd() == ZR_NO) {
    result = ReadLine(stream.operator->(), lineBuffer, line);
    if (result != ZR_OK) break;
    ++lineNumber;
    if (csv::parseLine(line, columns_, separator_, Cells(), texts.pointers()) != csv::LineResult::Ok) {
      result = ZR_FAILED;
      break;
    }
    if (readCallback_ != nullptr &&
        readCallback_(lineNumber, static_cast<unsigned>(columns_.size()), cells_.data(), readContext_) == 0)
      result = ZR_NO;
  }
  // The buffers go with this call: no cell keeps pointing at them.
  for (CSVCell& cell : Cells())
    if (cell.Type == 4) cell.Value.Text = nullptr;
  return result;
}

ZRESULT ICSVIOMgrImp::Write(const WCHAR* path) {
  if (path == nullptr || *path == 0) return ZR_BADARG;
  if (columns_.empty() || writeCallback_ == nullptr) return ZR_FAILED;
  StreamHolder<IFIOOStream> stream(CLSID_IFIOOStreamImp);
  if (!stream) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result != ZR_OK) return result;
  result = stream->Open(0);
  if (result != ZR_OK) return result;

  DropTrailingIgnoredColumns();
  TextBuffers texts(columns_.size());
  texts.attach(columns_, Cells());
  std::u16string line;
  for (unsigned row = 0; result == ZR_OK; ++row) {
    for (size_t index = 0; index < columns_.size(); ++index) {
      CSVCell& cell = cells_[index];
      cell.Type = columns_[index].Type;
      cell.Id = columns_[index].Id;
      cell.Flags = static_cast<uint8_t>(columns_[index].Type == 0 ? (cell.Flags | CSV_CELL_EMPTY)
                                                                  : (cell.Flags & ~CSV_CELL_EMPTY));
    }
    if (writeCallback_(row, static_cast<unsigned>(columns_.size()), cells_.data(), writeContext_) == 0) break;
    if (!csv::formatLine(columns_, Cells(), separator_, trailingSeparator_, texts.pointers(), line)) {
      result = ZR_FAILED;
      break;
    }
    result = stream->WriteText(line.c_str(), static_cast<int32_t>(line.size()));
  }
  for (CSVCell& cell : Cells())
    if (cell.Type == 4) cell.Value.Text = nullptr;
  return result;
}

}  // namespace

void* zefcorek::makeICSVIOMgrImp(intptr_t) { return static_cast<ICSVIOMgr*>(new (std::nothrow) ICSVIOMgrImp()); }
