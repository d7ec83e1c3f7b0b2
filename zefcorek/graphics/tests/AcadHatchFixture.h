// A registry with the ".pat" handler registered, and registry patterns made
// from ".pat" text written to a scratch folder: what the hatch generation and
// DXF export tests start from.
#pragma once

#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "../../runtime/tests/ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <string>

namespace graphics_test {

class AcadHatchFixture : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
    registry = static_cast<IHatchRegistry*>(made);
    handler = new IHatchHandlerACADCompImp();
    ASSERT_EQ(registry->RegisterHandler(handler), 0);
  }
  void TearDown() override {
    registry->UnregisterAllHandlers();
    afterUnregister();
    handler->Release();
    registry->Release();
  }
  // Checks made once the registry has let go of the handler.
  virtual void afterUnregister() {}

  // A registry pattern from ".pat" text of one pattern.
  HatchPatternNode pattern(const std::string& text) {
    const std::u16string path = folder.write("p" + std::to_string(files++) + ".pat", text);
    HatchPatternInfo* info = nullptr;
    EXPECT_EQ(handler->LoadPatterns(path.c_str(), 0, 1, &info), 0);
    HatchPatternNode node = nullptr;
    EXPECT_EQ(registry->AddPattern(handler, info, &node), 0);
    return node;
  }

  zefcorek::testing::ScratchFolder folder;
  int files = 0;
  IHatchRegistry* registry = nullptr;
  IHatchHandlerACADCompImp* handler = nullptr;
};

}  // namespace graphics_test
