// The main window as the program starts it: where the bars are, the View
// menu's toggles and checks, the stretching of "SimulationView", the analog
// input message, the help command and the document windows.
#include "AppTestSupport.h"
#include "platform/testing/PrintHooks.h"
#include "res/resource.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/SIMwatchdog.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QToolBar>

namespace {

// The frame's client area may move by its edge once the window is shown; a
// floating bar keeps the screen point it was given at creation.
constexpr int kFrameEdge = 4;

class MainFrameLayout : public QorexAppTest {
 protected:
  QMainWindow* Window() const { return Frame()->QxMainWindow(); }
  static QDockWidget* Dock(CControlBar& bar) {
    return qobject_cast<QDockWidget*>(bar.QxContainer());
  }
  Qt::DockWidgetArea AreaOf(CControlBar& bar) const { return Window()->dockWidgetArea(Dock(bar)); }
  int ClientWidth() const {
    CRect client;
    Frame()->GetClientRect(&client);
    return client.Width();
  }
  static int BarWidth(CControlBar& bar) {
    CRect rect;
    bar.GetClientRect(&rect);
    return rect.Width();
  }
};

}  // namespace

TEST_F(MainFrameLayout, StartsWithTheBarsWhereTheDesignPutsThem) {
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(g_pMainFrame, frame);
  // The toolbar along the top, with the three file buttons and the three searches.
  auto* toolBar = qobject_cast<QToolBar*>(frame->m_wndToolBar.QxContainer());
  ASSERT_NE(toolBar, nullptr);
  EXPECT_EQ(Window()->toolBarArea(toolBar), Qt::TopToolBarArea);
  EXPECT_EQ(frame->m_wndToolBar.CommandToIndex(ID_FILE_NEW), 0);
  EXPECT_EQ(frame->m_wndToolBar.CommandToIndex(ID_BANDWIDTH), 6);
  EXPECT_EQ(frame->m_wndStatusBar.GetCount(), 3);

  struct Row {
    CControlBar* bar;
    const char* title;
    bool visible;
    bool floating;
  };
  const Row rows[] = {{&frame->m_wndLeftBar, "ProcessView", true, false},
                      {&frame->m_wndOutputBar, "SimulationView", true, false},
                      {&frame->m_wndVarbar, "Variables", true, true},
                      {&frame->m_wndEqualizerBar, "Performance Equalizer", false, true},
                      {&frame->m_wndCommentBar, "Comments", false, true}};
  for (const Row& row : rows) {
    CString title;
    row.bar->GetWindowText(title);
    EXPECT_STREQ(title, row.title);
    EXPECT_EQ(row.bar->IsWindowVisible() != FALSE, row.visible) << row.title;
    EXPECT_EQ(row.bar->IsFloating() != FALSE, row.floating) << row.title;
  }
  EXPECT_EQ(AreaOf(frame->m_wndLeftBar), Qt::LeftDockWidgetArea);
  EXPECT_EQ(AreaOf(frame->m_wndOutputBar), Qt::BottomDockWidgetArea);
  EXPECT_EQ(BarWidth(frame->m_wndOutputBar), ClientWidth());

  // Each bar is reachable through its global from the frame's construction on.
  EXPECT_EQ(g_pOutputBar, &frame->m_wndOutputBar);
  EXPECT_EQ(g_pLeftBar, &frame->m_wndLeftBar);
  EXPECT_EQ(g_pVarBar, &frame->m_wndVarbar);
  EXPECT_EQ(g_pEqualizerBar, &frame->m_wndEqualizerBar);
  EXPECT_EQ(g_pCommentBar, &frame->m_wndCommentBar);
}

TEST_F(MainFrameLayout, FloatingBarsStartAtTheirClientPoints) {
  struct Row {
    CControlBar* bar;
    CPoint client;
  };
  const Row rows[] = {{&Frame()->m_wndVarbar, CPoint(300, 130)},
                      {&Frame()->m_wndEqualizerBar, CPoint(10, 130)},
                      {&Frame()->m_wndCommentBar, CPoint(100, 10)}};
  for (const Row& row : rows) {
    CPoint screen = row.client;
    Frame()->ClientToScreen(&screen);
    QDockWidget* dock = Dock(*row.bar);
    ASSERT_NE(dock, nullptr);
    EXPECT_LE((dock->pos() - QPoint(screen.x, screen.y)).manhattanLength(), kFrameEdge)
        << dock->windowTitle().toStdString();
  }
}

TEST_F(MainFrameLayout, ViewCommandsToggleTheBarsAndCheckTheirItems) {
  struct Row {
    UINT command;
    CControlBar* bar;
  };
  const Row rows[] = {{ID_VIEW_PROCESSVIEW, &Frame()->m_wndLeftBar},
                      {ID_VIEW_SIMULATIONVIEW, &Frame()->m_wndOutputBar},
                      {ID_VIEW_VARIABLES, &Frame()->m_wndVarbar},
                      {ID_VIEW_EQUALIZER, &Frame()->m_wndEqualizerBar},
                      {ID_VIEW_COMMENTS, &Frame()->m_wndCommentBar}};
  for (const Row& row : rows) {
    const bool before = row.bar->IsWindowVisible() != FALSE;
    EXPECT_EQ(Checked(row.command), before ? 1 : 0) << row.command;
    Frame()->SendMessage(WM_COMMAND, row.command);
    QxTest::PumpUntilIdle();
    EXPECT_EQ(row.bar->IsWindowVisible() != FALSE, !before) << row.command;
    EXPECT_EQ(Checked(row.command), before ? 0 : 1) << row.command;
    // The bar's own id toggles it as well.
    Frame()->SendMessage(WM_COMMAND, row.bar->GetDlgCtrlID());
    QxTest::PumpUntilIdle();
    EXPECT_EQ(row.bar->IsWindowVisible() != FALSE, before) << row.command;
    EXPECT_EQ(Checked(row.command), before ? 1 : 0) << row.command;
  }
}

