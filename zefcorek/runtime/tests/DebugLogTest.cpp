// The debug log: line layout, line breaks, result codes, the pending limit
// and several writing threads.
#include "zefcorek/DebugLog.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <thread>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

std::vector<std::string> fileLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The fields of one log line: "hh:nn:ss.zzz" left-aligned in 16, the
// source right-aligned in 24, the level name and the text.
struct LogLine {
  std::string time, source, level, text;
};

bool parseLine(const std::string& line, LogLine* out) {
  if (line.size() < 16 + 3 + 24 + 3 + 1 + 3) return false;
  const std::string time = line.substr(0, 12);
  for (size_t i = 0; i < time.size(); ++i) {
    const bool separator = i == 2 || i == 5 || i == 8;
    if (separator ? time[i] != (i == 8 ? '.' : ':') : !isdigit(static_cast<unsigned char>(time[i]))) {
      return false;
    }
  }
  if (line.compare(12, 7, "     - ") != 0 || line.compare(43, 3, " - ") != 0) return false;
  const size_t colon = line.find(" : ", 46);
  if (colon == std::string::npos) return false;
  out->time = time;
  out->source = line.substr(19, 24);
  out->level = line.substr(46, colon - 46);
  out->text = line.substr(colon + 3);
  static const char* const kLevels[] = {"I", "W", "E", "RX", "TX"};
  return std::find(std::begin(kLevels), std::end(kLevels), out->level) != std::end(kLevels);
}

class DebugLogTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(ZefCoreKGetDebugLog(), nullptr);
    ASSERT_EQ(ZefCoreKAllocDebugLogToFile(scratch_.name("debug.log").c_str()), S_OK);
  }
  void TearDown() override {
    zefcorek::releaseDebugLogToFile();
    ZefCoreKSetDebugLog(nullptr);
  }
  std::vector<std::string> lines() { return fileLines(scratch_.read("debug.log")); }

  ScratchFolder scratch_;
};

TEST_F(DebugLogTest, EachLineOfAMessageIsOneLogLine) {
  struct Case {
    const char* name;
    std::u16string message;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"three breaks of three kinds", u"a\r\nb\nc", {"a", "b", "c"}},
      {"a lone CR breaks too", u"a\rb", {"a", "b"}},
      {"empty message: no line", u"", {}},
      {"trailing break: no empty line", u"a\n", {"a"}},
      {"two breaks in a row: an empty line", u"a\n\nb", {"a", "", "b"}},
      {"non-ASCII as UTF-8",
       u"Gr\u00fc\u00dfe \u20ac",
       {"Gr\xc3\xbc\xc3\x9f"
        "e \xe2\x82\xac"}},
      {"long text stays whole", std::u16string(5000, u'x'), {std::string(5000, 'x')}},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    zefcorek::releaseDebugLogToFile();
    ASSERT_EQ(ZefCoreKAllocDebugLogToFile(scratch_.name("debug.log").c_str()), S_OK);
    ASSERT_EQ(zefcorekLog(row.message.c_str(), u"Src"), S_OK);
    const auto written = lines();
    ASSERT_EQ(written.size(), row.texts.size());
    std::string firstTime;
    for (size_t i = 0; i < written.size(); ++i) {
      LogLine line;
      ASSERT_TRUE(parseLine(written[i], &line)) << written[i];
      if (i == 0) firstTime = line.time;
      EXPECT_EQ(line.time, firstTime) << "one time for every line of an entry";
      EXPECT_EQ(line.source, std::string(21, ' ') + "Src");
      EXPECT_EQ(line.level, "I");
      EXPECT_EQ(line.text, row.texts[i]);
    }
  }
  EXPECT_EQ(zefcorek::debugLogPendingCount(), 0u);
}

