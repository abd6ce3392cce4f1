// The main window's caption as a new user meets it: the application's title,
// then the active document window's title, in brackets while that window is
// maximised; after Ctrl+N, after Save As, after switching windows, maximised
// and restored. Read from the window the user sees, not the layer's copy.
#include "tests/support/QorexAppFixture.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Document.h"
#include "tests/support/TestSupport.h"

#include <QWidget>

#include <string>

namespace {

class MainFrameCaption : public QorexAppTest {
 protected:
  std::string Caption() const {
    QxTest::PumpEvents();
    return Frame()->GetWidget()->windowTitle().toStdString();
  }
  void Command(UINT id) {
    Frame()->SendMessage(WM_COMMAND, id);
    QxTest::PumpUntilIdle();
  }
  void SaveAs(const std::string& path) {
    QxFileNamePrompt previous =
        QxSetFileNamePrompt([&](CString& name, BOOL, LPCTSTR, LPCTSTR, LPCTSTR) {
          name = path.c_str();
          return TRUE;
        });
    Command(ID_FILE_SAVE_AS);
    QxSetFileNamePrompt(previous);
  }
};

TEST_F(MainFrameCaption, NamesTheActiveDocumentWindowOnce) {
  EXPECT_EQ(Caption(), "Quorvathine - [Qorex1]");

  QxTest::PressKey('N', MK_CONTROL, Frame());
  QxTest::PumpUntilIdle();
  EXPECT_EQ(Caption(), "Quorvathine - [Qorex2]");

  SaveAs(qxtest::MakeTempDir("caption") + "/g1.qox");
  EXPECT_EQ(Caption(), "Quorvathine - [g1.qox]");

  // The Window menu lists the windows in the order they were made.
  Command(AFX_IDM_FIRST_MDICHILD);
  EXPECT_EQ(Caption(), "Quorvathine - [Qorex1]");
  Command(AFX_IDM_FIRST_MDICHILD + 1);
  EXPECT_EQ(Caption(), "Quorvathine - [g1.qox]");
}

TEST_F(MainFrameCaption, RestoredWindowsShowTheDocumentWithoutBrackets) {
  QxTest::PressKey('N', MK_CONTROL, Frame());
  QxTest::PumpUntilIdle();
  Command(ID_WINDOW_CASCADE);
  EXPECT_EQ(Caption(), "Quorvathine - Qorex2");

  SaveAs(qxtest::MakeTempDir("caption") + "/g1.qox");
  EXPECT_EQ(Caption(), "Quorvathine - g1.qox");
  Command(AFX_IDM_FIRST_MDICHILD);
  EXPECT_EQ(Caption(), "Quorvathine - Qorex1");

  Frame()->MDIGetActive()->MDIMaximize();
  EXPECT_EQ(Caption(), "Quorvathine - [Qorex1]");
  Command(AFX_IDM_FIRST_MDICHILD + 1);
  EXPECT_EQ(Caption(), "Quorvathine - [g1.qox]");

  // The last document closed leaves the application's title alone.
  Command(ID_WINDOW_CASCADE);
  EXPECT_EQ(Caption(), "Quorvathine - g1.qox");
  for (int i = 0; i < 2; ++i) {
    QxTest::MessageBoxScript discard({IDNO});
    Command(ID_FILE_CLOSE);
  }
  EXPECT_EQ(Caption(), "Quorvathine");
}

}  // namespace
