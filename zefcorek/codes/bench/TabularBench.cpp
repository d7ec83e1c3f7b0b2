// The CSV manager beside libcsv with strtod/strtol on the same file (100,000
// lines of five typed columns, read and written), and dBase reads through
// the table interface beside direct shapelib calls (100,000 records of ten
// fields).
#include "zefcorek/CSVIOMgr.h"
#include "zefcorek/DBF.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>

#include <csv.h>
#include <shapefil.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned kLines = 100000;

struct Folder {
  std::string path;
  Folder() {
    char pattern[] = "/tmp/zef-tabular-bench-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~Folder() { (void)std::system(("rm -rf '" + path + "'").c_str()); }
};

const Folder& folder() {
  static const Folder instance;
  return instance;
}

std::u16string windowsName(const std::string& file) { return platform::windowsPath(folder().path + "/" + file); }

// The CSV columns: double, unsigned, signed, quoted text, double.
const CSVColumnDef kColumns[] = {{1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}, {4, 4, CSV_COLUMN_QUOTED, 0}, {1, 5, 0, 0}};

ICSVIOMgr* newManager() {
  void* out = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_ICSVIOMgrImp, &out, 0);
  auto* csv = static_cast<ICSVIOMgr*>(out);
  for (const CSVColumnDef& column : kColumns) (void)csv->AddColumn(&column, nullptr);
  return csv;
}

int fillRow(unsigned row, unsigned, CSVCell* cells, void*) {
  if (row >= kLines) return 0;
  cells[0].Value.Double = row * 0.25;
  cells[1].Value.UInt = row * 7u;
  cells[2].Value.Int = -static_cast<int32_t>(row);
  const std::u16string text = u"name " + platform::formatText(u"%u", row);
  std::copy(text.begin(), text.end(), cells[3].Value.Text);
  cells[3].Value.Text[text.size()] = 0;
  cells[4].Value.Double = row / 3.0;
  return 1;
}

// The file both readers read, written once.
const std::string& csvFile() {
  static const std::string file = [] {
    ICSVIOMgr* csv = newManager();
    (void)csv->SetWriteCallback(&fillRow, nullptr);
    (void)csv->Write(windowsName("read.csv").c_str());
    csv->Release();
    return folder().path + "/read.csv";
  }();
  return file;
}

void BM_CsvManagerRead(benchmark::State& state) {
  csvFile();
  ICSVIOMgr* csv = newManager();
  double sum = 0;
  (void)csv->SetReadCallback(
      [](unsigned, unsigned, CSVCell* cells, void* context) {
        *static_cast<double*>(context) += cells[0].Value.Double + cells[1].Value.UInt + cells[2].Value.Int +
                                          cells[3].Value.Text[0] + cells[4].Value.Double;
        return 1;
      },
      &sum);
  const std::u16string name = windowsName("read.csv");
  for (auto _ : state) {
    if (csv->Read(name.c_str()) != ZR_OK) state.SkipWithError("read failed");
  }
  benchmark::DoNotOptimize(sum);
  csv->Release();
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CsvManagerRead)->Unit(benchmark::kMillisecond);

struct PeerRow {
  unsigned column = 0;
  double sum = 0;
};

void peerField(void* data, size_t length, void* context) {
  auto* row = static_cast<PeerRow*>(context);
  const char* text = static_cast<const char*>(data);
  switch (row->column++) {
    case 0:
    case 4: row->sum += std::strtod(text, nullptr); break;
    case 1: row->sum += static_cast<double>(std::strtoul(text, nullptr, 10)); break;
    case 2: row->sum += static_cast<double>(std::strtol(text, nullptr, 10)); break;
    default: row->sum += length > 0 ? text[0] : 0; break;
  }
}
void peerRowEnd(int, void* context) { static_cast<PeerRow*>(context)->column = 0; }

void BM_LibcsvRead(benchmark::State& state) {
  const std::string& file = csvFile();
  PeerRow row;
  for (auto _ : state) {
    FILE* in = std::fopen(file.c_str(), "rb");
    csv_parser parser;
    csv_init(&parser, CSV_APPEND_NULL);
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), in)) > 0)
      csv_parse(&parser, chunk, got, &peerField, &peerRowEnd, &row);
    csv_fini(&parser, &peerField, &peerRowEnd, &row);
    csv_free(&parser);
    std::fclose(in);
  }
  benchmark::DoNotOptimize(row.sum);
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LibcsvRead)->Unit(benchmark::kMillisecond);

