// The "SimulationView" bar's signal panes in the started program: what they
// draw, pan and zoom, the end-of-run drag, the run menu and the copy, driven
// by mouse events and read back from the panes' images.
#include "QorexDoc.h"
#include "diagrams/AxisScale.h"
#include "editing/LeftBar.h"
#include "platform/core/Debug.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/testing/ClipboardHooks.h"
#include "platform/testing/DialogHooks.h"
#include "platform/ui/Clipboard.h"
#include "res/resource.h"
#include "tests/diagrams/SignalPaneTestSupport.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/Canvas.h"
#include "tests/support/ClipboardExtents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using namespace qxsigtest;
using namespace qxtest::trees;

constexpr UINT kSizeAllCursor = 32646, kSizeWeCursor = 32644, kNoCursor = 32648,
               kArrowCursor = 32512;

// ---- pictures ----------------------------------------------------------------------

// Unit command, G = 1 / (s + 1), F = 1: the measured output settles at
// GK / (1 + FLGK) at s = 0, which is 0.5.
TEST_F(SignalPanes, NewDesignShowsCommandOutputAxesAndEndMarker) {
  Doc().m_dSigScaleY = 45;
  Change();
  const QImage image = Image();
  ASSERT_GT(image.width(), 630);
  for (int x = 100; x < 620; x += 37) EXPECT_EQ(At(image, x, 105 - 45), kCommandBlue) << x;
  for (int x = 25 + 300; x < 620; x += 23) EXPECT_EQ(At(image, x, 105 - 22), kOutputGreen) << x;
  EXPECT_EQ(At(image, 400, 105), kBlack) << "time axis";
  EXPECT_EQ(At(image, 25, 30), kBlack) << "value axis";
  // The end of the run (600 samples) at xe = 25 + 600: a 3 x 9 bar above the
  // axis and six pixels beside it.
  const int xe = 625;
  for (int x : {xe - 1, xe, xe + 1})
    for (int y = 96; y < 105; ++y) EXPECT_EQ(At(image, x, y), kOutputGreen) << x << "," << y;
  for (QPoint p : {QPoint(xe - 2, 103), QPoint(xe + 2, 103), QPoint(xe - 2, 102),
                   QPoint(xe + 2, 102), QPoint(xe - 3, 102), QPoint(xe + 3, 102)})
    EXPECT_EQ(At(image, p.x(), p.y()), kOutputGreen) << p.x() << "," << p.y();
  EXPECT_EQ(At(image, xe + 2, 100), kWhite);

  Doc().ToggleSignalShow(kHitSource);  // the command off: the panes repaint at once
  EXPECT_EQ(At(QxTest::ClientImage(&Pane()), 300, 60), kWhite);
}

TEST_F(SignalPanes, EachSignalRowHasItsPaneAndShortSignalsStayOut) {
  Doc().m_dSigScaleY = 45;
  simtest::MakeTwoByTwo(Doc(), Identity(2), 1, 2, 0);
  Change();
  ASSERT_EQ(Bar().GetPaneCount(), 2);
  EXPECT_EQ(At(Image(1), 300, 105 - 90), kCommandBlue) << "row 1 of c is 2";
  EXPECT_EQ(At(Image(0), 300, 105 - 45), kCommandBlue) << "row 0 of c is 1";

  // Two commands and disturbances into one process output: c, v two rows, the
  // measured output one.
  using simtest::SetModel;
  using simtest::SetSignal;
  SetModel(Doc(), kModelG, Matrix(2, {Tf({1}, {1, 1}), Tf({1}, {2, 1})}));
  SetModel(Doc(), kModelL, Real(1));
  SetModel(Doc(), kModelF, Matrix(1, {Real(1), Real(1)}));
  SetSignal(Doc(), kSigD, Real(0));
  SetSignal(Doc(), kSigN, Real(0));
  Change();
  ASSERT_EQ(Doc().m_system.m_yd.m_nRows, 1);
  ASSERT_EQ(Bar().GetPaneCount(), 2);
  const QImage second = Image(1);
  for (int y = 0; y < second.height(); ++y)
    for (int x = 30; x < 600; ++x)
      if (At(second, x, y) == kOutputGreen) FAIL() << "measured output drawn at " << x << "," << y;
  const std::string text(static_cast<const char*>(Pane(1).SamplesText()));
  EXPECT_EQ(text.substr(0, text.find("\r\n", 12) + 2), "Isignal=1\r\nt\tc\t\r\n");
}

// The curves as the plain rule draws them: a move to sample 0, then a line to
// every sample in turn, each line without its end point.
TEST_F(SignalPanes, CurvesKeepThePixelsOfTheSegmentBySegmentDrawing) {
  simtest::MakeTwoByTwo(Doc(), Identity(2), 1, 2, 0.5);
  Doc().m_dSigScaleX = 0.7;
  Doc().m_dSigScaleY = 30;
  for (const SignalPlotEntry& entry : kPlottedSignals)
    (Doc().m_system.*entry.signal).m_wFlags |= kSignalShown;
  Change();
  const QImage drawn = Image(1);
  // The same pane with the segments drawn one by one over its axes.
  for (const SignalPlotEntry& entry : kPlottedSignals)
    (Doc().m_system.*entry.signal).m_wFlags &= ~kSignalShown;
  Bar().UpdatePanes();
  CDC* dc = Pane(1).GetDC();
  const CPoint o = Doc().m_ptSigOrigin;
  for (const SignalPlotEntry& entry : kPlottedSignals) {
    const CSIMsignal& s = Doc().m_system.*entry.signal;
    dc->SelectObject(g_pPenCurve[entry.pen]);
    auto y = [&](int k) { return o.y - static_cast<int>(std::trunc(s.At(1, k) * 30)); };
    dc->MoveTo(o.x, y(0));
    for (int k = 0; k < s.m_nColumns; ++k)
      dc->LineTo(o.x + static_cast<int>(std::trunc(k * 0.7)), y(k));
  }
  Pane(1).ReleaseDC(dc);
  EXPECT_EQ(QxTest::ClientImage(&Pane(1)), drawn);
}

