#include "zefkr/Pages.h"
#include "zefkr/ProxySettings.h"

#include "zefkr/Language.h"
#include "zefkr/VendrakoIni.h"

#include "zefcorek/NetDetect.h"
#include "zefcorek/NetInternetSession.h"
#include "zefcorek/NetModel.h"

#include "platform/CodePage.h"

#include "TestLanguage.h"
#include "TestRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

using zefkr::testing::TestRoot;

using zefkr::testing::kCommonCopy;

struct SetProxyCall {
  std::u16string host;
  uint32_t port;
  std::u16string user;
  std::u16string password;
};

class FakeSession : public IStdInterfaceImp, public virtual INetInternetSession {
public:
  std::vector<SetProxyCall> calls;
  ZRESULT Open(const WCHAR*) override { return ZR_OK; }
  ZRESULT Close() override { return ZR_OK; }
  ZRESULT DownloadToFile(const WCHAR*, const WCHAR*, TNetDownloadProgressCallback, intptr_t) override {
    return ZR_FAILED;
  }
  ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) override {
    calls.push_back({host, port, user, password});
    return ZR_OK;
  }
};

class FakeWatcher : public IStdInterfaceImp, public virtual INetDetect {
public:
  std::vector<SetProxyCall> calls;
  ZRESULT CheckConnection() override { return kNetConnected; }
  ZRESULT Start(HWND, uint32_t) override { return ZR_OK; }
  ZRESULT Stop() override { return ZR_OK; }
  ZRESULT AddListener(TNetDetectListener, void*) override { return ZR_OK; }
  ZRESULT RemoveListener(TNetDetectListener) override { return ZR_OK; }
  ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) override {
    calls.push_back({host, port, user, password});
    return ZR_OK;
  }
};

class ProxyAndPagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    zefkr::testing::loadMessages(root_.path(),
                                 "3011=no address\r\n3012=bad port\r\n1703=%s of %s\r\n1704=failed: %d\r\n"
                                 "1705=unconfirmed: %d\r\n");
  }
  void TearDown() override { KRFreeLanguage(); }

  std::string proxySection() {
    const std::string text = root_.readFile(kCommonCopy);
    const size_t start = text.find("[ProxySettings]");
    return start == std::string::npos ? std::string() : text.substr(start);
  }

  TestRoot root_;
};

