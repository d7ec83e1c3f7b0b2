// What the drawing surface tests share: a surface made by the factory and
// released at the end of the test.
#pragma once

#include "pictrel/Pictrel.h"

#include <gtest/gtest.h>

namespace pictrel::testing {

// A surface from pctAllocIntf, released when the holder goes.
class SurfaceHolder {
public:
  SurfaceHolder() {
    void* out = nullptr;
    EXPECT_EQ(pctAllocIntf(&Pictrel::IID_IDrawableDS, &out), S_OK);
    surface_ = static_cast<Pictrel::IDrawableDS*>(out);
  }
  ~SurfaceHolder() {
    if (surface_) surface_->Release();
  }
  SurfaceHolder(const SurfaceHolder&) = delete;
  SurfaceHolder& operator=(const SurfaceHolder&) = delete;

  Pictrel::IDrawableDS* operator->() const { return surface_; }
  Pictrel::IDrawableDS* get() const { return surface_; }

private:
  Pictrel::IDrawableDS* surface_ = nullptr;
};

}  // namespace pictrel::testing