// G = 1 / (s - 10) in the loop: the pole at s = 9 makes the output grow past
// every double within the run; the curve leaves through the top edge.
TEST_F(SignalPanes, UnstableDesignDrawsToTheEdgeAndCopies) {
  simtest::SetModel(Doc(), kModelG, Tf({1}, {-10, 1}));
  Doc().m_dFinalTime = 500;  // 10,000 samples
  Change();
  const CSIMsignal& y = Doc().m_system.m_yd;
  ASSERT_EQ(y.m_nColumns, 10000);
  ASSERT_FALSE(std::isfinite(y.At(0, 9999)));
  const QImage image = Image();
  int top = 0;
  for (int x = 25; x < image.width(); ++x) top += At(image, x, 0) == kOutputGreen;
  EXPECT_GE(top, 1) << "the output reaches the top edge";
  QxTest::ResetClipboard();
  QxTest::MessageBoxScript boxes;
  Pane().SendMessage(WM_COMMAND, ID_EDIT_COPY);
  EXPECT_TRUE(boxes.Boxes().empty());
}

// The pixels of the curves left of the end marker: the command's blue and
// the output's green.
int CurvePixelCount(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < 600; ++x)
      count += At(image, x, y) == kCommandBlue || At(image, x, y) == kOutputGreen;
  return count;
}

std::string StatusLine(CMainFrame* frame) {
  return std::string(frame->m_wndStatusBar.GetPaneText(0).GetString());
}

// K = 2 (1/s) written inside a product does not convert: the panes draw none
// of the stand-in's zeros and the status line names the Controller, on every
// recalculation and without a message box; the mended design draws again and
// the status line is back to its prompt.
TEST_F(SignalPanes, ARefusedLoopDrawsNoCurveAndTheStatusLineNamesItsModel) {
  QxTest::MessageBoxScript boxes;
  Change();
  ASSERT_GT(CurvePixelCount(Image()), 100);
  simtest::SetModel(Doc(), kModelK, Prod({Real(2), Div(Real(1), S())}));
  for (int i = 0; i < 3; ++i) {  // as slider steps do
    Change();
    ASSERT_EQ(Doc().m_system.m_nError, kSimModelInvalid);
    EXPECT_EQ(CurvePixelCount(Image()), 0);
    EXPECT_NE(StatusLine(Frame()).find("The Controller model cannot be turned into transfer "
                                       "functions"),
              std::string::npos)
        << StatusLine(Frame());
  }
  EXPECT_TRUE(boxes.Boxes().empty());
  // A copy holds the columns' names and no sample of the stand-in.
  EXPECT_EQ(std::string(static_cast<const char*>(Pane().SamplesText())),
            "Isignal=0\r\nt\tc\ty1\t\r\n");
  simtest::SetModel(Doc(), kModelK, Real(1));
  Change();
  EXPECT_GT(CurvePixelCount(Image()), 100);
  EXPECT_EQ(StatusLine(Frame()), "Ready");
}

// G = 1 / (s - 10): the run overflows late, long after the accuracy test's
// samples; the status line says so, and clears with a sound design.
TEST_F(SignalPanes, ALateOverflowIsSaidOnTheStatusLine) {
  simtest::SetModel(Doc(), kModelG, Tf({1}, {-10, 1}));
  Doc().m_dFinalTime = 500;
  Change();
  ASSERT_FALSE(std::isfinite(Doc().m_system.m_yd.At(0, 9999)));
  EXPECT_NE(StatusLine(Frame()).find("The simulation overflowed"), std::string::npos)
      << StatusLine(Frame());
  simtest::SetModel(Doc(), kModelG, Tf({1}, {1, 1}));
  Change();
  EXPECT_EQ(StatusLine(Frame()), "Ready");
}

// Where the pane's labels must lie: every major tick's label at its anchor
// (value labels left of the axis, right of it within 20 pixels of the left
// edge; time labels below the axis, above it within 14 pixels of the bottom),
// and a label the pane's edges would cut moved against that edge, inside.
// Drawn on a canvas of the pane's size with the labels' font.
QImage ExpectedLabels(const CQorexDoc& doc, int w, int h) {
  qxtest::Canvas canvas(w, h);
  CDC* dc = canvas.dc();
  dc->SetBkMode(TRANSPARENT);
  dc->SelectObject(g_pFontArial12);
  dc->SetTextAlign(TA_LEFT | TA_TOP);
  const CPoint o = doc.m_ptSigOrigin;
  const int ax = std::clamp<int>(o.x, -1, w), ay = std::clamp<int>(o.y, -1, h);
  auto label = [&](const char* text, int x, int y, UINT align) {
    const CSize size = dc->GetTextExtent(text, static_cast<int>(std::strlen(text)));
    int left = (align & TA_CENTER) == TA_RIGHT    ? x - size.cx
               : (align & TA_CENTER) == TA_CENTER ? x - size.cx / 2
                                                  : x;
    int top = align & TA_BOTTOM ? y - size.cy : y;
    const bool seen = left < w && left + size.cx > 0 && top < h && top + size.cy > 0;
    if (seen)
      left = std::clamp<int>(left, 0, w - size.cx), top = std::clamp<int>(top, 0, h - size.cy);
    dc->TextOut(left, top, text, static_cast<int>(std::strlen(text)));
  };
  char text[64];
  const AxisGeometry value{true, o.y, h, doc.m_dSigScaleY};
  ForEachTick(value, ChooseTickSteps(h, value.scale).major, [&](double v, int y) {
    if (FormatTickLabel(v, text, sizeof text))
      ax < 20 ? label(text, ax + 10, y - 5, TA_LEFT) : label(text, ax - 10, y - 5, TA_RIGHT);
  });
  const AxisGeometry time{false, o.x, w, doc.m_dSigScaleX};
  ForEachTick(time, ChooseTickSteps(w, time.scale).major, [&](double v, int x) {
    if (!FormatTickLabel(v, text, sizeof text)) return;
    std::snprintf(text, sizeof text, "%g", v * doc.m_dSamplingTime);
    ay < h - 14 ? label(text, x, ay + 5, TA_CENTER) : label(text, x, ay - 5, TA_CENTER | TA_BOTTOM);
  });
  return canvas.Image().copy();
}

