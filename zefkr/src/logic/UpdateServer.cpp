// The conversation with the update server.
#include "zefkr/UpdateServer.h"

#include "zefkr/Language.h"
#include "zefkr/TrayMode.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FilePath.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Internet.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <optional>

namespace {

constexpr char16_t kLoginAgent[] = u"Kestruner";
constexpr char16_t kDownloadAgent[] = u"Vendrako Kestruner";
constexpr char16_t kLoginMarker[] = u"LOGIN RESPONSE: ";
constexpr char16_t kAuthorizationMarker[] = u"AUTHORIZATION: ";
constexpr char16_t kProcessListMarker[] = u"PROCLIST: ";

// The progress callback's answers: go on, or why the transfer stops.
enum : int32_t {
  kTransferGoesOn = 0,
  kTransferCancelled = 1,
  kTransferTooLarge = 2,
  kTransferPastDeadline = 3,
};

std::u16string message(int32_t id) { return KRGetMessage(id).ToUnicodeString(); }

std::u16string trimmedBlanks(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return std::u16string(text);
}

// What follows `marker` on the first line that holds it; false without one.
bool valueAfter(const std::vector<std::u16string>& lines, std::u16string_view marker, std::u16string* value) {
  for (const std::u16string& line : lines) {
    const size_t at = line.find(marker);
    if (at == std::u16string::npos) continue;
    *value = line.substr(at + marker.size());
    return true;
  }
  return false;
}

bool fileExists(const std::u16string& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void deleteFile(const std::u16string& path) {
  if (!path.empty()) DeleteFileW(path.c_str());
}

// The file's lines; false when it cannot be read.
bool readLines(const std::u16string& path, std::vector<std::u16string>* lines) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IStringListImp, &made, 0) != S_OK) return false;
  auto* list = static_cast<IStringList*>(made);
  const bool loaded = list->LoadFromFile(path.c_str()) == ZR_OK;
  if (loaded) {
    for (uint32_t i = 0; i < list->GetCount(); ++i) {
      const WCHAR* text = nullptr;
      lines->emplace_back(list->GetStringPtr(i, &text) == ZR_OK && text ? text : u"");
    }
  }
  list->Release();
  return loaded;
}

std::u16string newTemporaryFile(const char16_t* prefix, const std::u16string& extension) {
  WCHAR name[MAX_PATH + 1] = {};
  if (!CreateTempFile(prefix, extension.c_str(), name)) return std::u16string();
  return name;
}

// A name that stays inside the folder it is put in.
bool isPlainFileName(const std::u16string& name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.find_first_of(u"\\/:") != std::u16string::npos) return false;
  return IsValidFileName(name.c_str());
}

// The framework's generator: seeded, one step, then a draw below `range`.
int frameworkRandom(uint32_t seed, uint32_t range) {
  seed = seed * 0x08088405u + 1u;
  return static_cast<int>((static_cast<uint64_t>(seed) * range) >> 32);
}

// Deletes every file of `folder` (sub-folders stay).
void emptyFolder(const std::u16string& folder) {
  WIN32_FIND_DATAW data{};
  const std::u16string pattern = folder + u"\\*.*";
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    deleteFile(folder + u"\\" + data.cFileName);
  } while (FindNextFileW(search, &data));
  FindClose(search);
}

}  // namespace

zefkr::ProgressView::~ProgressView() = default;
zefkr::ServerSessionHost::~ServerSessionHost() = default;

zefkr::ServerAddresses zefkr::readServerAddresses(std::u16string_view path) {
  const platform::TIniFile ini{std::u16string(path)};
  constexpr char16_t kSection[] = u"Server";
  ServerAddresses addresses;
  addresses.loginUrl = ini.ReadString(kSection, u"LoginURL", u"");
  addresses.downloadUrl = ini.ReadString(kSection, u"DownloadURL", u"");
  addresses.listUrl = ini.ReadString(kSection, u"ListURL", u"");
  addresses.locationA = ini.ReadString(kSection, u"LocationA", u"");
  addresses.locationB = ini.ReadString(kSection, u"LocationB", u"");
  const std::u16string separator = ini.ReadString(kSection, u"FileSeparator", u"/");
  if (separator.size() == 1) addresses.fileSeparator = separator[0];
  addresses.webAddress1 = ini.ReadString(kSection, u"WebAddress1", u"");
  addresses.webAddress2 = ini.ReadString(kSection, u"WebAddress2", u"");
  return addresses;
}

