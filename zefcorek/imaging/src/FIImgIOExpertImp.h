// IFIImgIOExpertImp: the library's own expert, whose table the image I/O
// provider fills with the five library formats. It adds LoadImage, which
// loads an image scaled to fit a box, keeping its aspect ratio.
#pragma once

#include "zefcorek/ImgIOExpertImp.h"

class ZEF_EXPORT IFIImgIOExpertImp : public IImgIOExpertImp {
public:
  IFIImgIOExpertImp();
  ~IFIImgIOExpertImp() override;

  // The object itself, whichever interface the caller holds.
  IStdInterface* CastToTopInterface() override;
  // The image scaled to fit the box, up or down, keeping its aspect ratio
  // (the format id is not recorded in it). 10 for a null path or out or a
  // box below 16 x 16; the information step's failure (1 for a name without
  // a known extension); 30 when the zoomer that fits the image into the box
  // cannot be made; 2 when the library cannot load or scale the image.
  ZRESULT LoadImage(const WCHAR* path, uint32_t maxWidth, uint32_t maxHeight, uint32_t reserved,
                    IRasterImage** out) override;
};
