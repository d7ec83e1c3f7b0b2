// The message loader over any file, with every combination of its load
// flags: it loads or fails cleanly, never hangs on the file's last bytes,
// and every text it holds fits the buffers it is asked to fill.
#include "zefcorek/ClassIds.h"
#include "zefcorek/MessageLoader.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/MessageBox.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::RecordingMessageBoxes* boxes = new platform::RecordingMessageBoxes();
  (void)boxes;
  zef::fuzz::FuzzInput input(data, size);
  const uint32_t flags = input.byte();
  const uint32_t small = 1 + input.byte() % 8;
  const std::u16string name = zef::fuzz::ScratchFile::write(input.rest());

  IMessageLoader* loader = nullptr;
  if (msglibAllocIntf(&CLSID_MsgLibMessageLoader, reinterpret_cast<void**>(&loader)) != S_OK) std::abort();
  const ZRESULT loaded = loader->LoadFromFileEx(
      name.c_str(), flags & (MSGLIB_FILE_UTF16LE | MSGLIB_FILE_UTF8 | MSGLIB_FILE_NO_MARK | MSGLIB_STRING_IDS));
  uint32_t count = 0;
  (void)loader->GetCount(&count);
  if (loaded == ZR_OK && count > 0) zef::fuzz::noteAccepted();
  TMsgIterator iterator{};
  std::vector<WCHAR> buffer(small + 1, u'#');
  if (loader->GetMsgIterator(false, &iterator) == ZR_OK) {
    for (uint32_t seen = 0; seen <= count && iterator.entry != nullptr; ++seen) {
      buffer.assign(small + 1, u'#');
      if (iterator.isStringId != 0) {
        (void)loader->GetMsgByStrID(reinterpret_cast<const WCHAR*>(iterator.id), buffer.data(), small);
      } else {
        (void)loader->GetMsgByID(static_cast<uint32_t>(iterator.id), buffer.data(), small);
      }
      if (buffer[small] != u'#') std::abort();  // wrote past the length it was given
      if (loader->MsgIteratorAdvance(&iterator) != ZR_OK) break;
    }
  }
  loader->Release();
  return 0;
}