TEST_F(DebugLogTest, LevelNamesAndSourceColumn) {
  IDebugLog* log = ZefCoreKGetDebugLog();
  ASSERT_NE(log, nullptr);
  const std::pair<int32_t, const char*> levels[] = {{0, "I"},  {1, "W"}, {2, "E"}, {3, "RX"},
                                                    {4, "TX"}, {7, "I"}, {-1, "I"}};
  for (const auto& [level, name] : levels) {
    DbgLogEntry entry;
    entry.level = level;
    entry.source.AssignSz(u"ZefCoreK");
    entry.message.AssignSz(u"m");
    entry.time.AssignSz(u"12:00:00.000");
    ASSERT_EQ(log->WriteEntry(&entry), S_OK);
  }
  const auto written = lines();
  ASSERT_EQ(written.size(), std::size(levels));
  for (size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(written[i],
              std::string("12:00:00.000     - ") + std::string(16, ' ') + "ZefCoreK - " + levels[i].second + " : m");
  }
  EXPECT_EQ(log->WriteEntry(nullptr), E_FAIL);
  // An entry without a release function is deleted by the writer.
  auto* owned = new DbgLogEntryEx;
  owned->message.AssignSz(u"owned");
  EXPECT_EQ(log->WriteAndReleaseEntry(owned), S_OK);
  EXPECT_EQ(log->Reserved1(), 0);
  EXPECT_EQ(log->Reserved2(), 0);
}

TEST_F(DebugLogTest, ResultCodes) {
  EXPECT_EQ(zefcorekLog(nullptr, u"Src"), E_INVALIDARG);
  EXPECT_EQ(zefcorekLog(u"m", nullptr), E_INVALIDARG);
  EXPECT_EQ(ZefCoreKAllocDebugLogToFile(scratch_.name("second.log").c_str()), E_FAIL) << "a log is already set";
  EXPECT_FALSE(scratch_.exists("second.log"));

  zefcorek::releaseDebugLogToFile();
  EXPECT_EQ(ZefCoreKGetDebugLog(), nullptr);
  EXPECT_EQ(zefcorekLog(u"m", u"Src"), S_FALSE);
  const std::u16string unopenable = scratch_.name("missing-folder/debug.log");
  EXPECT_EQ(ZefCoreKAllocDebugLogToFile(unopenable.c_str()), E_FAIL);
  EXPECT_EQ(ZefCoreKGetDebugLog(), nullptr);
}

// A host log that keeps its entries and releases them later.
class KeepingLog final : public IDebugLog {
public:
  HRESULT WriteEntry(const DbgLogEntry*) override { return S_OK; }
  HRESULT WriteAndReleaseEntry(DbgLogEntryEx* entry) override {
    kept.push_back(entry);
    return S_OK;
  }
  void releaseAll() {
    for (DbgLogEntryEx* entry : kept) entry->release(entry);
    kept.clear();
  }
  std::vector<DbgLogEntryEx*> kept;
};

TEST_F(DebugLogTest, PendingEntriesStopAtTheLimit) {
  zefcorek::releaseDebugLogToFile();
  KeepingLog host;
  ASSERT_EQ(ZefCoreKSetDebugLog(&host), S_OK);
  for (uint32_t i = 0; i < kDebugLogPendingLimit; ++i) ASSERT_EQ(zefcorekLog(u"m", u"Src"), S_OK);
  EXPECT_EQ(zefcorek::debugLogPendingCount(), kDebugLogPendingLimit);
  EXPECT_EQ(zefcorekLog(u"one too many", u"Src"), E_OUTOFMEMORY);
  EXPECT_EQ(host.kept.size(), kDebugLogPendingLimit) << "the refused entry is not handed over";
  host.releaseAll();
  EXPECT_EQ(zefcorek::debugLogPendingCount(), 0u);
  EXPECT_EQ(zefcorekLog(u"again", u"Src"), S_OK);
  host.releaseAll();
  ZefCoreKSetDebugLog(nullptr);
}

TEST_F(DebugLogTest, ThreadsWriteWholeLines) {
  constexpr int kThreads = 4;
  constexpr int kEntries = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      // Two lines per entry, long enough to need several writes.
      const std::u16string body(300, static_cast<char16_t>(u'a' + t));
      const std::u16string message = body + u"\n" + body;
      for (int i = 0; i < kEntries; ++i) (void)zefcorekLog(message.c_str(), u"Writer");
    });
  }
  for (auto& writer : writers) writer.join();
  const auto written = lines();
  ASSERT_EQ(written.size(), size_t{kThreads * kEntries * 2});
  std::string previous;
  for (size_t i = 0; i < written.size(); ++i) {
    LogLine line;
    ASSERT_TRUE(parseLine(written[i], &line)) << written[i];
    const std::string text = line.text;
    ASSERT_EQ(text, std::string(300, text[0]));
    // The two lines of one entry stay together.
    if (i % 2 == 1) {
      ASSERT_EQ(text, previous) << "line " << i;
    }
    previous = text;
  }
  EXPECT_EQ(zefcorek::debugLogPendingCount(), 0u);
}

}  // namespace
