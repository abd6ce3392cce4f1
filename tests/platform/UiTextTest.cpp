// Text in the system's code page (Windows-1252) and paths in the file
// system's bytes: keys of other languages typed into edits and windows,
// pasted text, and file names with accents in the title, the recent-file list
// and messages, while the file keeps its name on disk.
#include "platform/core/CodePage.h"
#include "platform/core/Debug.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Controls.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qxtest {
namespace {

int Beeps() {
  const std::string out = QxDebugOutput();
  int n = 0;
  for (size_t at = out.find("MessageBeep"); at != std::string::npos;
       at = out.find("MessageBeep", at + 1))
    ++n;
  return n;
}

// A window that keeps the characters it is sent.
class CCharLog : public CWnd {
 public:
  std::string m_chars;

 protected:
  void OnChar(UINT ch, UINT, UINT) { m_chars += static_cast<char>(ch); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CCharLog, CWnd)
ON_WM_CHAR()
END_MESSAGE_MAP()

std::string TextOf(const CWnd& wnd) {
  CString text;
  wnd.GetWindowText(text);
  return text.GetString();
}

// The control engineer's comment, typed: the Greek letters have no byte in
// the code page and are refused, each with a beep; the umlauts, the euro
// sign and the accent go in as their code-page bytes.
TEST(UiText, TypedKeysGoInAsCodePageBytesOrAreRefused) {
  const char* typed = "wc: ω=2π rad/s, Kosten 5€, Regler für Füllstand é";
  const std::string kept = "wc: =2 rad/s, Kosten 5\x80, Regler f\xFCr F\xFCllstand \xE9";
  CCharLog host;
  ASSERT_TRUE(
      host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 200), nullptr, 0));
  CEdit line, lines;
  ASSERT_TRUE(line.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 390, 30), &host, 301));
  ASSERT_TRUE(lines.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN,
                           CRect(10, 40, 390, 120), &host, 302));
  for (CWnd* target :
       {static_cast<CWnd*>(&line), static_cast<CWnd*>(&lines), static_cast<CWnd*>(&host)}) {
    target->SetFocus();
    QxClearDebugOutput();
    QxTest::TypeText(typed);
    EXPECT_EQ(Beeps(), 2);
    EXPECT_EQ(target == &host ? host.m_chars : TextOf(*target), kept);
  }
  // What the edit shows is what it keeps.
  EXPECT_EQ(line.GetWidget()->property("text").toString().toStdString(),
            "wc: =2 rad/s, Kosten 5€, Regler für Füllstand é");
  host.DestroyWindow();
}

// Pasted text the code page cannot hold is refused whole, with a beep, and
// the edit keeps what it had; text it can hold goes in.
TEST(UiText, PastedTextTheCodePageCannotHoldIsRefused) {
  CWnd host;
  ASSERT_TRUE(
      host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 200), nullptr, 0));
  CEdit line, lines;
  ASSERT_TRUE(line.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 390, 30), &host, 301));
  ASSERT_TRUE(lines.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN,
                           CRect(10, 40, 390, 120), &host, 302));
  const struct {
    const char* pasted;
    const char* kept;
    int beeps;
  } rows[] = {
      {"Füße, 5€",
       "xF\xFC\xDF"
       "e, 5\x80",
       0},
      {"ω = 2π, für", "x", 1},
  };
  for (CEdit* edit : {&line, &lines}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.pasted);
      edit->SetWindowText("x");
      edit->SetFocus();
      QxTest::PressKey(VK_END, MK_CONTROL);
      QGuiApplication::clipboard()->setText(QString::fromUtf8(row.pasted));
      QxClearDebugOutput();
      QxTest::PressKey('V', MK_CONTROL);
      EXPECT_EQ(TextOf(*edit), row.kept);
      EXPECT_EQ(Beeps(), row.beeps);
      QxTest::TypeText("!");  // the caret stayed at the end
      EXPECT_EQ(TextOf(*edit), std::string(row.kept) + "!");
    }
  }
  host.DestroyWindow();
}

// Each refusal of an edit sounds the system's beep once, counted through the
// test hook: a typed or pasted character the code page cannot hold, and a
// letter typed into an edit that takes digits only. What is taken is silent.
TEST(UiText, EachRefusedCharacterSoundsTheBeepOnce) {
  CWnd host;
  ASSERT_TRUE(
      host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 400, 200), nullptr, 0));
  CEdit text, digits;
  ASSERT_TRUE(text.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 390, 30), &host, 301));
  ASSERT_TRUE(digits.Create(WS_CHILD | WS_VISIBLE | ES_NUMBER, CRect(10, 40, 390, 60), &host, 302));
  const struct {
    CEdit* edit;
    const char* typed;
    const char* pasted;
    const char* kept;
    int beeps;
  } rows[] = {
      {&text, "ω", nullptr, "", 1},
      {&text, "2πé", nullptr, "2\xE9", 1},
      {&text, nullptr, "ω t", "", 1},
      {&text, nullptr, "Füße",
       "F\xFC\xDF"
       "e",
       0},
      {&digits, "4a2", nullptr, "42", 1},
      {&digits, "42", nullptr, "42", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed ? row.typed : row.pasted);
    row.edit->SetWindowText("");
    row.edit->SetFocus();
    QxTest::BeepCounter beeps;
    if (row.typed) {
      QxTest::TypeText(row.typed);
    } else {
      QGuiApplication::clipboard()->setText(QString::fromUtf8(row.pasted));
      QxTest::PressKey('V', MK_CONTROL);
    }
    EXPECT_EQ(TextOf(*row.edit), row.kept);
    EXPECT_EQ(beeps.Types(), std::vector<UINT>(row.beeps, 0xFFFFFFFF));
  }
  host.DestroyWindow();
}