TEST_F(ProxyAndPagesTest, DialogValidation) {
  struct Case {
    const char* name;
    std::u16string address;
    std::u16string port;
    zefkr::ProxySaveResult result;
    std::u16string errors;
    int savedPort;
  };
  const Case cases[] = {
      {"empty port saves 80", u" proxy.lan ", u"", zefkr::ProxySaveResult::kSaved, u"", 80},
      {"port 0", u"proxy.lan", u"0", zefkr::ProxySaveResult::kInvalid, u"bad port", 0},
      {"port 65536", u"proxy.lan", u"65536", zefkr::ProxySaveResult::kInvalid, u"bad port", 0},
      {"port 65537", u"proxy.lan", u"65537", zefkr::ProxySaveResult::kInvalid, u"bad port", 0},
      {"letter first", u"proxy.lan", u"x1", zefkr::ProxySaveResult::kInvalid, u"bad port", 0},
      {"number then text", u"proxy.lan", u" 8080abc", zefkr::ProxySaveResult::kSaved, u"", 8080},
      {"highest port", u"proxy.lan", u"65535", zefkr::ProxySaveResult::kSaved, u"", 65535},
      {"no address", u"  ", u"8080", zefkr::ProxySaveResult::kInvalid, u"no address", 0},
      {"both problems", u"", u"0", zefkr::ProxySaveResult::kInvalid, u"no address\r\nbad port", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    root_.writeFile(kCommonCopy, "");
    zefkr::TVendrakoIni copies;
    zefkr::ProxyDialogFields fields;
    fields.custom = true;
    fields.address = c.address;
    fields.portText = c.port;
    fields.user = u"M e";
    fields.password = u"s3cr3t";
    std::u16string errors;
    EXPECT_EQ(zefkr::saveProxyDialogFields(copies, fields, &errors), c.result);
    EXPECT_EQ(errors, c.errors);
    if (c.result != zefkr::ProxySaveResult::kSaved) {
      EXPECT_EQ(proxySection(), "");
      continue;
    }
    const zefkr::ProxyDialogFields loaded = zefkr::loadProxyDialogFields(copies);
    EXPECT_TRUE(loaded.custom);
    EXPECT_EQ(loaded.address, u"proxy.lan");
    EXPECT_EQ(loaded.portText, platform::ansiToWideLenient(std::to_string(c.savedPort)));
    EXPECT_EQ(loaded.user, u"M e");
    EXPECT_EQ(loaded.password, u"s3cr3t");
  }
}

TEST_F(ProxyAndPagesTest, StoredScrambledAndHandedOn) {
  root_.writeFile(kCommonCopy, "");
  {
    zefkr::TVendrakoIni copies;
    zefkr::ProxyDialogFields fields{true, u"proxy.lan", u"3128", u"Me", u"s3cr3t"};
    std::u16string errors;
    ASSERT_EQ(zefkr::saveProxyDialogFields(copies, fields, &errors), zefkr::ProxySaveResult::kSaved);
  }
  // The file holds the scrambled texts, byte for byte.
  CLWideStr user;
  CLWideStr password;
  netmodelCryptString(CLWideStr(u"Me"), user);
  netmodelCryptString(CLWideStr(u"s3cr3t"), password);
  const std::string section = proxySection();
  EXPECT_NE(section.find("ProxyUserID=" + platform::wideToAnsiLenient(user.ToUnicodeString())), std::string::npos)
      << section;
  EXPECT_NE(section.find("ProxyPassword=" + platform::wideToAnsiLenient(password.ToUnicodeString())), std::string::npos)
      << section;
  EXPECT_EQ(section.find("s3cr3t"), std::string::npos);

  FakeSession session;
  FakeWatcher watcher;
  zefkr::ApplyProxySettings(&watcher, &session);
  ASSERT_EQ(watcher.calls.size(), 1u);
  ASSERT_EQ(session.calls.size(), 1u);
  EXPECT_EQ(session.calls[0].host, u"proxy.lan");
  EXPECT_EQ(session.calls[0].port, 3128u);
  EXPECT_EQ(session.calls[0].user, u"Me");
  EXPECT_EQ(session.calls[0].password, u"s3cr3t");

  // System mode writes only Mode; the server data stay for the dialog.
  {
    zefkr::TVendrakoIni copies;
    zefkr::ProxyDialogFields fields{false, u"", u"", u"", u""};
    std::u16string errors;
    ASSERT_EQ(zefkr::saveProxyDialogFields(copies, fields, &errors), zefkr::ProxySaveResult::kSaved);
    const zefkr::ProxyDialogFields loaded = zefkr::loadProxyDialogFields(copies);
    EXPECT_FALSE(loaded.custom);
    EXPECT_EQ(loaded.address, u"proxy.lan");
    EXPECT_EQ(loaded.portText, u"3128");
    EXPECT_FALSE(zefkr::proxyServerFieldsEnabled(!loaded.custom));
  }
  zefkr::ApplyProxySettings(nullptr, &session);
  ASSERT_EQ(session.calls.size(), 2u);
  EXPECT_EQ(session.calls[1].host, u"");
  EXPECT_EQ(session.calls[1].port, 0u);
}

TEST_F(ProxyAndPagesTest, PortsAsStoredByOthers) {
  const struct {
    const char* stored;
    uint32_t port;
  } cases[] = {
      {"Mode=1\r\nProxyAddressHTTP=h\r\n", 80},
      {"Mode=1\r\nProxyAddressHTTP=h\r\nProxyPortHTTP=65536\r\n", 65536},
      {"Mode=1\r\nProxyPortHTTP=81\r\n", 81},
  };
  for (const auto& c : cases) {
    root_.writeFile(kCommonCopy, std::string("[ProxySettings]\r\n") + c.stored);
    const zefkr::TVendrakoIni copies;
    EXPECT_EQ(zefkr::proxyForSession(copies).port, c.port) << c.stored;
  }
  // The session's own rule then applies to what it is handed.
  FakeSession session;
  root_.writeFile(kCommonCopy, "[ProxySettings]\r\nMode=1\r\nProxyAddressHTTP=h\r\nProxyPortHTTP=65536\r\n");
  zefkr::ApplyProxySettings(nullptr, &session);
  EXPECT_EQ(session.calls.at(0).port, 65536u);
}

TEST_F(ProxyAndPagesTest, NoCommonCopyWritesNothing) {
  // The common data folder cannot be made: a file stands in its way.
  std::filesystem::remove_all(root_.path() + "/CommonAppData");
  std::ofstream(root_.path() + "/CommonAppData") << "in the way";
  zefkr::TVendrakoIni copies;
  ASSERT_EQ(copies.GetIni(0), nullptr);
  zefkr::ProxyDialogFields fields{true, u"proxy.lan", u"80", u"", u""};
  std::u16string errors;
  EXPECT_EQ(zefkr::saveProxyDialogFields(copies, fields, &errors), zefkr::ProxySaveResult::kNoSettingsFile);
  FakeSession session;
  zefkr::ApplyProxySettings(nullptr, &session);
  EXPECT_EQ(session.calls.at(0).host, u"");
  EXPECT_EQ(session.calls.at(0).port, 0u);
}

TEST_F(ProxyAndPagesTest, WelcomePageChoiceAndItsSaving) {
  const char* const files[] = {kCommonCopy, zefkr::testing::kUserCopy, "Windows/VENDRAKO.INI"};
  const struct {
    const char* values[3];
    bool ticked;
  } cases[] = {
      {{nullptr, nullptr, nullptr}, true},
      {{nullptr, "0", "1"}, false},
      {{"1", "0", nullptr}, true},
      {{nullptr, nullptr, "0"}, false},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 3; ++i) {
      root_.writeFile(files[i], c.values[i] ? std::string("[ZefUpdaterLogin]\r\nAutomaticMode=") + c.values[i] + "\r\n"
                                            : std::string());
    }
    const zefkr::TVendrakoIni copies;
    EXPECT_EQ(zefkr::automaticModeTicked(copies), c.ticked);
  }
  zefkr::WizardSession session;
  zefkr::TVendrakoIni copies;
  EXPECT_TRUE(zefkr::SaveChoices(copies, session, false));
  EXPECT_EQ(session.FUserID.ToUnicodeString(), u"***KW***");
  EXPECT_EQ(session.FPassword.ToUnicodeString(), u"***ZJ***");
  EXPECT_NE(root_.readFile(kCommonCopy).find("AutomaticMode=0"), std::string::npos);
}