// The pane shows its labels, and nothing else black, where ExpectedLabels
// puts them; the axis lines with their ticks and the curves' pixels are left
// out of the comparison.
TEST_F(SignalPanes, LabelsTheEdgesWouldCutAreMovedInsideTheOthersKeepTheirPlaces) {
  const struct {
    const char* name;
    CPoint origin;
  } rows[] = {
      {"-0.5, -1.5 at the left edge", {25, 105}},
      {"0.5 at the top edge", {25, 22}},
      {"-7.5 s at the left edge", {153, 105}},
      {"labels right of the axis, none cut", {5, 105}},
  };
  for (const auto& row : rows) {
    Doc().m_ptSigOrigin = row.origin;
    Change();
    const QImage image = Image();
    const QImage expected = ExpectedLabels(Doc(), image.width(), image.height());
    const int ax = std::clamp<int>(row.origin.x, -1, image.width());
    const int ay = std::clamp<int>(row.origin.y, -1, image.height());
    int labelPixels = 0, wrong = 0;
    QPoint firstWrong;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb c = At(image, x, y);  // the curves are drawn over the labels
        if (std::abs(x - ax) <= 5 || std::abs(y - ay) <= 5 || (c != kBlack && c != kWhite))
          continue;
        const bool ink = c == kBlack, want = At(expected, x, y) == kBlack;
        labelPixels += want;
        if (ink != want && wrong++ == 0) firstWrong = {x, y};
      }
    EXPECT_EQ(wrong, 0) << row.name << ": first at " << firstWrong.x() << "," << firstWrong.y();
    EXPECT_GT(labelPixels, 200) << row.name;
  }
}

// ---- pan and zoom ---------------------------------------------------------------------

TEST_F(SignalPanes, RightDragPansBeyondFourPixels) {
  QxTest::PopupMenuScript menus;
  QxTest::MouseDown(&Pane(), {300, 50}, QxTest::Button::Right);
  QxTest::MouseMove(&Pane(), {304, 50});
  EXPECT_EQ(QxTest::CursorId(), kSizeAllCursor);
  EXPECT_EQ(Doc().m_ptSigOrigin, CPoint(25, 105));
  QxTest::MouseMove(&Pane(), {305, 47});
  EXPECT_EQ(Doc().m_ptSigOrigin, CPoint(30, 102));
  QxTest::MouseUp(&Pane(), {305, 47}, QxTest::Button::Right);
  EXPECT_TRUE(menus.Menus().empty()) << "two moves: no menu";
  EXPECT_EQ(QxTest::Capture(), nullptr);
  EXPECT_FALSE(Doc().IsModified());
}

// x: u = (300 - 25) / 1 = 275 samples under the pointer, f = 1.005, origin
// 306 - trunc(275 * 1.005); y: u = (50 - 105) / 45, f = 1.04 (down zooms out).
TEST_F(SignalPanes, CtrlRightDragZoomsAboutThePointerBeyondFivePixels) {
  Doc().m_dSigScaleY = 45;
  QxTest::MouseDown(&Pane(), {300, 50}, QxTest::Button::Right, MK_CONTROL);
  QxTest::MouseMove(&Pane(), {305, 50}, MK_CONTROL);
  EXPECT_DOUBLE_EQ(Doc().m_dSigScaleX, 1.0);
  QxTest::MouseMove(&Pane(), {306, 50}, MK_CONTROL);
  EXPECT_DOUBLE_EQ(Doc().m_dSigScaleX, 1.005);
  EXPECT_EQ(Doc().m_ptSigOrigin.x, 306 - 276);
  EXPECT_DOUBLE_EQ(Doc().m_dSigScaleY, 45);
  QxTest::MouseMove(&Pane(), {306, 56}, MK_CONTROL);
  EXPECT_DOUBLE_EQ(Doc().m_dSigScaleY, 45 / 1.04);
  EXPECT_EQ(Doc().m_ptSigOrigin.y, 56 - static_cast<int>(std::trunc(-55.0 / 45 * (45 / 1.04))));
  EXPECT_DOUBLE_EQ(Doc().m_dSigScaleX, 1.005) << "only the axis that moved";
  QxTest::MouseUp(&Pane(), {306, 56}, QxTest::Button::Right, MK_CONTROL);
}

// A step that would make a scale 0 or infinite keeps the scale.
TEST_F(SignalPanes, ZoomStepsThatWouldLoseTheScaleAreNotTaken) {
  struct Step {
    const char* name;
    double scaleX, scaleY;
    CPoint to;  // from (900, 100), Ctrl held
  } steps[] = {
      {"time scale to 0", 5e-324, 45, {495, 100}},      // f = 3
      {"value scale to infinity", 1, 1e308, {900, 0}},  // f = 4.8
  };
  QxTest::PopupMenuScript menus;  // one move: the menu follows the release
  for (const Step& step : steps) {
    Doc().m_dSigScaleX = step.scaleX;
    Doc().m_dSigScaleY = step.scaleY;
    QxTest::MouseDown(&Pane(), {900, 100}, QxTest::Button::Right, MK_CONTROL);
    QxTest::MouseMove(&Pane(), step.to, MK_CONTROL);
    QxTest::MouseUp(&Pane(), step.to, QxTest::Button::Right, MK_CONTROL);
    EXPECT_EQ(Doc().m_dSigScaleX, step.scaleX) << step.name;
    EXPECT_EQ(Doc().m_dSigScaleY, step.scaleY) << step.name;
  }
}

