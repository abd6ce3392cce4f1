// The main window as the program starts it: where the bars are, the View
// menu's items and checks, the stretching of "SimulationView", the analog
// input message, the help and about commands, the watchdog's question.
#include "tests/support/QorexAppFixture.h"
#include "platform/testing/DialogHooks.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/Controls.h"
#include "res/resource.h"
#include "search/SearchGlobals.h"
#include "simulation/AnalogIoGlobals.h"
#include "simulation/DT2801.h"
#include "simulation/SIMwatchdog.h"

#include <QDockWidget>
#include <QMainWindow>
#include <QToolBar>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

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
  // The command of the item with this text in the menu the frame shows; 0 when none.
  UINT MenuCommand(const char* text) const {
    for (const QxPopupItem& item : qxui::MenuItems(Frame()->GetFrameMenu()))
      if (item.text == text && !(item.flags & MF_POPUP)) return item.id;
    return 0;
  }
};

}  // namespace

TEST_F(MainFrameLayout, StartsWithTheBarsWhereTheDesignPutsThem) {
  CMainFrame* frame = Frame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(g_pMainFrame, frame);
  // The toolbar along the top, from the three file buttons to the three searches.
  auto* toolBar = qobject_cast<QToolBar*>(frame->m_wndToolBar.QxContainer());
  ASSERT_NE(toolBar, nullptr);
  EXPECT_EQ(Window()->toolBarArea(toolBar), Qt::TopToolBarArea);
  EXPECT_EQ(frame->m_wndToolBar.CommandToIndex(ID_BANDWIDTH), 6);
  EXPECT_EQ(frame->m_wndStatusBar.GetCount(), 3);

  constexpr Qt::DockWidgetArea kFloating = Qt::NoDockWidgetArea;
  const struct {
    CControlBar* bar;
    CControlBar* global;  // each bar is reachable through its global
    const char* title;
    bool visible;
    Qt::DockWidgetArea area;  // or floating at a client point
    CPoint client;
  } rows[] = {
      {&frame->m_wndLeftBar, g_pLeftBar, "ProcessView", true, Qt::LeftDockWidgetArea, {}},
      {&frame->m_wndOutputBar, g_pOutputBar, "SimulationView", true, Qt::BottomDockWidgetArea, {}},
      {&frame->m_wndVarbar, g_pVarBar, "Variables", true, kFloating, {300, 130}},
      {&frame->m_wndEqualizerBar,
       g_pEqualizerBar,
       "Performance Equalizer",
       false,
       kFloating,
       {10, 130}},
      {&frame->m_wndCommentBar, g_pCommentBar, "Comments", false, kFloating, {100, 10}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(row.global, row.bar);
    CString title;
    row.bar->GetWindowText(title);
    EXPECT_STREQ(title, row.title);
    EXPECT_EQ(row.bar->IsWindowVisible() != FALSE, row.visible);
    const bool floating = row.area == kFloating;
    EXPECT_EQ(row.bar->IsFloating() != FALSE, floating);
    QDockWidget* dock = Dock(*row.bar);
    ASSERT_NE(dock, nullptr);
    if (!floating) {
      EXPECT_EQ(Window()->dockWidgetArea(dock), row.area);
      continue;
    }
    CPoint screen = row.client;
    Frame()->ClientToScreen(&screen);
    EXPECT_LE((dock->pos() - QPoint(screen.x, screen.y)).manhattanLength(), kFrameEdge);
  }
  EXPECT_EQ(BarWidth(frame->m_wndOutputBar), ClientWidth());
}

// Each View item shows or hides its bar and is checked while the bar shows;
// the bar's own id does the same, and so does closing a floating bar.
TEST_F(MainFrameLayout, ViewItemsToggleTheirBarsAndTheChecksFollow) {
  const struct {
    const char* item;
    CControlBar* bar;
  } rows[] = {{"&ProcessView", &Frame()->m_wndLeftBar},
              {"S&imulationView", &Frame()->m_wndOutputBar},
              {"Performance Eq&ualizer", &Frame()->m_wndEqualizerBar},
              {"&Variables", &Frame()->m_wndVarbar},
              {"&Comments", &Frame()->m_wndCommentBar}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.item);
    const UINT command = MenuCommand(row.item);
    ASSERT_NE(command, 0u);
    const bool before = row.bar->IsWindowVisible() != FALSE;
    EXPECT_EQ(Checked(command), before ? 1 : 0);
    for (UINT id : {command, static_cast<UINT>(row.bar->GetDlgCtrlID())}) {
      const bool shown = row.bar->IsWindowVisible() != FALSE;
      Frame()->SendMessage(WM_COMMAND, id);
      QxTest::PumpUntilIdle();
      EXPECT_EQ(row.bar->IsWindowVisible() != FALSE, !shown) << id;
      EXPECT_EQ(Checked(command), shown ? 0 : 1) << id;
    }
  }
  CEqualizerBar& equalizer = Frame()->m_wndEqualizerBar;
  Frame()->SendMessage(WM_COMMAND, ID_VIEW_EQUALIZER);
  QxTest::PumpUntilIdle();
  ASSERT_TRUE(equalizer.IsWindowVisible() && equalizer.IsFloating());
  Dock(equalizer)->close();
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(equalizer.IsWindowVisible());
  EXPECT_EQ(Checked(ID_VIEW_EQUALIZER), 0);
}