TEST_F(ProxyAndPagesTest, SummaryRowsAndWarning) {
  auto updates = std::make_unique<zefkr::TKRUpdateInfoList>();
  const auto add = [&](const char16_t* name, uint32_t status, bool selected = true) {
    zefkr::TKRUpdateInfo& update = updates->items[static_cast<size_t>(updates->count++)];
    update.name = name;
    update.date = *platform::EncodeDate(2024, 2, 1);
    update.status = status;
    update.selected = selected;
  };
  add(u"A", zefkr::kUpdateDownloaded | zefkr::kUpdateInstalled);
  add(u"B", zefkr::kUpdateInstalled, /*selected=*/false);
  zefkr::InstallSummary summary = zefkr::installSummary(*updates);
  ASSERT_EQ(summary.rows.size(), 1u);
  EXPECT_EQ(summary.rows[0].caption, u"A of 01/02/2024");
  EXPECT_EQ(summary.rows[0].image, 1);
  EXPECT_EQ(summary.warning, u"");

  add(u"C", zefkr::kUpdateDownloaded | zefkr::kUpdateNoInformation);
  add(u"D", 0);
  summary = zefkr::installSummary(*updates);
  EXPECT_EQ(summary.rows.size(), 3u);
  EXPECT_EQ(summary.rows[1].image, 2);
  EXPECT_EQ(summary.failures, 2);
  EXPECT_EQ(summary.withoutInformation, 1);
  EXPECT_EQ(summary.warning, u"failed: 2\r\nunconfirmed: 1");

  updates->count = 3;
  EXPECT_EQ(zefkr::installSummary(*updates).warning, u"failed: 1\r\nunconfirmed: 1");
  EXPECT_EQ(zefkr::refusalReasons(0), (std::pair<int32_t, int32_t>{0, 0}));
  EXPECT_EQ(zefkr::refusalReasons(1), (std::pair<int32_t, int32_t>{2002, 2003}));
  EXPECT_EQ(zefkr::refusalReasons(4), (std::pair<int32_t, int32_t>{2008, 2009}));
  EXPECT_EQ(zefkr::refusalReasons(5), (std::pair<int32_t, int32_t>{0, 0}));
}

}  // namespace
