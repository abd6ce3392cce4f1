// Message boxes without a user interface: the default answer, the handler that
// answers them (also from a worker), exceptions reported through it, the beep
// handler, and the debug sink that TRACE and a failed ASSERT write to.
#include "platform/core/Debug.h"
#include "platform/core/Exceptions.h"
#include "platform/core/MessageBox.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>
#include <string>

namespace {

struct Box {
  HWND owner;
  std::string text, caption;
  UINT type;
};

// Answers every box with a fixed result and records what it was shown.
class AnsweredBoxes : public testing::Test {
 protected:
  void SetUp() override {
    previous = QxSetMessageBoxHandler([this](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
      shown.push_back({owner, text ? text : "", caption ? caption : "", type});
      return answer;
    });
  }
  void TearDown() override { QxSetMessageBoxHandler(previous); }

  int answer = IDOK;
  std::vector<Box> shown;
  QxMessageBoxHandler previous;
};

}  // namespace

TEST(MessageBoxDefault, AnswersWithTheDefaultButtonAndWritesTheBoxToTheDebugSink) {
  const std::pair<UINT, int> rows[] = {
      {MB_OK | MB_ICONSTOP, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONEXCLAMATION, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_RETRYCANCEL, IDRETRY},
      {MB_YESNO | MB_DEFBUTTON3, IDYES},  // no third button: the first is the default
  };
  for (auto [type, expected] : rows) EXPECT_EQ(QxDefaultMessageBoxAnswer(type), expected) << type;
  QxClearDebugOutput();
  EXPECT_EQ(MessageBox(nullptr, "Invalid settings", "Error", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_NE(QxDebugOutput().find("Invalid settings"), std::string::npos);
}

TEST_F(AnsweredBoxes, HandlerSeesTheBoxAndGivesTheAnswer) {
  answer = IDNO;
  EXPECT_EQ(MessageBoxA(nullptr, "Realtime text", "Realtime caption", MB_YESNO), IDNO);
  AfxRegisterString(AFX_IDS_APP_TITLE, "Quorvathine");
  AfxRegisterString(61234, "Prompt from the table");
  EXPECT_EQ(AfxMessageBox(61234, MB_OKCANCEL), IDNO);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Realtime text");
  EXPECT_EQ(shown[0].caption, "Realtime caption");
  EXPECT_EQ(shown[0].type, MB_YESNO);
  EXPECT_EQ(shown[1].text, "Prompt from the table");
  EXPECT_EQ(shown[1].caption, "Quorvathine");  // the application's title
}

TEST_F(AnsweredBoxes, ExceptionsReportThroughTheHandler) {
  try {
    AfxThrowArchiveException(CArchiveException::endOfFile, "design.qox");
  } catch (CException* e) {
    char message[256];
    EXPECT_TRUE(e->GetErrorMessage(message, sizeof message));
    EXPECT_EQ(e->ReportError(MB_ICONEXCLAMATION), IDOK);
    e->Delete();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, message);
    EXPECT_NE(shown[0].text.find("design.qox"), std::string::npos);
    EXPECT_EQ(shown[0].type, MB_ICONEXCLAMATION);
  }
  char tiny[5];
  CFileException error(CFileException::fileNotFound, 2, "/some/long/path.qox");
  EXPECT_TRUE(error.GetErrorMessage(tiny, sizeof tiny));
  EXPECT_EQ(std::string(tiny).size(), 4u);  // cut and ended within the buffer
}

using AnsweredBoxesThreads = AnsweredBoxes;

TEST_F(AnsweredBoxesThreads, AWorkersBoxReachesTheHandler) {
  auto worker = std::async(std::launch::async, [] {
    return MessageBoxA(nullptr, "The sampling time must be between 1[ms] and 30[s]",
                       "Realtime process control error", MB_OK);
  });
  EXPECT_EQ(worker.get(), IDOK);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Realtime process control error");
}

// Every beep, from any thread, reaches the installed handler with its type
// and leaves its line in the debug sink; once the handler is taken away the
// line alone is left.
TEST(MessageBeepThreads, EveryBeepReachesTheHandlerAndTheDebugSink) {
  std::vector<UINT> heard;
  QxBeepHandler previous = QxSetBeepHandler([&heard](UINT type) { heard.push_back(type); });
  QxClearDebugOutput();
  EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
  EXPECT_TRUE(MessageBeep(MB_ICONHAND));
  std::async(std::launch::async, [] { MessageBeep(MB_OK); }).get();
  EXPECT_EQ(heard, (std::vector<UINT>{0xFFFFFFFF, MB_ICONHAND, MB_OK}));
  const std::string traced = QxDebugOutput();
  for (const char* line : {"MessageBeep 4294967295", "MessageBeep 16", "MessageBeep 0"})
    EXPECT_NE(traced.find(line), std::string::npos) << line;

  QxSetBeepHandler(previous);
  QxClearDebugOutput();
  EXPECT_TRUE(MessageBeep(MB_ICONASTERISK));
  EXPECT_EQ(heard.size(), 3u);
  EXPECT_NE(QxDebugOutput().find("MessageBeep 64"), std::string::npos);
}

TEST(Debug, TraceAndAFailedAssertReachTheSinkAndGoOn) {
  QxClearDebugOutput();
  TRACE("%d panes of %s\n", 3, "signals");
  EXPECT_EQ(QxDebugOutput(), "3 panes of signals\n");
  int evaluated = 0;
  ASSERT(++evaluated == 1);
  VERIFY(++evaluated == 5);
  int line = __LINE__ - 1;
  EXPECT_EQ(evaluated, 2);
  EXPECT_EQ(QxAssertFailureCount(), 1);
  std::string expected = std::string(__FILE__) + "(" + std::to_string(line) + ")";
  EXPECT_NE(QxDebugOutput().find(expected), std::string::npos) << QxDebugOutput();
}

// The sink keeps only its newest whole lines, so that a flood of traces costs
// no memory; a single line longer than the tail keeps its end.
TEST(Debug, TheSinkKeepsItsNewestWholeLinesWithinItsTail) {
  QxClearDebugOutput();
  for (int i = 0; i < 100000; ++i) TRACE("line %d of the flood\n", i);
  std::string out = QxDebugOutput();
  EXPECT_LE(out.size(), kQxDebugTailBytes);
  EXPECT_GT(out.size(), kQxDebugTailBytes - 30);
  EXPECT_EQ(out.rfind("line ", 0), 0u) << out.substr(0, 40);
  const std::string last = "line 99999 of the flood\n";
  EXPECT_EQ(out.substr(out.size() - last.size()), last);

  const std::string longLine(kQxDebugTailBytes + 100, 'x');
  TRACE("%s|\n", longLine.c_str());
  out = QxDebugOutput();
  EXPECT_EQ(out.size(), kQxDebugTailBytes);
  EXPECT_EQ(out.substr(out.size() - 3), "x|\n");
  QxClearDebugOutput();
  EXPECT_EQ(QxDebugOutput(), "");
}
