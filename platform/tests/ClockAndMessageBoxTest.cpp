#include "platform/Clock.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

namespace {

TEST(ClockTest, VirtualClockMovesOnlyWhenSleptOrAdvanced) {
  platform::VirtualClock virtualClock({2026, 12, 3, 31, 23, 59, 59, 900});
  platform::ScopedClock scoped(virtualClock);
  const DWORD start = GetTickCount();
  EXPECT_EQ(GetTickCount(), start);
  Sleep(150);
  virtualClock.advance(50);
  EXPECT_EQ(GetTickCount() - start, 200u);
  EXPECT_EQ(virtualClock.sleptMs(), 150u);

  SYSTEMTIME now{};
  GetLocalTime(&now);  // 23:59:59.900 + 200 ms crosses into the new year
  EXPECT_EQ(now.wYear, 2027);
  EXPECT_EQ(now.wMonth, 1);
  EXPECT_EQ(now.wDay, 1);
  EXPECT_EQ(now.wSecond, 0);
  EXPECT_EQ(now.wMilliseconds, 100);
}

TEST(ClockTest, SystemClockIsMonotonic) {
  const ULONGLONG before = GetTickCount64();
  Sleep(5);
  EXPECT_GE(GetTickCount64() - before, 5u);
}

TEST(MessageBoxTest, DefaultAnswerIsTheDefaultButton) {
  const struct {
    UINT type;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::defaultAnswer(c.type), c.answer) << c.type;
}

TEST(MessageBoxTest, RecorderKeepsBoxesAndAnswersFromScript) {
  platform::RecordingMessageBoxes boxes;
  boxes.answerNext(IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Delete?", u"Title", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "caf\xC3\xA9", nullptr, MB_YESNO), IDYES);
  const auto shown = boxes.shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, u"Delete?");
  EXPECT_EQ(shown[0].caption, u"Title");
  EXPECT_EQ(shown[1].text, u"caf\u00E9");
  EXPECT_EQ(shown[1].caption, u"");
}

}  // namespace
