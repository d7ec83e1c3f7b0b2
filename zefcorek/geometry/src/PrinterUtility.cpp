// The printer paper cache over the platform's device-capabilities query.
#include "zefcorek/PrinterUtility.h"

#include "zefcorek/StringList.h"

#include "platform/Printers.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

TPrinterUtility::TPrinterUtility() = default;

TPrinterUtility::~TPrinterUtility() { Clear(); }

void TPrinterUtility::UsePrinter(TPrinter* printer) {
  printer_ = printer;
  CacheInfos();
}

void TPrinterUtility::Clear() {
  delete[] papers_;
  papers_ = nullptr;
  paperCount_ = 0;
}

void TPrinterUtility::CacheInfos() {
  Clear();
  if (printer_ == nullptr) return;
  std::u16string device, port;
  if (!printer_->GetPrinter(device, port)) return;
  const int count = DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_PAPERNAMES, nullptr, nullptr);
  if (count <= 0) return;
  std::vector<WCHAR> names(static_cast<size_t>(count) * kPaperNameUnits);
  std::vector<POINT> sizes(static_cast<size_t>(count));
  if (DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_PAPERNAMES, names.data(), nullptr) != count ||
      DeviceCapabilitiesW(device.c_str(), port.c_str(), DC_PAPERSIZE, reinterpret_cast<LPWSTR>(sizes.data()),
                          nullptr) != count)
    return;
  auto* papers = new (std::nothrow) TPrinterPaperInfo[static_cast<size_t>(count)];
  if (papers == nullptr) return;
  for (int index = 0; index < count; ++index) {
    TPrinterPaperInfo& paper = papers[index];
    std::fill(std::begin(paper.name), std::end(paper.name), u'\0');
    // A name that fills its 64 units has no zero of its own.
    const WCHAR* name = &names[static_cast<size_t>(index) * kPaperNameUnits];
    std::copy_n(name, std::find(name, name + kPaperNameUnits, u'\0') - name, paper.name);
    paper.width = sizes[index].x * 0.0001;
    paper.height = sizes[index].y * 0.0001;
  }
  std::stable_sort(papers, papers + count, [](const TPrinterPaperInfo& a, const TPrinterPaperInfo& b) {
    return platform::compareIgnoreCase(a.name, b.name) < 0;
  });
  papers_ = papers;
  paperCount_ = static_cast<unsigned>(count);
}

void TPrinterUtility::GetPaperNames(IStringList* list) {
  if (list == nullptr) return;
  (void)list->Clear();
  for (unsigned index = 0; index < paperCount_; ++index) (void)list->Add(papers_[index].name, nullptr);
}

unsigned TPrinterUtility::GetPaperCount() { return paperCount_; }

bool TPrinterUtility::GetPaperInfo(unsigned i, TPrinterPaperInfo* out) {
  if (i >= paperCount_ || out == nullptr) return false;
  *out = papers_[i];
  return true;
}

bool TPrinterUtility::MatchPaperSize(const tagT_SIZE2D* size, double tolerance, unsigned* index) {
  if (index != nullptr) *index = 0xFFFFFFFF;
  if (size == nullptr) return false;
  for (unsigned i = 0; i < paperCount_; ++i) {
    const double width = papers_[i].width;
    const double height = papers_[i].height;
    if (std::fabs(width - size->width) >= tolerance || std::fabs(height - size->height) >= tolerance) continue;
    if (index != nullptr) *index = i;
    return true;
  }
  return false;
}
