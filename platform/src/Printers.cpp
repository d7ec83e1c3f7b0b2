// The printer table (see Printers.h): DeviceCapabilitiesW and TPrinter read
// printers.ini from the platform root through the ini-file layer.
#include "platform/Printers.h"

#include "platform/IniFile.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/Scan.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr char16_t kCurrentSection[] = u"Current";
constexpr char16_t kPrinterSectionPrefix[] = u"Printer:";
// A table can name at most this many papers; more are ignored.
constexpr int kMostPapers = 4096;

std::u16string printerSection(std::u16string_view device) {
  return std::u16string(kPrinterSectionPrefix) + std::u16string(device);
}

platform::TIniFile table() { return platform::TIniFile(platform::windowsPath(platform::printerTableFile())); }

std::u16string paperKey(int index, std::u16string_view suffix) {
  std::u16string key = u"Paper";
  for (char c : std::to_string(index)) key.push_back(static_cast<char16_t>(c));
  return key + std::u16string(suffix);
}

}  // namespace

std::string platform::printerTableFile() { return platformRoot() + "/printers.ini"; }

bool platform::TPrinter::GetPrinter(std::u16string& device, std::u16string& port) const {
  const TIniFile ini = table();
  device = ini.ReadString(kCurrentSection, u"Printer", u"");
  port = device.empty() ? std::u16string() : ini.ReadString(printerSection(device), u"Port", u"");
  return !device.empty();
}

int DeviceCapabilitiesW(LPCWSTR device, LPCWSTR, WORD capability, LPWSTR output, const void*) {
  if (device == nullptr || (capability != DC_PAPERNAMES && capability != DC_PAPERSIZE)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return -1;
  }
  const platform::TIniFile ini = table();
  const std::u16string section = printerSection(device);
  if (!ini.SectionExists(section)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return -1;
  }
  const int papers = std::clamp(ini.ReadInteger(section, u"PaperCount", 0), 0, kMostPapers);
  if (output == nullptr) return papers;
  for (int index = 0; index < papers; ++index) {
    if (capability == DC_PAPERNAMES) {
      const std::u16string name = ini.ReadString(section, paperKey(index, u""), u"");
      WCHAR* record = output + index * kPaperNameUnits;
      std::fill(record, record + kPaperNameUnits, u'\0');
      std::copy_n(name.begin(), std::min<size_t>(name.size(), kPaperNameUnits), record);
      continue;
    }
    const std::u16string size = ini.ReadString(section, paperKey(index, u"Size"), u"");
    int32_t width = 0, height = 0;
    if (platform::scanText(std::u16string_view(size), u"%d,%d", &width, &height) != 2) width = height = 0;
    POINT point{};
    point.x = width;
    point.y = height;
    std::memcpy(reinterpret_cast<unsigned char*>(output) + index * sizeof(POINT), &point, sizeof(POINT));
  }
  return papers;
}