TEST(UiText, PathsBecomeTextByTheirCharacters) {
  const struct {
    const char* path;
    const char* text;
  } rows[] = {
      {"/home/plan/a.qox", "/home/plan/a.qox"},
      {"mein Entwurf \xC3\xA9 \xC3\xBC.qox", "mein Entwurf \xE9 \xFC.qox"},
      {"5\xE2\x82\xAC.qox", "5\x80.qox"},  // the euro sign has a byte
      {"\xCF\x89.qox", "?.qox"},           // omega has none
      {"caf\xE9.qox", "caf?.qox"},         // a byte that is not UTF-8
      {"\xC3", "?"},                       // cut short
      {"\xC0\xAF\xED\xA0\x80", "?????"},   // overlong, a surrogate
      {"\xF0\x9F\x99\x82 ok", "? ok"},     // beyond the first plane
  };
  for (const auto& row : rows) EXPECT_EQ(QxPathToText(row.path), row.text) << row.path;
  for (int b = 1; b < 256; ++b) {
    BYTE back = 0;
    ASSERT_TRUE(QxUnicodeToWindows1252(QxWindows1252ToUnicode(static_cast<BYTE>(b)), &back)) << b;
    EXPECT_EQ(back, b);
  }
}

using UiFileNames = UiApp;

// A design saved under a name with accents keeps that name on disk; the
// title, the window's caption, the recent-file list and a message naming
// the file show it as the file system names it, and it opens again from the
// list.
TEST_F(UiFileNames, AccentedNameThroughSaveRecentListAndReopen) {
  const std::string folder = MakeTempDir("names");
  const std::string name = "mein Entwurf \xC3\xA9 \xC3\xBC.pln";  // UTF-8, as the disk has it
  const std::string path = folder + "/" + name;
  const QString shown = QString::fromUtf8(name.c_str());
  QxFileNamePrompt previous =
      QxSetFileNamePrompt([&](CString& chosen, BOOL, LPCTSTR, LPCTSTR, LPCTSTR) {
        chosen = path.c_str();
        return TRUE;
      });
  ActiveDoc()->m_nValue = 7;
  Frame()->SendMessage(WM_COMMAND, ID_FILE_SAVE_AS);
  QxSetFileNamePrompt(previous);
  ASSERT_TRUE(std::filesystem::exists(std::filesystem::u8path(path)));
  EXPECT_STREQ(ActiveDoc()->GetPathName(), path.c_str());
  EXPECT_STREQ(ActiveDoc()->GetTitle(), "mein Entwurf \xE9 \xFC.pln");
  QxTest::PumpEvents();
  EXPECT_TRUE(Frame()->GetWidget()->windowTitle().contains(shown))
      << Frame()->GetWidget()->windowTitle().toStdString();

  CMenu* fileMenu = CMenu::FromHandle(Frame()->GetFrameMenu())->GetSubMenu(0);
  Frame()->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(fileMenu->GetSafeHmenu()), 0);
  CString recent;
  fileMenu->GetMenuString(ID_FILE_MRU_FILE1, recent, MF_BYCOMMAND);
  EXPECT_EQ(recent, CString("&1 ") + QxPathToText(path).c_str());
  // The File menu as the menu bar opens it.
  QMenu* file = Frame()->QxMainWindow()->menuBar()->actions().value(0)->menu();
  ASSERT_NE(file, nullptr);
  Q_EMIT file->aboutToShow();
  bool listed = false;
  for (QAction* item : file->actions()) listed |= item->text().contains(shown);
  EXPECT_TRUE(listed);
  Q_EMIT file->aboutToHide();

  // Closed and opened again from the list: the same file, by its real name.
  Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
  QxTest::PumpEvents();
  ASSERT_EQ(m_app->GetOpenDocumentCount(), 0);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
  QxTest::PumpEvents();
  ASSERT_EQ(m_app->GetOpenDocumentCount(), 1);
  EXPECT_STREQ(ActiveDoc()->GetPathName(), path.c_str());
  EXPECT_EQ(ActiveDoc()->m_nValue, 7);

  // A message naming a missing file with such a name names it so too.
  QxTest::MessageBoxScript boxes;
  EXPECT_EQ(m_app->OpenDocumentFile((folder + "/weg \xC3\xA9.pln").c_str()), nullptr);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("weg \xE9.pln"), std::string::npos) << boxes.Boxes()[0].text;
}

}  // namespace
}  // namespace qxtest