TEST_F(SignalPanes, OneMoveOpensTheMenu) {
  QxTest::PopupMenuScript menus;
  QxTest::MouseDown(&Pane(), {300, 50}, QxTest::Button::Right);
  QxTest::MouseMove(&Pane(), {301, 50});
  QxTest::MouseUp(&Pane(), {301, 50}, QxTest::Button::Right);
  EXPECT_EQ(menus.Menus().size(), 1u);
}

// ---- the end of the time axis ------------------------------------------------------------

struct AxisDrag {
  const char* name;
  int toX;
  UINT modifiers;
  double finalTime, samplingTime;
  int steps;
};

// N = 600, Ts = 0.05, 0.5 pixels per sample: the marker at 25 + 300.
TEST_F(SignalPanes, DraggingTheEndMarkerSetsTheRunLength) {
  const AxisDrag drags[] = {
      {"300 px right", 625, 0, 60, 0.05, 1200},
      {"300 px right with Ctrl", 625, MK_CONTROL, 60, 0.1, 600},
      {"left past sample 1", 20, 0, 30, 0.05, 600},
      {"back to the press column", 325, 0, 30, 0.05, 600},
  };
  for (const AxisDrag& drag : drags) {
    Doc().m_dFinalTime = 30;
    Doc().m_dSamplingTime = 0.05;
    Doc().m_dSigScaleX = 0.5;
    Change();
    Doc().SetModifiedFlag(FALSE);
    QxTest::MouseMove(&Pane(), {325, 101});
    EXPECT_EQ(QxTest::CursorId(), kSizeWeCursor) << drag.name;
    QxTest::MouseDown(&Pane(), {325, 101});
    ASSERT_EQ(QxTest::Capture(), &Pane()) << drag.name;
    QxTest::MouseMove(&Pane(), {drag.toX, 101}, drag.modifiers);
    EXPECT_EQ(QxTest::CursorId(), drag.toX < 26 ? kNoCursor : kSizeWeCursor) << drag.name;
    QxTest::MouseUp(&Pane(), {drag.toX, 101}, QxTest::Button::Left, drag.modifiers);
    EXPECT_DOUBLE_EQ(Doc().m_dFinalTime, drag.finalTime) << drag.name;
    EXPECT_DOUBLE_EQ(Doc().m_dSamplingTime, drag.samplingTime) << drag.name;
    EXPECT_EQ(Doc().m_system.m_nSteps, drag.steps) << drag.name;
    EXPECT_EQ(Doc().IsModified(), drag.steps != 600 || drag.samplingTime != 0.05) << drag.name;
  }
}

// N = 3 at 10 pixels per sample, the marker at 25 + 30: dragged back to the
// first sample, the final time becomes the sampling time, a run of one
// sample that is simulated and drawn with its end marker at 25 + 10.
TEST_F(SignalPanes, TheEndMarkerDraggedToTheFirstSampleLeavesARunOfOneSample) {
  Doc().m_dSamplingTime = 0.5;
  Doc().m_dFinalTime = 1.5;
  Doc().m_dSigScaleX = 10;
  Change();
  ASSERT_EQ(Doc().m_system.m_nSteps, 3);
  QxTest::MouseDown(&Pane(), {55, 101});
  QxTest::MouseMove(&Pane(), {35, 101});
  EXPECT_EQ(QxTest::CursorId(), kSizeWeCursor);
  QxTest::MouseUp(&Pane(), {35, 101});
  EXPECT_DOUBLE_EQ(Doc().m_dFinalTime, 0.5);
  EXPECT_EQ(Doc().m_system.m_nError, kSimOk);
  EXPECT_EQ(Doc().m_system.m_nSteps, 1);
  const QImage image = Image();
  for (int y = 96; y < 105; ++y) EXPECT_EQ(At(image, 35, y), kOutputGreen) << y;
}

// Times that give no run (N = 0): the marker sits on the origin, and a drag
// with Ctrl sets the final time only, as without it.
TEST_F(SignalPanes, CtrlDragWithoutARunSetsTheFinalTimeOnly) {
  Doc().m_dFinalTime = 0.01;  // below Ts = 0.05
  Change();
  ASSERT_EQ(Doc().m_system.m_nSteps, 0);
  QxTest::MouseDown(&Pane(), {25, 101});
  QxTest::MouseMove(&Pane(), {125, 101}, MK_CONTROL);
  QxTest::MouseUp(&Pane(), {125, 101}, QxTest::Button::Left, MK_CONTROL);
  EXPECT_DOUBLE_EQ(Doc().m_dFinalTime, 100 * 0.05);
  EXPECT_DOUBLE_EQ(Doc().m_dSamplingTime, 0.05);
  EXPECT_EQ(Doc().m_system.m_nSteps, 100);
}

// The drag line is XOR: once the press is over, the pane is as it was.
TEST_F(SignalPanes, TheDragLineLeavesNoTrace) {
  const QImage before = Image();
  QxTest::MouseDown(&Pane(), {625, 101});
  QxTest::MouseMove(&Pane(), {700, 101});
  EXPECT_NE(QxTest::ClientImage(&Pane()), before);
  QxTest::MouseMove(&Pane(), {625, 101});
  QxTest::MouseUp(&Pane(), {625, 101});
  EXPECT_EQ(QxTest::ClientImage(&Pane()), before);
  // A right press during the drag ends it unapplied, and its line with it.
  QxTest::PopupMenuScript menus;
  QxTest::MouseDown(&Pane(), {625, 101});
  QxTest::MouseMove(&Pane(), {700, 101});
  QxTest::MouseDown(&Pane(), {700, 101}, QxTest::Button::Right);
  QxTest::MouseUp(&Pane(), {700, 101}, QxTest::Button::Right);
  QxTest::MouseUp(&Pane(), {700, 101});
  EXPECT_EQ(QxTest::ClientImage(&Pane()), before);
  EXPECT_DOUBLE_EQ(Doc().m_dFinalTime, 30);
}