std::u16string zefkr::buildRequest(std::u16string_view base,
                                   const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
  std::u16string request(base);
  bool first = true;
  for (const auto& [name, value] : pairs) {
    request += platform::formatText(first ? u"%s=%s" : u"&%s=%s", name, value);
    first = false;
  }
  std::replace(request.begin(), request.end(), u' ', u'+');
  return request;
}

void zefkr::readLoginReply(const std::vector<std::u16string>& lines, int32_t* loginState, std::u16string* processList) {
  std::u16string value;
  *loginState = 2;
  if (!valueAfter(lines, kLoginMarker, &value) || !value.starts_with(u"LOGINOK")) return;
  *loginState = 3;
  if (!valueAfter(lines, kAuthorizationMarker, &value)) return;
  if (value.starts_with(u"OFF")) {
    *loginState = 4;
    return;
  }
  if (!value.starts_with(u"YES")) return;
  if (!valueAfter(lines, kProcessListMarker, &value)) return;
  const size_t vkr = value.find(u"|VKR");
  if (vkr != std::u16string::npos) value.resize(vkr);
  *processList = trimmedBlanks(value);
  *loginState = 0;
}

zefkr::DownloadDisplay zefkr::downloadDisplay(int32_t totalSize, uint32_t received, int barTag, int32_t selectedCount) {
  const int step = selectedCount > 0 ? 50 / selectedCount : 0;
  if (totalSize <= 0) return {false, std::u16string(), barTag * step};
  const double total = totalSize;
  const double done = received;
  const std::u16string format = message(1608);
  return {true, platform::formatText(std::u16string_view(format), done / 1024.0, total / 1024.0, done / total * 100.0),
          static_cast<int>((barTag + done / total) * step)};
}

zefkr::UpdateServerConversation::UpdateServerConversation(WizardSession& session,
                                                          const TKRDetectedProductList& products,
                                                          TKRUpdateInfoList& updates, INetInternetSession* netSession,
                                                          ServerAddresses addresses, ServerSessionHost& host,
                                                          std::u16string applicationTitle, std::u16string programFolder)
    : drawLocation([] { return frameworkRandom(GetTickCount() * 777u, 2); }),
      session_(session),
      products_(products),
      updates_(updates),
      net_(netSession),
      addresses_(std::move(addresses)),
      host_(host),
      title_(std::move(applicationTitle)),
      programFolder_(std::move(programFolder)) {}

bool zefkr::UpdateServerConversation::unreachable() {
  if (!host_.searchesHidden()) return false;
  if (InternetCheckConnectionW(addresses_.webAddress1.c_str(), 0, 0)) return false;
  return !InternetCheckConnectionW(addresses_.webAddress2.c_str(), FLAG_ICC_FORCE_CONNECTION, 0);
}

zefkr::UpdateServerConversation::TransferBounds zefkr::UpdateServerConversation::replyBounds(uint32_t maxBytes) {
  return {maxBytes, platform::clock().monotonicMs() + kServerReplyDeadlineMs};
}

ZRESULT zefkr::UpdateServerConversation::download(const std::u16string& url, const std::u16string& file,
                                                  TransferBounds bounds) {
  bounds_ = bounds;
  progress_ = TNetDownloadProgress{};
  return net_->DownloadToFile(url.c_str(), file.c_str(), DownloadProgress, reinterpret_cast<intptr_t>(this));
}

bool zefkr::UpdateServerConversation::transfer(const std::u16string& agent, const std::u16string& url,
                                               const std::u16string& file, TransferBounds bounds) {
  if (!net_) return false;
  host_.ApplyProxySettings(*net_);
  if (net_->Open(agent.c_str()) != ZR_OK) return false;
  const ZRESULT result = download(url, file, bounds);
  net_->Close();
  return result == ZR_OK || session_.FCancelled;
}