void BM_CsvManagerWrite(benchmark::State& state) {
  ICSVIOMgr* csv = newManager();
  (void)csv->SetWriteCallback(&fillRow, nullptr);
  const std::u16string name = windowsName("write.csv");
  for (auto _ : state) {
    if (csv->Write(name.c_str()) != ZR_OK) state.SkipWithError("write failed");
  }
  csv->Release();
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CsvManagerWrite)->Unit(benchmark::kMillisecond);

void BM_LibcsvWrite(benchmark::State& state) {
  const std::string file = folder().path + "/peer.csv";
  for (auto _ : state) {
    FILE* out = std::fopen(file.c_str(), "wb");
    for (unsigned row = 0; row < kLines; ++row) {
      std::fprintf(out, "%0.5f,%u,%d,", row * 0.25, row * 7u, -static_cast<int>(row));
      const std::string text = "name " + std::to_string(row);
      csv_fwrite(out, text.data(), text.size());
      std::fprintf(out, ",%0.5f\r\n", row / 3.0);
    }
    std::fclose(out);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_LibcsvWrite)->Unit(benchmark::kMillisecond);

constexpr int kRecords = 100000;
constexpr int kFields = 10;

// Ten fields: four texts, three integers, three doubles.
const std::string& dbfFile() {
  static const std::string file = [] {
    const std::string path = folder().path + "/table.dbf";
    DBFHandle handle = DBFCreate(path.c_str());
    for (int field = 0; field < kFields; ++field) {
      const std::string name = "F" + std::to_string(field);
      if (field < 4)
        DBFAddField(handle, name.c_str(), FTString, 16, 0);
      else if (field < 7)
        DBFAddField(handle, name.c_str(), FTInteger, 9, 0);
      else
        DBFAddField(handle, name.c_str(), FTDouble, 14, 4);
    }
    for (int record = 0; record < kRecords; ++record) {
      for (int field = 0; field < kFields; ++field) {
        if (field < 4)
          DBFWriteStringAttribute(handle, record, field, ("text " + std::to_string(record)).c_str());
        else if (field < 7)
          DBFWriteIntegerAttribute(handle, record, field, record * field);
        else
          DBFWriteDoubleAttribute(handle, record, field, record / 7.0);
      }
    }
    DBFClose(handle);
    return path;
  }();
  return file;
}

void BM_DbfInterfaceRead(benchmark::State& state) {
  const std::string path = platform::wideToAnsiLenient(platform::windowsPath(dbfFile()));
  void* out = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_IDBFImp, &out, 0);
  auto* table = static_cast<DBF::IDBF*>(out);
  (void)table->Open(path.c_str(), true);
  for (auto _ : state) {
    double sum = 0;
    for (int record = 0; record < kRecords; ++record) {
      for (int field = 0; field < kFields; ++field) {
        if (field < 4)
          sum += table->ReadStringAttribute(record, field)[5];
        else if (field < 7)
          sum += table->ReadIntegerAttribute(record, field);
        else
          sum += table->ReadDoubleAttribute(record, field);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  table->Release();
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbfInterfaceRead)->Unit(benchmark::kMillisecond);

void BM_DbfInterfaceReadRecord(benchmark::State& state) {
  const std::string path = platform::wideToAnsiLenient(platform::windowsPath(dbfFile()));
  void* out = nullptr;
  (void)zefCoreKAllocIntf(&CLSID_IDBFImp, &out, 0);
  auto* table = static_cast<DBF::IDBF*>(out);
  (void)table->Open(path.c_str(), true);
  auto info = std::make_unique<DBF::DBFRecordInfo>();
  for (auto _ : state) {
    for (int record = 0; record < kRecords; ++record) (void)table->ReadRecord(record, info.get());
    benchmark::DoNotOptimize(info->Fields[0].Value[0]);
  }
  table->Release();
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbfInterfaceReadRecord)->Unit(benchmark::kMillisecond);

void BM_ShapelibRead(benchmark::State& state) {
  DBFHandle handle = DBFOpen(dbfFile().c_str(), "rb");
  for (auto _ : state) {
    double sum = 0;
    for (int record = 0; record < kRecords; ++record) {
      for (int field = 0; field < kFields; ++field) {
        if (field < 4)
          sum += DBFReadStringAttribute(handle, record, field)[5];
        else if (field < 7)
          sum += DBFReadIntegerAttribute(handle, record, field);
        else
          sum += DBFReadDoubleAttribute(handle, record, field);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  DBFClose(handle);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ShapelibRead)->Unit(benchmark::kMillisecond);

}  // namespace