TEST_F(SignalPanes, NoHotZoneWhileAWorkerRunsTheDesign) {
  g_pSimDoc = &Doc();
  QxTest::MouseMove(&Pane(), {625, 101});
  EXPECT_EQ(QxTest::CursorId(), kArrowCursor);
  QxTest::MouseDown(&Pane(), {625, 101});
  EXPECT_EQ(QxTest::Capture(), nullptr);
  g_pSimDoc = nullptr;
}

// ---- the context menu ---------------------------------------------------------------------

std::string Items(const std::vector<QxPopupItem>& items) {
  std::string all;
  for (const QxPopupItem& item : items) {
    all +=
        std::string(item.depth, '>') + (item.flags & MF_SEPARATOR ? "-" : (const char*)item.text);
    if (item.flags & MF_GRAYED) all += "(grey)";
    all += "|";
  }
  return all;
}

class SignalPaneMenus : public SignalPanes {
 protected:
  std::string MenuItems() {
    QxTest::PopupMenuScript menus;
    QxTest::Click(&Pane(), {300, 50}, QxTest::Button::Right);
    return menus.Menus().size() == 1 ? Items(menus.Menus()[0]) : "no menu";
  }
  void PushRuns(int n) {
    for (int i = 0; i < n; ++i) Doc().PushRun();
  }
  void Choose(UINT command) {
    QxTest::PopupMenuScript menus({command});
    QxTest::Click(&Pane(), {300, 50}, QxTest::Button::Right);
    QxTest::PumpEvents();
  }
};

TEST_F(SignalPaneMenus, EntriesFollowTheDesignItsRunsAndTheWorker) {
  EXPECT_EQ(MenuItems(), "Realtime buffer|>(Empty)(grey)|Re-simulate|-|Copy image|-|Properties|");
  PushRuns(3);
  EXPECT_EQ(MenuItems(),
            "Realtime buffer|>Run 1|>Run 2|>Run 3|>-|>Clear buffer|Re-simulate|-|Copy image|-|"
            "Properties|");
  g_pSimDoc = &Doc();
  EXPECT_EQ(MenuItems(), "Copy image|-|Properties(grey)|");
  g_pSimDoc = nullptr;
  Bar().ForgetDesign(&Doc());
  EXPECT_EQ(MenuItems(), "Copy image(grey)|-|Properties(grey)|");
}

TEST_F(SignalPaneMenus, RunTwoAsksAboutItsSamplingTimeAndIsRecalled) {
  PushRuns(3);
  Doc().m_runs[1].dTs = 0.1;
  for (int answer : {IDYES, IDNO}) {
    Doc().m_dSamplingTime = 0.05;
    Doc().m_runs[1].setpoint.At(0, 0) = 3;
    Doc().m_system.m_c.At(0, 0) = 1;
    QxTest::MessageBoxScript boxes({answer});
    Choose(RUN1 + 1);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
    EXPECT_EQ(boxes.Boxes()[0].text,
              "The sampling time of the run [0.1 s] differs from the current settings [0.05 s]. "
              "Do\n you wish to change the current sampling time to its previous value?\n");
    EXPECT_EQ(boxes.Boxes()[0].type & 0xF, static_cast<UINT>(MB_YESNO));
    EXPECT_DOUBLE_EQ(Doc().m_dSamplingTime, answer == IDYES ? 0.1 : 0.05);
    EXPECT_EQ(Doc().m_system.m_c.At(0, 0), 3) << "recalled either way";
  }
  // Runs of other rows than the reshaped loop stay, and their recall says why
  // it cannot be done before anything is asked.
  simtest::MakeTwoByTwo(Doc(), Identity(2), 1, 2, 0);
  Change();
  EXPECT_EQ(Doc().m_nRuns, 3);
  QxTest::MessageBoxScript boxes({IDYES});
  Choose(RUN1 + 1);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text,
            "Run 2 cannot be recalled: it was recorded with 1 setpoint, 1 control and 1 output "
            "channels, and the loop now has 2, 2 and 2.");
  EXPECT_DOUBLE_EQ(Doc().m_dSamplingTime, 0.05);
}

// A run made on the new design's single loop, then the Process dragged to
// 2 x 2 with nothing running: the runs stay, nothing is said, and the menu
// still offers them; only while a run or the tuner drives the design does a
// reshape drop the runs that no longer fit. Changes that keep the loop's rows,
// and a loop whose model does not convert, keep them too.
TEST_F(SignalPaneMenus, AReshapeWithNothingRunningKeepsTheRunsAndSaysNothing) {
  const std::string ready = StatusLine(Frame());
  simtest::StoreOwnRun(Doc());
  simtest::StoreOwnRun(Doc());
  Doc().m_vars.SetValue(0, 3.0);  // the loop's gain, not its shape
  Change();
  EXPECT_EQ(Doc().m_nRuns, 2);
  simtest::SetModel(Doc(), kModelK, Prod({Real(2), Div(Real(1), S())}));
  Change();
  ASSERT_EQ(Doc().m_system.m_nError, kSimModelInvalid);
  EXPECT_EQ(Doc().m_nRuns, 2);
  simtest::SetModel(Doc(), kModelK, Real(1));
  Change();
  EXPECT_EQ(Doc().m_nRuns, 2);
  EXPECT_EQ(StatusLine(Frame()), ready);

  Doc().ResizeModel(kModelG, 2, 2);  // as the size picker drops it
  QxTest::PumpUntilIdle();
  ASSERT_EQ(Doc().m_system.m_yd.m_nRows, 2);
  EXPECT_EQ(Doc().m_nRuns, 2);
  EXPECT_EQ(StatusLine(Frame()), ready);
  EXPECT_EQ(MenuItems(),
            "Realtime buffer|>Run 1|>Run 2|>-|>Clear buffer|Re-simulate|-|Copy image|-|"
            "Properties|");
}