int32_t zefkr::UpdateServerConversation::Login(ProgressView& view) {
  session_.FCancelled = false;
  if (unreachable()) return -2;
  const std::u16string reply = newTemporaryFile(u"lres", u"tmp");
  view.setProgressLabel(message(1304));
  view.setBarPosition(view.barPosition() + 5);
  host_.Pause(0.1);

  const std::u16string url = buildRequest(addresses_.loginUrl, {{u"Req", u"login"},
                                                                {u"UserID", session_.FUserID.ToUnicodeString()},
                                                                {u"Password", session_.FPassword.ToUnicodeString()}});
  deleteFile(reply);
  const bool failed = !transfer(kLoginAgent, url, reply, replyBounds(kLoginReplyLimitBytes));

  session_.FLoginState = 1;
  if (session_.FCancelled || failed) {
    deleteFile(reply);
    return session_.FCancelled ? -2 : -1;
  }
  if (!fileExists(reply)) return -1;
  std::vector<std::u16string> lines;
  const bool read = readLines(reply, &lines);
  deleteFile(reply);
  if (!read) return -1;

  std::u16string processList;
  readLoginReply(lines, &session_.FLoginState, &processList);
  if (session_.FLoginState == 0) session_.FProcList.AssignSz(processList.c_str());
  return 0;
}

int32_t zefkr::UpdateServerConversation::DownloadUpdateList(ProgressView& view) {
  if (unreachable()) return -2;
  std::u16string file = newTemporaryFile(u"VKR", u"tmp");
  if (file.empty()) {
    MessageBoxW(nullptr, u"CreateTempFile() failed!", title_.c_str(), MB_OK);
    file = programFolder_ + u"\\UpdList.tmp";
  }
  view.setProgressLabel(message(1305));
  view.setBarPosition(view.barPosition() + 5);
  host_.Pause(0.1);
  updates_.count = 0;

  const std::u16string url = buildRequest(addresses_.listUrl, {});
  deleteFile(file);
  bool failed = false;
  if (!net_ || (host_.ApplyProxySettings(*net_), net_->Open(kLoginAgent) != ZR_OK)) {
    failed = true;
    MessageBoxW(nullptr, u"FNetSession->Start() failed!", title_.c_str(), MB_OK);
  } else {
    const ZRESULT result = download(url, file, replyBounds(kUpdateListLimitBytes));
    if (result != ZR_OK && !session_.FCancelled) {
      failed = true;
      MessageBoxW(nullptr, u"FNetSession->GetHTTPFile() failed!", title_.c_str(), MB_OK);
    }
    net_->Close();
  }
  if (session_.FCancelled || failed) {
    deleteFile(file);
    return session_.FCancelled ? -2 : -1;
  }

  view.setProgressLabel(message(1306));
  view.setBarPosition(view.barPosition() + 30);
  const std::u16string processList = session_.FProcList.ToUnicodeString();
  const std::optional<int32_t> parsed = parseUpdateList(file.c_str(), products_, updates_, processList.c_str());
  deleteFile(file);
  // A list the updater refuses is a failed search, as one past the size
  // bound of the transfer is, never "no updates".
  if (!parsed) return -1;
  const int32_t found = *parsed;

  if (!view.isPageVisible()) {
    view.setBarPosition(100);
    return updates_.count;
  }
  if (view.barPosition() % 2 == 1) view.setBarPosition(view.barPosition() + 1);
  while (view.barPosition() < 100) {
    host_.Pause(found != 0 ? 0.01 : 0.005);
    view.setBarPosition(view.barPosition() + 2);
  }
  return updates_.count;
}

std::u16string zefkr::UpdateServerConversation::fileAddress(const TKRUpdateInfo& update) {
  const int chooser = update.mirror <= 0 ? update.mirror : drawLocation();
  const std::u16string& location = chooser == 0 ? addresses_.locationA : addresses_.locationB;
  return location + update.folder + addresses_.fileSeparator + update.fileName;
}

