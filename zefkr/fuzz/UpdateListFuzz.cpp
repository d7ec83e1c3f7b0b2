// Feeds arbitrary bytes to the update-list reader as a list file, against
// three installed products (one numbered, the special one, one named).
#include "zefkr/UpdateList.h"

#include "platform/CodePage.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "FuzzAccepted.h"

namespace {

struct Setup {
  std::string root;
  std::u16string listFile;
  std::unique_ptr<zefkr::TKRDetectedProductList> products = std::make_unique<zefkr::TKRDetectedProductList>();
  std::unique_ptr<zefkr::TKRUpdateInfoList> updates = std::make_unique<zefkr::TKRUpdateInfoList>();

  Setup() {
    char pattern[] = "/tmp/zef-fuzz-updates-XXXXXX";
    root = mkdtemp(pattern);
    setenv("ZEF_PLATFORM_ROOT", root.c_str(), 1);
    std::filesystem::create_directories(root + "/drives/c");
    std::filesystem::create_directories(root + "/CommonAppData/Vendrako SH");
    std::ofstream(root + "/CommonAppData/Vendrako SH/VENDRAKO.INI")
        << "[Procedure]\r\n12=/tmp\r\n40=/tmp\r\nTools=/tmp\r\n"
           "[Kestruner]\r\n12=600,x,\"\"\r\n40=600\r\nTools=1\r\n";
    const char* keys[] = {"12", "40", "Tools"};
    for (const char* key : keys) {
      zefkr::TKRDetectedProduct& product = products->items[static_cast<size_t>(products->count++)];
      product.found = true;
      product.folder = u"/tmp";
      if (key[0] == 'T') {
        product.named = true;
        product.name = u"Tools";
      } else {
        product.id = product.subId = std::atoi(key);
      }
    }
    listFile = platform::ansiToWideLenient(root + "/list.ini");
  }
  ~Setup() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup setup;
  std::ofstream(setup.root + "/list.ini", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const int32_t count = KRParseUpdateInfo(setup.listFile.c_str(), *setup.products, *setup.updates, u"*");
  if (count < 0 || count > zefkr::kMaxUpdates) std::abort();
  if (count > 0) zef::fuzz::noteAccepted();
  return 0;
}
