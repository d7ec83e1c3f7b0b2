// The demo's installer, as the maker's installers behave: it puts a new
// file into the product folder it is given, writes a short note into the
// user's documents folder that the updater's service names ("DocsFolder"),
// and tells the service about the note ("InfoFile"), both in section
// "VKRService" of the common VENDRAKO.INI.
//
//   demo-installer <product folder> [<file name>]
//
// Exit 0 when the file and the note were written.
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/PrivateProfile.h"

#include <string>

namespace {

constexpr char16_t kChannel[] = u"VKRService";
constexpr char16_t kNoteName[] = u"Kestruner demo update.txt";

bool writeText(const std::u16string& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok;
}

std::u16string withoutTrailingSeparator(std::u16string folder) {
  while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::u16string folder = withoutTrailingSeparator(platform::ansiToWideLenient(argv[1]));
  const std::u16string name = argc > 2 ? platform::ansiToWideLenient(argv[2]) : u"demo-update.dat";
  if (!writeText(folder + u"\\" + name, "new program file of the demo update\n")) return 3;

  WCHAR common[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, common) != S_OK) {
    return 4;
  }
  const std::u16string channel = std::u16string(common) + u"\\Vendrako SH\\VENDRAKO.INI";
  WCHAR documents[MAX_PATH] = {};
  GetPrivateProfileStringW(kChannel, u"DocsFolder", u"", documents, MAX_PATH, channel.c_str());
  if (!documents[0]) return 0;  // nowhere to leave a note
  const std::u16string note = withoutTrailingSeparator(documents) + u"\\" + kNoteName;
  if (!writeText(note, "The demo update was installed.\r\n")) return 5;
  return WritePrivateProfileStringW(kChannel, u"InfoFile", note.c_str(), channel.c_str()) ? 0 : 6;
}