std::u16string zefkr::UpdateServerConversation::temporaryFileFor(const TKRUpdateInfo& update, bool* quit) {
  std::u16string extension = u"exe";
  if (update.kind == u"show" || update.kind == u"inisec") {
    const size_t dot = update.fileName.rfind(u'.');
    extension = dot == std::u16string::npos ? std::u16string() : update.fileName.substr(dot + 1);
  }
  std::u16string file = newTemporaryFile(u"VKRUpd", extension);
  if (!file.empty()) return file;

  // No temporary name: the "Temp" folder beside the program, emptied first.
  const std::u16string folder = programFolder_ + u"\\Temp";
  if (DirectoryExists(folder)) {
    emptyFolder(folder);
  } else {
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  if (!DirectoryExists(folder)) {
    MessageBoxW(nullptr, message(1604).c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
    PostQuitMessage(0);
    *quit = true;
    return std::u16string();
  }
  // The server's name becomes a local one only when it stays in the folder.
  return isPlainFileName(update.fileName) ? folder + u"\\" + update.fileName : std::u16string();
}

int32_t zefkr::UpdateServerConversation::DownloadUpdates(ProgressView& view) {
  session_.FOfferPending = false;
  session_.FDownloading = true;
  host_.setAutoTimerInterval(kTraySearchTickMs);
  session_.FDownloadedCount = 0;
  selectedCount_ = updates_.SelectedCount();
  const int step = selectedCount_ > 0 ? 50 / selectedCount_ : 0;
  int row = 0;
  int handled = 0;
  bool quit = false;

  for (int32_t i = 0; i < updates_.count && !quit; ++i) {
    TKRUpdateInfo& update = updates_.items[static_cast<size_t>(i)];
    if (!update.selected) continue;
    barTag_ = handled;
    progress_ = TNetDownloadProgress{};
    view.setRowImage(row, 3);
    view.setProgressLabel(message(1605) + u" \"" + update.name + u"\"");
    view.repaint();

    const std::u16string request =
        buildRequest(addresses_.downloadUrl, {{u"Req", u"download"},
                                              {u"UserID", session_.FUserID.ToUnicodeString()},
                                              {u"Password", session_.FPassword.ToUnicodeString()},
                                              {u"File", fileAddress(update)}});
    const std::u16string file = temporaryFileFor(update, &quit);
    if (quit) break;
    const bool failed = file.empty() || !transfer(kDownloadAgent, request, file, TransferBounds{});
    // A stopped or failed download's part (or the server's error page) is
    // of no use, and an installer can be large.
    if (session_.FCancelled || failed) deleteFile(file);
    if (session_.FCancelled) break;

    if (failed) {
      update.status &= ~uint32_t{kUpdateDownloaded};
      update.downloadedFile.clear();
      view.setRowImage(row, 2);
    } else {
      update.status |= kUpdateDownloaded;
      update.downloadedFile = file;
      view.setRowImage(row, 1);
      ++session_.FDownloadedCount;
    }
    ++handled;
    view.setBarPosition(step * handled);
    ++row;
  }
  view.setBarPosition(50);
  session_.FDownloading = false;
  // Back to the timer's resting period: its fast ticks were for the
  // download's animation only.
  host_.setAutoTimerInterval(kTrayFirstTickMs);
  return session_.FCancelled || quit ? -2 : 0;
}

int32_t zefkr::UpdateServerConversation::DownloadProgress(TNetDownloadProgress* progress) {
  auto* self = reinterpret_cast<UpdateServerConversation*>(progress->userValue);
  self->progress_ = *progress;
  self->host_.pumpOnce();
  // Checked after the events: a click on Cancel among them counts at once.
  if (self->session_.FCancelled) return kTransferCancelled;
  const TransferBounds& bounds = self->bounds_;
  if (bounds.maxBytes != 0 && progress->received > bounds.maxBytes) return kTransferTooLarge;
  if (bounds.deadlineMs != 0 && platform::clock().monotonicMs() >= bounds.deadlineMs) return kTransferPastDeadline;
  return kTransferGoesOn;
}

void zefkr::UpdateServerConversation::Timer1Timer(ProgressView& view) {
  const DownloadDisplay display = downloadDisplay(progress_.totalSize, progress_.received, barTag_, selectedCount_);
  view.setPercentLabel(display.percentVisible, display.percentText);
  view.setBarPosition(display.barPosition);
  view.repaint();
}
