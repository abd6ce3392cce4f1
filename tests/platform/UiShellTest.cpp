// The windows layer's side towards the desktop, on the small test application:
// the document type registered with the desktop, files dropped on the main
// frame, menu-bar popups released when they are filled again, and cursors
// registered again.
#include "platform/core/Debug.h"
#include "tests/platform/UiTestApp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace qxtest {
namespace {

std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class UiShell : public UiApp {
 protected:
  // Drags the URLs onto the main frame and drops them, as a file manager
  // does, offering `offered` with the keys `keys` held (Shift proposes a
  // move, Ctrl+Shift a link); whether the frame took them. What the frame
  // answered the source at each step, and what the source proposed, are kept.
  bool Drop(const QList<QUrl>& urls, Qt::DropActions offered = Qt::CopyAction,
            Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMimeData data;
    data.setUrls(urls);
    QWidget* frame = Frame()->GetWidget();
    QDragEnterEvent enter(QPoint(40, 40), offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(frame, &enter);
    QDragMoveEvent move(QPoint(42, 42), offered, &data, Qt::LeftButton, keys);
    QApplication::sendEvent(frame, &move);
    QDropEvent drop(QPointF(42, 42), offered, &data, Qt::LeftButton, keys);
    m_proposed = drop.proposedAction();
    QApplication::sendEvent(frame, &drop);
    QxTest::PumpEvents();
    m_answers = {enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction,
                 move.isAccepted() ? move.dropAction() : Qt::IgnoreAction,
                 drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
    return enter.isAccepted() && drop.isAccepted();
  }
  Qt::DropAction m_proposed = Qt::IgnoreAction;
  std::vector<Qt::DropAction> m_answers;
};

TEST_F(UiShell, DocumentTypeIsRegisteredWithTheDesktopAndRewrittenOnlyWhenChanged) {
  std::filesystem::path data = qxtest::MakeTempDir("data");
  std::string saved = std::getenv("XDG_DATA_HOME");
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  m_app->RegisterShellFileTypes(TRUE);
  std::filesystem::path package = data / "mime/packages/testapp-pln.xml";
  std::filesystem::path entry = data / "applications/testapp.desktop";
  std::string xml = Read(package);
  EXPECT_NE(xml.find("<mime-type type=\"application/x-plan-document\">"), std::string::npos);
  EXPECT_NE(xml.find("<comment>Plan Document</comment>"), std::string::npos);
  EXPECT_NE(xml.find("<glob pattern=\"*.pln\"/>"), std::string::npos);
  const std::string expected = "[Desktop Entry]\nType=Application\nName=Testapp\nExec=" +
                               std::filesystem::read_symlink("/proc/self/exe").string() +
                               " %F\nMimeType=application/x-plan-document;\nTerminal=false\n";
  EXPECT_EQ(Read(entry), expected);

  // A start with everything in place writes nothing; a changed file is put right.
  auto inode = [](const std::filesystem::path& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ino;
  };
  ino_t packageNode = inode(package), entryNode = inode(entry);
  m_app->RegisterShellFileTypes(TRUE);
  EXPECT_EQ(inode(package), packageNode);
  EXPECT_EQ(inode(entry), entryNode);
  std::ofstream(entry) << "stale";
  m_app->RegisterShellFileTypes(TRUE);
  EXPECT_EQ(Read(entry), expected);

  // A data folder that cannot be made is traced, never shown to the user.
  std::ofstream(data / "plain") << "x";
  setenv("XDG_DATA_HOME", (data / "plain").c_str(), 1);
  QxClearDebugOutput();
  QxTest::MessageBoxScript boxes;
  m_app->RegisterShellFileTypes(TRUE);
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_NE(QxDebugOutput().find("Cannot write"), std::string::npos);
  setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST_F(UiShell, DroppedLocalFilesOpenOnlyOnAFrameThatAcceptsThem) {
  std::string folder = qxtest::MakeTempDir("drop");
  std::string sketch = folder + "/drawing.pln";
  std::ofstream(sketch, std::ios::binary) << std::string("\x2A\0\0\0\xEF\xBE", 6);
  QUrl file = QUrl::fromLocalFile(QString::fromStdString(sketch));
  QUrl missing = QUrl::fromLocalFile(QString::fromStdString(folder + "/missing.pln"));
  QUrl web("https://example.org/drawing.pln");

  EXPECT_FALSE(Drop({file}));  // DragAcceptFiles not called yet
  Frame()->DragAcceptFiles();
  EXPECT_FALSE(Drop({web}));
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 1);

  QxTest::MessageBoxScript boxes;
  EXPECT_TRUE(Drop({web, file, missing}));
  EXPECT_EQ(boxes.Boxes().size(), 1u);          // the missing file's message
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);  // nothing left of the failed one
  EXPECT_STREQ(ActiveDoc()->GetPathName(), sketch.c_str());

  Frame()->DragAcceptFiles(FALSE);
  EXPECT_FALSE(Drop({file}));
}

// Opening a dropped file takes a copy of nothing away from its source: every
// answer the source gets is a copy, whatever it proposed, and a source that
// offers no copy is refused rather than told to move or link the file away.
TEST_F(UiShell, ADroppedFileIsAlwaysTakenAsACopy) {
  std::string folder = qxtest::MakeTempDir("dropcopy");
  std::string sketch = folder + "/drawing.pln";
  std::ofstream(sketch, std::ios::binary) << std::string("\x2A\0\0\0\xEF\xBE", 6);
  const QUrl file = QUrl::fromLocalFile(QString::fromStdString(sketch));
  Frame()->DragAcceptFiles();
  const std::vector<Qt::DropAction> copied(3, Qt::CopyAction);
  const struct {
    const char* name;
    Qt::DropActions offered;
    Qt::KeyboardModifiers keys;
    Qt::DropAction proposed;
    bool taken;
  } rows[] = {
      {"copy proposed", Qt::CopyAction | Qt::MoveAction, Qt::NoModifier, Qt::CopyAction, true},
      {"move proposed", Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier, Qt::MoveAction, true},
      {"link proposed", Qt::CopyAction | Qt::LinkAction, Qt::ShiftModifier | Qt::ControlModifier,
       Qt::LinkAction, true},
      {"only a move offered", Qt::MoveAction, Qt::NoModifier, Qt::MoveAction, false},
  };
  for (const auto& row : rows) {
    const int documents = m_app->GetOpenDocumentCount();
    EXPECT_EQ(Drop({file}, row.offered, row.keys), row.taken) << row.name;
    EXPECT_EQ(m_proposed, row.proposed) << row.name;
    if (row.taken) {
      EXPECT_EQ(m_answers, copied) << row.name;
      EXPECT_STREQ(ActiveDoc()->GetPathName(), sketch.c_str()) << row.name;
    } else {
      EXPECT_EQ(m_answers, std::vector<Qt::DropAction>(3, Qt::IgnoreAction)) << row.name;
      EXPECT_EQ(m_app->GetOpenDocumentCount(), documents) << row.name;
    }
  }
  EXPECT_TRUE(std::filesystem::exists(sketch));
}

TEST_F(UiShell, MenuBarPopupsAreReleasedWhenFilledAgain) {
  constexpr UINT IDR_NESTED = 150;
  QxRegisterMenu(IDR_NESTED,
                 {{"&Outer", 0, MF_POPUP, {{"&Sub", 0, MF_POPUP, {{"&In", ID_ROUTE_APP}}}}}});
  CMenu nested;
  ASSERT_TRUE(nested.LoadMenu(IDR_NESTED));
  HMENU shown = Frame()->GetFrameMenu();
  QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
  auto popups = [&] {
    QxTest::PumpEvents();
    return bar->findChildren<QMenu*>().size();
  };
  Frame()->SetFrameMenu(nested);
  const auto before = popups();  // "Outer" and "Sub"
  for (int i = 0; i < 5; ++i) {
    QMenu* outer = bar->actions().value(0)->menu();
    outer->popup(QPoint(10, 10));  // fills "Outer" again, with a new "Sub"
    outer->hide();
    Frame()->SetFrameMenu(shown);
    Frame()->SetFrameMenu(nested);
  }
  EXPECT_EQ(popups(), before);
  QMenu* sub = bar->actions().value(0)->menu()->actions().value(0)->menu();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->actions().value(0)->data().toUInt(), ID_ROUTE_APP);
  Frame()->SetFrameMenu(shown);
}

TEST_F(UiShell, ACursorRegisteredAgainKeepsTheHandlesGivenOutBefore) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::black);
  QxRegisterCursor(901, image, 1, 2);
  HCURSOR early = LoadCursor(nullptr, MAKEINTRESOURCE(901));
  QxRegisterCursor(901, image, 7, 8);
  EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(901)), early);
  CView* view = ActiveView();
  QxTest::MouseMove(view, CPoint(5, 5));
  SetCursor(early);
  EXPECT_EQ(QxTest::CursorId(), 901u);
  EXPECT_EQ(view->GetWidget()->cursor().hotSpot(), QPoint(7, 8));
}

}  // namespace
}  // namespace qxtest