// A recall that cannot be done is refused in a message that says why, and
// changes nothing; one the design's times could not hold is shown whole.
TEST_F(SignalPaneMenus, ARecallThatCannotBeDoneSaysWhy) {
  struct Row {
    const char* name;
    std::function<void(CQorexDoc&)> make;
    const char* said;  // null: recalled, after the question if one is asked
    size_t questions;
    int samples;
  };
  const Row rows[] = {
      {"rows of another loop",
       [](CQorexDoc& doc) {
         for (CSIMsignal* s :
              {&doc.m_runs[0].setpoint, &doc.m_runs[0].control, &doc.m_runs[0].output})
           s->Resize(2, 600);
       },
       "Run 1 cannot be recalled: it was recorded with 2 setpoint, 2 control and 2 output "
       "channels, and the loop now has 1, 1 and 1.",
       0, 0},
      {"a loop of one sample",
       [](CQorexDoc& doc) {
         doc.m_dFinalTime = doc.m_dSamplingTime;  // as a drag to the first sample sets it
         doc.Recalculate();
       },
       nullptr, 0, 600},
      {"one sample of another step",
       [](CQorexDoc& doc) {
         for (CSIMsignal* s :
              {&doc.m_runs[0].setpoint, &doc.m_runs[0].control, &doc.m_runs[0].output})
           s->Resize(1, 1);
         doc.m_runs[0].setpoint.At(0, 0) = 3;
         doc.m_runs[0].dTs = 0.1;
       },
       nullptr, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Doc().m_dSamplingTime = 0.05;
    Doc().m_dFinalTime = 30;
    Change();
    Doc().m_nRuns = 0;
    simtest::StoreOwnRun(Doc());
    Doc().m_runs[0].setpoint.At(0, 0) = 3;
    row.make(Doc());
    const double tf = Doc().m_dFinalTime;
    const int steps = Doc().m_system.m_c.m_nColumns;
    QxTest::MessageBoxScript boxes({IDYES, IDYES});
    Choose(RUN1);
    EXPECT_EQ(Doc().m_dFinalTime, tf);
    if (row.said) {
      ASSERT_EQ(boxes.Boxes().size(), 1u);
      EXPECT_EQ(boxes.Boxes()[0].text, row.said);
      EXPECT_EQ(boxes.Boxes()[0].caption, "Warning");
      EXPECT_EQ(Doc().m_dSamplingTime, 0.05);
      EXPECT_EQ(Doc().m_system.m_c.m_nColumns, steps);
      EXPECT_NE(Doc().m_system.m_c.At(0, 0), 3);
    } else {
      EXPECT_EQ(boxes.Boxes().size(), row.questions);
      EXPECT_EQ(Doc().m_dSamplingTime, Doc().m_runs[0].dTs);
      ASSERT_EQ(Doc().m_system.m_c.m_nColumns, row.samples);
      EXPECT_EQ(Doc().m_system.m_nSteps, row.samples);
      EXPECT_EQ(Doc().m_system.m_c.At(0, 0), 3);
    }
  }
}

// A design of 6 s at 0.1 s and a run of 10 s at 0.05 s: Yes takes only the
// run's sampling time. The design is not simulated again and its final time
// stays, yet the panes show all 200 samples of the run on its own time axis,
// until the design is simulated again with its own times.
TEST_F(SignalPaneMenus, AnAdoptedRunIsShownWholeAndOnlyTheSamplingTimeIsTaken) {
  Doc().m_dSamplingTime = 0.05;
  Doc().m_dFinalTime = 10;
  Change();
  simtest::StoreOwnRun(Doc());
  ASSERT_EQ(Doc().m_runs[0].output.m_nColumns, 200);
  for (int k = 0; k < 200; ++k) Doc().m_runs[0].output.At(0, k) = 1.5;
  Doc().m_dSamplingTime = 0.1;
  Doc().m_dFinalTime = 6;
  Change();
  ASSERT_EQ(Doc().m_system.m_nSteps, 60);
  Doc().SetModifiedFlag(FALSE);
  QxTest::MessageBoxScript boxes({IDYES});
  Choose(RUN1);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  const SIMtimeSettings times = Doc().GetTimeSettings();  // what Simulator Properties shows
  EXPECT_EQ(times.dSamplingTime, 0.05);
  EXPECT_EQ(times.dFinalTime, 6);
  EXPECT_TRUE(Doc().IsModified());
  // Not simulated again: the loop's other signals are still the design's 60
  // samples of 0.1 s.
  EXPECT_EQ(Doc().m_system.m_r.m_nColumns, 60);
  EXPECT_EQ(Doc().m_system.m_nSteps, 200);
  ASSERT_EQ(Doc().m_system.m_yd.m_nColumns, 200);
  EXPECT_EQ(Doc().m_system.m_y.At(0, 199), 1.5);
  // The measured output at 1.5 up to the run's last sample, 25 + 199 pixels,
  // and the end marker after it at 25 + 200, not after the design's 60th.
  const QImage image = Image();
  EXPECT_EQ(At(image, 200, 105 - 75), kOutputGreen);
  EXPECT_EQ(At(image, 223, 105 - 75), kOutputGreen);
  EXPECT_EQ(At(image, 225, 97), kOutputGreen);
  EXPECT_EQ(At(image, 85, 97), kWhite);
  // The copied text gives the run's times: its last line starts at 9.95 s.
  const std::string text(static_cast<const char*>(Pane().SamplesText()));
  EXPECT_NE(text.find("\r\n9.95\t"), std::string::npos);

  Choose(RUNRESIMULATE);
  EXPECT_EQ(Doc().m_system.m_nSteps, 120);
  EXPECT_EQ(Doc().m_system.m_yd.m_nColumns, 120);
}

// No keeps the design's sampling time, and the recalled run is still labelled
// by its own: the time labels read as those of the design that made it.
TEST_F(SignalPaneMenus, ARunRecalledWithoutItsSamplingTimeKeepsItsOwnTimeLabels) {
  const auto labels = [this] {
    const QImage image = Image();
    return image.copy(0, 106, image.width(), image.height() - 106);
  };
  Doc().m_dSamplingTime = 0.1;
  Doc().m_dFinalTime = 60;
  Change();
  simtest::StoreOwnRun(Doc());
  const QImage own = labels();
  Doc().m_dSamplingTime = 0.05;
  Doc().m_dFinalTime = 30;
  Change();
  ASSERT_NE(labels(), own);
  QxTest::MessageBoxScript boxes({IDNO});
  Choose(RUN1);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(Doc().m_dSamplingTime, 0.05);
  EXPECT_EQ(labels(), own);
}

TEST_F(SignalPaneMenus, ClearBufferEmptiesItAndMarksTheDesign) {
  PushRuns(2);
  Doc().SetModifiedFlag(FALSE);
  Choose(RUNCLEAR);
  EXPECT_EQ(Doc().m_nRuns, 0);
  EXPECT_TRUE(Doc().IsModified());
}

TEST_F(SignalPaneMenus, PropertiesOpenSimulatorPropertiesOrBeep) {
  {
    QxTest::DialogScript dialogs({[](CDialog&) {}});
    Choose(ID_TIME_SETTINGS);
    ASSERT_EQ(dialogs.Dialogs().size(), 1u);
    EXPECT_EQ(dialogs.Dialogs()[0].templateId, static_cast<UINT>(IDD_TIMEBOX));
  }
  Bar().ForgetDesign(&Doc());
  QxClearDebugOutput();
  QxTest::DialogScript dialogs({});
  Pane().SendMessage(WM_COMMAND, ID_TIME_SETTINGS);
  EXPECT_TRUE(dialogs.Dialogs().empty());
  EXPECT_NE(QxDebugOutput().find("MessageBeep"), std::string::npos);
}

// ---- copy -------------------------------------------------------------------------------

class SignalPaneCopy : public SignalPanes {
 protected:
  void Copy(int pane = 0) { Pane(pane).SendMessage(WM_COMMAND, ID_EDIT_COPY); }
  static std::string ClipboardText() {
    if (!OpenClipboard(nullptr)) return "not open";
    HANDLE block = GetClipboardData(CF_TEXT);
    std::string text = block ? static_cast<const char*>(GlobalLock(block)) : "none";
    if (block) GlobalUnlock(block);
    CloseClipboard();
    return text;
  }
};

TEST_F(SignalPaneCopy, TextListsEveryShownSampleWithTabs) {
  Doc().m_dFinalTime = 0.25;  // 5 samples of 0.05 s
  Change();
  QxTest::ResetClipboard();
  Copy();
  const CSIMsignal& y = Doc().m_system.m_yd;
  std::string expected = "Isignal=0\r\nt\tc\ty1\t\r\n";
  const char* times[] = {"0", "0.05", "0.1", "0.15", "0.2"};
  char value[32];
  for (int k = 0; k < 5; ++k) {
    std::snprintf(value, sizeof value, "%g", y.At(0, k));
    expected += std::string(times[k]) + "\t1\t" + value + "\t\r\n";
  }
  // The desktop's copy has LF line ends; the clipboard's own block keeps CR LF.
  EXPECT_EQ(ClipboardText(), expected);
  CRect client;
  Pane().GetClientRect(&client);
  EXPECT_EQ(qxtest::ClipboardPictureExtents(), CRect(0, 0, client.Width(), client.Height() + 25));
}

// A single pane's title is the design's name and ": Signals"; each of two
// panes names its row as well, so its title is wider.
TEST_F(SignalPaneCopy, PanesOfASeveralPaneBarNameTheirRowInTheTitle) {
  auto titleWidth = [this](int pane) {
    CRect client;
    Pane(pane).GetClientRect(&client);
    HMETAFILE picture = Pane(pane).RecordPicture(client.Width(), client.Height());
    const QImage image =
        QxRenderMetaFile(picture, CRect(-1, -17, client.Width(), -2), client.Width() + 1, 15);
    DeleteMetaFile(picture);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 128) left = std::min(left, x), right = std::max(right, x);
    return right - left;
  };
  const int single = titleWidth(0);
  simtest::MakeTwoByTwo(Doc(), Identity(2), 1, 2, 0);
  Change();
  const int first = titleWidth(0);
  EXPECT_GT(first, single + 20) << "\" (row: 1)\"";
  EXPECT_NEAR(titleWidth(1), first, 3) << "\" (row: 2)\"";
  EXPECT_EQ(std::string(static_cast<const char*>(Pane(1).SamplesText())).substr(0, 11),
            "Isignal=1\r\n");
}

