// World files.
#include "zefcorek/TFWManager.h"

#include "FactoryObject.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/GfxRotoTrans.h"
#include "zefcorek/SizedRecord.h"

#include "platform/Format.h"
#include "platform/Scan.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t kLineChars = 128;  // up to 127 characters of a line

bool isWorldFile(const TFWMatrixData* data) { return data != nullptr && data->cbSize == sizeof(TFWMatrixData); }

bool isCoeffs(const GfxRotoTransStreamableCoeffs* coeffs) {
  return coeffs != nullptr && coeffs->cbSize == kGfxRotoTransCoeffsSize;
}

// The record keeps its doubles at 4-byte alignment: they are copied, never
// reached through a double pointer.
void storeValue(TFWMatrixData* data, int index, double value) {
  std::memcpy(reinterpret_cast<char*>(data) + offsetof(TFWMatrixData, V1) + 8 * index, &value, 8);
}
double loadValue(const TFWMatrixData* data, int index) {
  double value = 0;
  std::memcpy(&value, reinterpret_cast<const char*>(data) + offsetof(TFWMatrixData, V1) + 8 * index, 8);
  return value;
}

// The kind's coefficients C0, C1, ... from the record's coefficient block.
double coefficient(const GfxRotoTransStreamableCoeffs& coeffs, int index) {
  double value = 0;
  std::memcpy(&value, coeffs.coeffs + 8 * index, sizeof value);
  return value;
}

}  // namespace

CTFWManager::CTFWManager() = default;

CTFWManager::~CTFWManager() = default;

ZRESULT CTFWManager::LoadDataFile(const WCHAR* path, TFWMatrixData* data) {
  if (path == nullptr || !isWorldFile(data)) return ZR_BADARG;
  DSStructInit(data);
  auto* stream = zefcorek::makeFactoryObject<IFIOIStream>(CLSID_IFIOIStreamImp);
  if (stream == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(0);
  for (int line = 0; line < 6 && result == ZR_OK; ++line) {
    WCHAR text[kLineChars] = {};
    uint32_t length = 0;
    result = stream->ReadText(text, kLineChars, &length);
    // A line longer than the buffer: its first 127 characters count, and the
    // rest of it is passed over so that it cannot stand in for the next line.
    if (result == ZR_NO && length == kLineChars - 1) {
      WCHAR rest[kLineChars];
      uint32_t restLength = length;
      ZRESULT skipped = ZR_NO;
      while (skipped == ZR_NO && restLength == kLineChars - 1)
        skipped = stream->ReadText(rest, kLineChars, &restLength);
    }
    if (result == ZR_NO) result = ZR_OK;
    if (result != ZR_OK) break;
    if (text[0] == u'\0') {
      result = ZR_FAILED;
      break;
    }
    double value = 0;
    const platform::ScanTarget targets[] = {platform::ScanTarget::to(&value)};
    if (platform::scanArgs(std::u16string_view(text), u"%lf", targets).count != 1) {
      result = ZR_FAILED;
      break;
    }
    storeValue(data, line, value);
  }
  stream->Release();
  return result;
}

ZRESULT CTFWManager::SaveDataFile(const WCHAR* path, const TFWMatrixData* data) {
  if (path == nullptr || !isWorldFile(data)) return ZR_BADARG;
  auto* stream = zefcorek::makeFactoryObject<IFIOOStream>(CLSID_IFIOOStreamImp);
  if (stream == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = stream->SetName(path);
  if (result == ZR_OK) result = stream->Open(0);
  for (int line = 0; line < 6 && result == ZR_OK; ++line) {
    const double value = loadValue(data, line);
    const std::u16string text = platform::formatText(u"%0.15f", value);
    result = stream->WriteText(text.c_str(), static_cast<int32_t>(text.size()));
  }
  stream->Release();
  return result;
}

ZRESULT CTFWManager::GeoRefFromTFWData(const TFWMatrixData* data, uint32_t kind, uint32_t width, uint32_t height,
                                       GfxRotoTransStreamableCoeffs* coeffs) {
  if (!isWorldFile(data) || !isCoeffs(coeffs)) return ZR_BADARG;
  DSStructInit(coeffs);
  auto* estimator = zefcorek::makeFactoryObject<IGfxRotoTrans>(CLSID_IGfxRotoTransImp);
  if (estimator == nullptr) return ZR_OUTOFMEMORY;
  (void)estimator->Reset(false);
  (void)estimator->SetParam(grpKind, kind);
  const double w = static_cast<double>(width), h = static_cast<double>(height);
  // The corner pixels: upper left, upper right, lower right, lower left.
  const double corners[4][2] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
  for (const auto& corner : corners) {
    const double c = corner[0], r = corner[1];
    GfxRotoTransPoint point{};
    point.cbSize = kGfxRotoTransPointSize;
    // Image y runs upwards from the bottom edge.
    point.srcX = c + 0.5;
    point.srcY = (h - r - 1) + 0.5;
    point.dstX = data->V1 * c + data->V3 * r + data->V5;
    point.dstY = data->V2 * c + data->V4 * r + data->V6;
    point.reserved2 = 0xFFFFFFFFu;
    point.weight = 1.0;
    (void)estimator->AddPoint(&point, nullptr);
  }
  const ZRESULT result = estimator->Compute(false);
  if (result == ZR_OK) (void)estimator->GetCoeffs(coeffs);
  estimator->Release();
  return result;
}

ZRESULT CTFWManager::TFWDataFromGeoRef(uint32_t /*width*/, uint32_t height, const GfxRotoTransStreamableCoeffs* coeffs,
                                       TFWMatrixData* data) {
  if (!isCoeffs(coeffs) || !isWorldFile(data)) return ZR_BADARG;
  DSStructInit(data);
  double c[8];
  for (int index = 0; index < 8; ++index) c[index] = coefficient(*coeffs, index);
  const double h = static_cast<double>(height);
  switch (coeffs->kind) {
    case 1: {
      // X = c2 x' + c3 y' + c6 and Y = c5 x' + c4 y' + c7, with y running
      // up while the world file's rows run down.
      data->V1 = c[2];
      data->V2 = c[5];
      data->V3 = -c[3];
      data->V4 = -c[4];
      const double u = 0.5 - c[0];
      const double v = (h - 0.5) - c[1];
      data->V5 = u * c[2] + v * c[3] + c[6];
      data->V6 = v * c[4] + u * c[5] + c[7];
      return ZR_OK;
    }
    case 6:
    case 17:
      data->V1 = c[0];
      data->V2 = c[3];
      data->V3 = -c[1];
      data->V4 = -c[4];
      data->V5 = 0.5 * c[0] + (h - 0.5) * c[1] + c[2];
      data->V6 = 0.5 * c[3] + (h - 0.5) * c[4] + c[5];
      return ZR_OK;
    default: return ZR_FAILED;
  }
}