TEST_F(MainFrameLayout, EqualizerShownAtItsStartPointThenClosedWithItsCloseBox) {
  CEqualizerBar& bar = Frame()->m_wndEqualizerBar;
  Frame()->SendMessage(WM_COMMAND, ID_VIEW_EQUALIZER);
  QxTest::PumpUntilIdle();
  ASSERT_TRUE(bar.IsWindowVisible());
  EXPECT_TRUE(bar.IsFloating());
  CPoint start(10, 130);
  Frame()->ClientToScreen(&start);
  EXPECT_LE((Dock(bar)->pos() - QPoint(start.x, start.y)).manhattanLength(), kFrameEdge);
  Dock(bar)->close();
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(bar.IsWindowVisible());
  EXPECT_EQ(Checked(ID_VIEW_EQUALIZER), 0);
}

TEST_F(MainFrameLayout, SimulationViewStretchesOnlyWhileDocked) {
  COutputBar& bar = Frame()->m_wndOutputBar;
  ASSERT_EQ(BarWidth(bar), ClientWidth());
  CPoint point(50, 50);
  Frame()->ClientToScreen(&point);
  Frame()->FloatControlBar(&bar, point);
  QxTest::PumpUntilIdle();
  ASSERT_TRUE(bar.IsFloating());
  Frame()->RecalcLayout();
  EXPECT_LT(BarWidth(bar), ClientWidth());
  Frame()->DockControlBar(&bar);
  QxTest::PumpUntilIdle();
  ASSERT_FALSE(bar.IsFloating());
  EXPECT_EQ(BarWidth(bar), ClientWidth());
  // Wider window, wider bar.
  CRect window;
  Frame()->GetWindowRect(&window);
  Frame()->MoveWindow(window.left, window.top, window.Width() + 120, window.Height());
  QxTest::PumpUntilIdle();
  EXPECT_EQ(BarWidth(bar), ClientWidth());
}

TEST_F(MainFrameLayout, AnalogInputMessageStoresFourVoltages) {
  ASSERT_NE(g_pAnalogIo, nullptr);
  Frame()->SendMessage(g_msgAdc, 0x0000FFFF, static_cast<LPARAM>(0x80000000u));
  // code * 20 / 65535 - 10 for the codes 65535, 0, 0, 32768.
  EXPECT_DOUBLE_EQ(g_pAnalogIo->m_inputs[0], 10.0);
  EXPECT_DOUBLE_EQ(g_pAnalogIo->m_inputs[1], -10.0);
  EXPECT_DOUBLE_EQ(g_pAnalogIo->m_inputs[2], -10.0);
  EXPECT_NEAR(g_pAnalogIo->m_inputs[3], 0.000152590, 1e-9);
}

TEST_F(MainFrameLayout, HelpWithoutAHelpFileTellsTheUserAndKeepsTheHelpPath) {
  const LPCTSTR kept = m_app->m_pszHelpFilePath;
  QxTest::ClearHelpCalls();
  QxTest::MessageBoxScript boxes({IDOK});
  Frame()->SendMessage(WM_COMMAND, ID_HELP_TOPICS);
  const std::vector<QxTest::HelpCall> calls = QxTest::HelpCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].file, "Qorex.hlp");
  EXPECT_EQ(calls[0].command, HELP_INDEX);
  EXPECT_FALSE(calls[0].found);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("Qorex.hlp"), std::string::npos) << boxes.Boxes()[0].text;
  EXPECT_EQ(m_app->m_pszHelpFilePath, kept);
}

TEST_F(MainFrameLayout, EveryDocumentWindowOpensMaximised) {
  ASSERT_NE(ActiveDoc(), nullptr);
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 2);
  BOOL maximized = FALSE;
  Frame()->MDIGetActive(&maximized);
  EXPECT_TRUE(maximized);
  CString caption;
  Frame()->GetWindowText(caption);
  EXPECT_STREQ(caption, CString("Quorvathine - ") + ActiveDoc()->GetTitle());
}

TEST_F(MainFrameLayout, AccuracyWatchdogAsksThroughAMessageBoxOfTheMainWindow) {
  CSIMwatchdogUi* ui = GetWatchdogUi();
  ASSERT_NE(ui, nullptr);
  QxTest::MessageBoxScript boxes({IDYES, IDNO});
  EXPECT_TRUE(ui->AskIncreaseAccuracy("Increase the accuracy?", "Accuracy"));
  EXPECT_FALSE(ui->AskIncreaseAccuracy("Increase the accuracy?", "Accuracy"));
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Increase the accuracy?");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Accuracy");
  EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
}

TEST_F(MainFrameLayout, FindGCommandWithoutADocumentClearsItsPendingBit) {
  Frame()->m_wndEqualizerBar.m_pDoc = nullptr;
  g_wStatus.fetch_or(kStatusFindGPending);
  Frame()->SendMessage(WM_COMMAND, WM_QX_FINDG);
  EXPECT_EQ(g_wStatus.load() & kStatusFindGPending, 0);
  g_wStatus = 0;
}

TEST_F(MainFrameLayout, AboutCommandShowsTheAboutBoxUntilOk) {
  CString caption;
  int shown = 0;
  QxTest::ModalScript script([&](CWnd* modal) {
    ++shown;
    modal->GetWindowText(caption);
    modal->SendMessage(WM_COMMAND, IDOK);
  });
  Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  EXPECT_EQ(shown, 1);
  EXPECT_STREQ(caption, "About Quorvathine");
}