struct CopyFailure {
  unsigned calls;
  int spared;  // calls that succeed before the failing one
  const char* message;
  bool pictureStays;
};

TEST_F(SignalPaneCopy, FailuresShowTheirMessageAndCloseTheClipboard) {
  const CopyFailure failures[] = {
      {QxTest::kClipboardOpen, 0, "Cannot open the Clipboard", false},
      {QxTest::kClipboardEmpty, 0, "Cannot empty the Clipboard", false},
      {QxTest::kClipboardSet, 0, "Unable to set Clipboard data", false},
      {QxTest::kClipboardSet, 1, "Unable to set Clipboard data", true}};  // the text
  for (const CopyFailure& failure : failures) {
    QxTest::ResetClipboard();
    {
      QxTest::MessageBoxScript boxes;
      QxTest::ClipboardFailures fail(failure.calls, failure.spared);
      Copy();
      ASSERT_EQ(boxes.Boxes().size(), 1u) << failure.message;
      EXPECT_EQ(boxes.Boxes()[0].text, failure.message);
    }
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << failure.message;
    EXPECT_EQ(!qxtest::ClipboardPictureExtents().IsRectEmpty(), failure.pictureStays)
        << failure.message;
  }
}

// ---- the bar ---------------------------------------------------------------------------

