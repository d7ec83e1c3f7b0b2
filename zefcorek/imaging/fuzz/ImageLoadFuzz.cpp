// Any bytes as an image file of one of the five library formats, loaded
// through the process-wide image expert: its information, the box-fitted
// load and the loader's plain load each answer a result code, never crash,
// and never make an image beyond the size limit.
#include "ProcessImageIO.h"

#include "zefcorek/ImgIO.h"

#include "interfaces/RasterImage.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr const char* kNames[] = {"input.bmp", "input.jpg", "input.tif", "input.png", "input.tga"};

void checkSize(IRasterImage* image) {
  uint32_t width = 0, height = 0;
  if (image->GetSize(&width, &height) != ZR_OK || uint64_t{width} * height > kMaxImagePixels) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IImgIOExpert* expert = zefcorek::processImageExpert();
  if (expert == nullptr) std::abort();
  zef::fuzz::FuzzInput input(data, size);
  const uint8_t mode = input.byte();
  const std::u16string path = zef::fuzz::ScratchFile::write(input.rest(), kNames[mode % 5]);

  ImgFileInfo info{};
  info.cbSize = sizeof info;
  if (expert->GetImageInfo(path.c_str(), &info) == ZR_OK) zef::fuzz::noteAccepted();
  IRasterImage* image = nullptr;
  if (mode / 5 % 2 == 0) {
    // A small box: the decoded image is scaled down (or up) to it.
    const uint32_t box = 16 + mode / 10 % 16;
    if (expert->LoadImage(path.c_str(), box, box, 0, &image) == ZR_OK) {
      checkSize(image);
      image->Release();
    }
  } else {
    IImgLoader* loader = nullptr;
    if (expert->CreateLoader(&loader) != ZR_OK) std::abort();
    if (loader->LoadFromFile(path.c_str(), &image) == ZR_OK) {
      checkSize(image);
      image->Release();
    }
    loader->Release();
  }
  return 0;
}