TEST_F(MainFrameLayout, SimulationViewStretchesOnlyWhileDocked) {
  COutputBar& bar = Frame()->m_wndOutputBar;
  CRect window;  // a frame wider than the bar's own width
  Frame()->GetWindowRect(&window);
  Frame()->MoveWindow(window.left, window.top, window.Width() + 200, window.Height());
  QxTest::PumpUntilIdle();
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
  Frame()->GetWindowRect(&window);  // wider window, wider bar
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
  ASSERT_EQ(QxTest::HelpCalls().size(), 1u);
  EXPECT_EQ(QxTest::HelpCalls()[0].file, "Qorex.hlp");
  EXPECT_EQ(QxTest::HelpCalls()[0].command, HELP_INDEX);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].text.find("Qorex.hlp"), std::string::npos) << boxes.Boxes()[0].text;
  EXPECT_EQ(m_app->m_pszHelpFilePath, kept);
}

// The about box names the program and its version, shows the program's icon
// (a red pole mark) and closes with OK.
TEST_F(MainFrameLayout, AboutCommandShowsTheAboutBoxUntilOk) {
  CString caption, texts = "|";
  QImage icon;
  QxTest::DialogScript script({[&](CDialog& dialog) {
    dialog.GetWindowText(caption);
    for (CWnd* child : dialog.GetChildren()) {
      CString text;
      child->GetWindowText(text);
      texts += text + "|";
    }
    icon = QxTest::ScreenImage(dialog.GetDlgItem(IDC_ABOUT_ICON));
    dialog.GetDlgItem(IDOK)->SendMessage(BM_CLICK);
  }});
  Frame()->SendMessage(WM_COMMAND, ID_APP_ABOUT);
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_STREQ(caption, "About Quorvathine");
  EXPECT_NE(texts.Find("|Quorvathine Version 1.0|"), -1) << texts.GetString();
  bool red = false;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) red = red || icon.pixel(x, y) == qRgb(255, 0, 0);
  EXPECT_TRUE(red);
}

TEST_F(MainFrameLayout, AccuracyWatchdogAsksThroughAMessageBoxOfTheMainWindow) {
  CSIMwatchdogUi* ui = GetWatchdogUi();
  ASSERT_NE(ui, nullptr);
  QxTest::MessageBoxScript boxes({IDYES, IDNO});
  EXPECT_TRUE(ui->AskIncreaseAccuracy("Increase the accuracy?", "Accuracy"));
  EXPECT_FALSE(ui->AskIncreaseAccuracy("Increase the accuracy?", "Accuracy"));
  ASSERT_EQ(boxes.Boxes().size(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Accuracy");
  EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
}

TEST_F(MainFrameLayout, FindGCommandWithoutADocumentClearsItsPendingBit) {
  Frame()->m_wndEqualizerBar.m_pDoc = nullptr;
  RequestAnswer(kStatusFindGPending);
  Frame()->SendMessage(WM_COMMAND, WM_QX_FINDG);
  EXPECT_EQ(g_wStatus.load() & kStatusFindGPending, 0);
  g_wStatus = 0;
}

// The document shows a design in the bars of the frame's bar table, in the
// order the frame makes them.
TEST_F(MainFrameLayout, TheDocumentWalksTheBarsOfTheBarTable) {
  CMainFrame* frame = Frame();
  const std::vector<CDesignBar*> expected = {&frame->m_wndOutputBar, &frame->m_wndLeftBar,
                                             &frame->m_wndVarbar, &frame->m_wndEqualizerBar,
                                             &frame->m_wndCommentBar};
  const std::span<CDesignBar* const> bars = DesignBars();
  EXPECT_EQ(std::vector<CDesignBar*>(bars.begin(), bars.end()), expected);
  ASSERT_EQ(frame->m_bars.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(frame->m_bars[i].design, expected[i]);
    EXPECT_EQ(frame->m_bars[i].bar->GetDlgCtrlID(), static_cast<int>(frame->m_bars[i].nID));
  }
}