TEST_F(SignalPanes, ThreePanesShareAnEightHundredPixelBar) {
  Frame()->MoveWindow(0, 0, 800, 700);
  QxTest::PumpUntilIdle();
  CRect client;
  Bar().GetClientRect(&client);
  ASSERT_EQ(client.Width(), 800);
  Bar().SetPaneCount(3);
  QxTest::PumpUntilIdle();
  const int lefts[] = {10, 273, 536};
  for (int i = 0; i < 3; ++i) {
    CRect r;
    Pane(i).GetWindowRect(&r);
    Bar().ScreenToClient(&r);
    EXPECT_EQ(r, CRect(lefts[i], 10, lefts[i] + 253, client.Height() - 10)) << i;
    EXPECT_EQ(Pane(i).GetDlgCtrlID(), 100 + i);
    EXPECT_EQ(Pane(i).m_nRow, i);
  }
  const HWND first = Pane(0).GetSafeHwnd();
  Bar().SetPaneCount(3);
  EXPECT_EQ(Pane(0).GetSafeHwnd(), first) << "same count: the same windows";
  Bar().SetPaneCount(2);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(Bar().GetPaneCount(), 2);
  EXPECT_EQ(Pane(1).GetDlgCtrlID(), 101);
  EXPECT_EQ(Pane(1).m_nRow, 1);
  Bar().SetPaneCount(0);
  EXPECT_EQ(Bar().GetPaneCount(), 1);
  // Too narrow for its panes: width 0, never negative.
  Bar().SetPaneCount(100);
  CRect r;
  Pane(99).GetClientRect(&r);
  EXPECT_EQ(r.Width(), 0);
}

TEST_F(SignalPanes, GripShowsTwoRowsAndDragsTheBarsHeight) {
  CSizeWnd& grip = *Bar().GetSizeWnd();
  const QImage image = QxTest::ClientImage(&grip);
  ASSERT_EQ(image.height(), 5);
  EXPECT_EQ(At(image, 40, 3), 0x808080u);
  EXPECT_EQ(At(image, 40, 4), kBlack);
  EXPECT_EQ(At(image, 40, 1), 0xC0C0C0u);

  // The pointer rests on the grip first: the status line's readouts follow
  // the pointer, and over the grip they read nothing.
  QxTest::MouseMove(&grip, {100, 2});
  QxTest::PumpUntilIdle();
  const QImage frameBefore = QxTest::ScreenImage(Frame());
  QxTest::MouseDown(&grip, {100, 2});
  QxTest::MouseMove(&grip, {100, -40});
  EXPECT_EQ(QxTest::CursorId(), 32645u);
  EXPECT_NE(QxTest::ScreenImage(Frame()), frameBefore) << "the outline shows";
  QxTest::MouseMove(&grip, {100, 2});
  QxTest::MouseUp(&grip, {100, 2});
  QxTest::PumpUntilIdle();
  EXPECT_EQ(QxTest::ScreenImage(Frame()), frameBefore) << "no trace";

  struct Drag {
    int toY, height;
  } drags[] = {{-28, 230}, {-500, 400}, {500, 50}};
  for (const Drag& drag : drags) {
    QxTest::MouseDown(&grip, {100, 2});
    QxTest::MouseMove(&grip, {100, drag.toY});
    QxTest::MouseUp(&grip, {100, drag.toY});
    QxTest::PumpUntilIdle();
    EXPECT_EQ(g_nOutputBarHeight, drag.height);
    CRect client;
    Bar().GetClientRect(&client);
    EXPECT_EQ(client.Height(), drag.height);
  }
}

TEST_F(SignalPanes, FloatingHidesTheGripAndClicksBetweenPanesDoNothing) {
  QxTest::Click(&Bar(), {5, 60});
  EXPECT_FALSE(Bar().IsFloating());
  EXPECT_EQ(QxTest::Capture(), nullptr);
  EXPECT_FALSE(Doc().IsModified());
  CPoint point(50, 50);
  Frame()->ClientToScreen(&point);
  Frame()->FloatControlBar(&Bar(), point);
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(Bar().GetSizeWnd()->IsWindowVisible());
  Frame()->DockControlBar(&Bar());
  QxTest::PumpUntilIdle();
  EXPECT_TRUE(Bar().GetSizeWnd()->IsWindowVisible());
}

}  // namespace

namespace {

// The view's X and Y readouts over a pane read the time in seconds and the
// value under the pointer; over the 5-pixel grip they read nothing.
TEST_F(SignalPanes, TheStatusReadoutsReadThePaneUnderThePointerAndNothingOverTheGrip) {
  CStatusBar& status = Frame()->m_wndStatusBar;
  const CQorexDoc& doc = Doc();
  const CPoint at(120, 30);
  QxTest::MouseMove(&Pane(0), at);
  QxTest::PumpUntilIdle();
  CString x, y;
  x.Format("%.3g", (at.x - doc.m_ptSigOrigin.x) / doc.m_dSigScaleX * doc.m_dSamplingTime);
  y.Format("%.3g", -(at.y - doc.m_ptSigOrigin.y) / doc.m_dSigScaleY);
  EXPECT_STREQ(status.GetPaneText(1), x);
  EXPECT_STREQ(status.GetPaneText(2), y);
  QxTest::MouseMove(Bar().GetSizeWnd(), {100, 2});
  QxTest::PumpUntilIdle();
  EXPECT_STREQ(status.GetPaneText(1), "");
  EXPECT_STREQ(status.GetPaneText(2), "");
}

}  // namespace
