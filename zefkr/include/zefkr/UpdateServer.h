// The wizard's conversation with the update server: the login and its reply
// lines, the update list, and the download of the chosen updates, each into
// a temporary file through the main form's one internet session.
//
// Where the server is: section "Server" of ZefKR.ini beside the program:
//   LoginURL, DownloadURL  bases of the login and download requests; the
//                          query follows a base directly (it ends with "?")
//   ListURL                the update list
//   LocationA, LocationB   the two file locations
//   FileSeparator          the one character between folder and file name
//   WebAddress1, WebAddress2  the maker's addresses of the reachability check
// A missing address makes its request fail as a transfer does.
//
// A request is its base, then "name=value" pairs joined by "&", with every
// blank turned into '+'. Nothing else is encoded, as the server expects.
#pragma once

#include "zefkr/Products.h"
#include "zefkr/UpdateList.h"
#include "zefkr/Wizard.h"

#include "zefcorek/NetInternetSession.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zefkr {

// What the server may send for the login and for the update list: a longer
// reply, or one still coming after the deadline, fails as a broken transfer
// does. The downloads of the updates themselves have no such bounds.
inline constexpr uint32_t kLoginReplyLimitBytes = uint32_t{1} << 20;
inline constexpr uint32_t kUpdateListLimitBytes = uint32_t{4} << 20;
inline constexpr uint64_t kServerReplyDeadlineMs = 120'000;

struct ServerAddresses {
  std::u16string loginUrl;
  std::u16string downloadUrl;
  std::u16string listUrl;
  std::u16string locationA;
  std::u16string locationB;
  char16_t fileSeparator = u'/';
  std::u16string webAddress1;
  std::u16string webAddress2;
};

// Section "Server" of the ini file `path` (missing keys stay empty; the
// separator is '/' unless one character is given).
ServerAddresses readServerAddresses(std::u16string_view path);

// `base` with the pairs as "%s=%s" then "&%s=%s", every blank made '+'.
std::u16string buildRequest(std::u16string_view base,
                            const std::vector<std::pair<std::u16string, std::u16string>>& pairs);

// The login's reply lines: sets `loginState` (0 accepted, 2 no "LOGINOK", 3
// no granted authorisation or no process list, 4 authorisation "OFF") and,
// when accepted, `processList` (cut at "|VKR", trimmed).
void readLoginReply(const std::vector<std::u16string>& lines, int32_t* loginState, std::u16string* processList);

// What the progress timer shows for a download.
struct DownloadDisplay {
  bool percentVisible;
  std::u16string percentText;  // message 1608 with KB received, KB total, percent
  int barPosition;
};
// An unknown total (0 or negative) hides the percent and keeps the bar at
// the update's start; nothing is divided by a size that is not positive.
DownloadDisplay downloadDisplay(int32_t totalSize, uint32_t received, int barTag, int32_t selectedCount);

// What a page of the search shows while the conversation runs.
class ProgressView {
public:
  virtual ~ProgressView();
  virtual void setProgressLabel(const std::u16string& text) = 0;
  virtual int barPosition() = 0;
  virtual void setBarPosition(int position) = 0;
  virtual bool isPageVisible() = 0;
  virtual void setRowImage(int row, int image) = 0;
  virtual void setPercentLabel(bool visible, const std::u16string& text) = 0;
  virtual void repaint() = 0;
};

// What the conversation needs of the main form.
class ServerSessionHost {
public:
  virtual ~ServerSessionHost();
  virtual void Pause(double seconds) = 0;
  // Handles the application's pending events once (inside a download).
  virtual void pumpOnce() = 0;
  // The tray mode with the window hidden: the reachability check runs.
  virtual bool searchesHidden() = 0;
  // Hands the proxy settings to the session.
  virtual void ApplyProxySettings(INetInternetSession& session) = 0;
  virtual void setAutoTimerInterval(uint32_t milliseconds) = 0;
};

class UpdateServerConversation {
public:
  // Everything given stays the caller's and must outlive the conversation.
  UpdateServerConversation(WizardSession& session, const TKRDetectedProductList& products, TKRUpdateInfoList& updates,
                           INetInternetSession* netSession, ServerAddresses addresses, ServerSessionHost& host,
                           std::u16string applicationTitle, std::u16string programFolder);

  // Page 2. 0 done (FLoginState tells how), -1 transfer failure or no reply
  // (also one past its bounds), -2 unreachable or stopped.
  int32_t Login(ProgressView& view);
  // Page 2. The number of updates found, -1 failure (also a list past its
  // bounds), -2 unreachable or stopped.
  int32_t DownloadUpdateList(ProgressView& view);
  // Page 5. 0 when the loop ended (results in the records), -2 stopped or no
  // folder for the downloads.
  int32_t DownloadUpdates(ProgressView& view);
  // The progress timer (every 100 ms on page 5).
  void Timer1Timer(ProgressView& view);

  // The file's address: location A or B, folder, separator, file name.
  std::u16string fileAddress(const TKRUpdateInfo& update);
  // Draws the chooser of an update with a positive mirror number (0 or 1);
  // the default seeds with GetTickCount() * 777 and draws.
  std::function<int()> drawLocation;

  // The callback handed to DownloadToFile; its user value is the conversation.
  // Lets events in, then stops the transfer when it was cancelled or went
  // past its bounds.
  static int32_t DownloadProgress(TNetDownloadProgress* progress);

  const TNetDownloadProgress& lastProgress() const { return progress_; }

private:
  // What one download may take: at most `maxBytes` of body (0: any) until
  // `deadlineMs` on the platform clock (0: no deadline).
  struct TransferBounds {
    uint32_t maxBytes = 0;
    uint64_t deadlineMs = 0;
  };
  // The bounds of a login reply or update list starting now.
  static TransferBounds replyBounds(uint32_t maxBytes);

  bool unreachable();
  // Downloads into `file` on the open session with the progress callback
  // (events pumped, Cancel and `bounds` honoured); DownloadToFile's result.
  ZRESULT download(const std::u16string& url, const std::u16string& file, TransferBounds bounds);
  // Open, download, close; false when the transfer failed (not when stopped).
  bool transfer(const std::u16string& agent, const std::u16string& url, const std::u16string& file,
                TransferBounds bounds);
  std::u16string temporaryFileFor(const TKRUpdateInfo& update, bool* quit);

  WizardSession& session_;
  const TKRDetectedProductList& products_;
  TKRUpdateInfoList& updates_;
  INetInternetSession* net_;  // the main form's session; may be null
  ServerAddresses addresses_;
  ServerSessionHost& host_;
  std::u16string title_;
  std::u16string programFolder_;  // Windows form, without a trailing backslash
  int barTag_ = 0;                // selected updates handled before the current one
  int32_t selectedCount_ = 0;
  TNetDownloadProgress progress_{};  // the copy the progress timer shows
  TransferBounds bounds_;            // of the running download; set by download()
};

}  // namespace zefkr
