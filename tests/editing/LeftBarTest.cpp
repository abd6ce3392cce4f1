// The "ProcessView" bar: its picture, its items and what a click on each
// does, driven by real mouse events on the started program.
#include "tests/editing/ProcessViewTestSupport.h"

#include "editing/EditModels.h"
#include "editing/EditSignals.h"
#include "platform/testing/DialogHooks.h"
#include "res/resource.h"
#include "GlobalResources.h"
#include "search/EqualizerBar.h"
#include "search/KFinder.h"
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/InstantCompanion.h"
#include "tests/support/PacedRuns.h"
#include "tests/support/TreeBuilders.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace pvtest;
using namespace qxtest::trees;

class LeftBar : public ProcessView {
 protected:
  QImage Image() {
    QxTest::PumpUntilIdle();
    return QxTest::ClientImage(&Bar());
  }
};

// A thread object that stands for a running worker; nothing runs it.
CWinThread* FakeWorker() {
  static CWinThread worker;
  return &worker;
}

constexpr QPoint kDiagramAt(10, 10);
constexpr QPoint kLampAt(12, 67);
constexpr QPoint kFindGAt(31, 83);
constexpr QPoint kRealtimeAt(49, 83);
constexpr QPoint kMarkAt[6] = {{56, 26}, {71, 26}, {100, 26}, {162, 25}, {196, 26}, {70, 64}};

// The diagram's own pixels under a mark: no mark drawn there.
SpriteTile DiagramUnder(int mark) {
  const SpriteTile m = kSpriteSignalMarks[mark];
  return {kSpriteLoopDiagram.x + kMarkAt[mark].x() - 10,
          kSpriteLoopDiagram.y + kMarkAt[mark].y() - 10, m.cx, m.cy};
}

// Pixels of the diagram that differ from the sprite's, outside the lamp, the
// two switches and the six marks.
int DiagramMismatches(const QImage& image) {
  std::vector<QRect> items = {QRect(kLampAt, QSize(13, 13)), QRect(kFindGAt, QSize(18, 18)),
                              QRect(kRealtimeAt, QSize(18, 18))};
  for (int i = 0; i < 6; ++i)
    items.emplace_back(kMarkAt[i], QSize(kSpriteSignalMarks[i].cx, kSpriteSignalMarks[i].cy));
  int mismatches = 0;
  for (int y = 0; y < kSpriteLoopDiagram.cy; ++y) {
    for (int x = 0; x < kSpriteLoopDiagram.cx; ++x) {
      const QPoint p = kDiagramAt + QPoint(x, y);
      if (std::any_of(items.begin(), items.end(), [p](const QRect& r) { return r.contains(p); }))
        continue;
      if ((image.pixel(p) & 0xFFFFFF) !=
          SheetRgb(kSpriteLoopDiagram.x + x, kSpriteLoopDiagram.y + y))
        ++mismatches;
    }
  }
  return mismatches;
}

}  // namespace

TEST_F(LeftBar, ShowsTheLoopTheLampTheSwitchesAndTheMarksOfTheShownSignals) {
  QImage image = Image();
  ASSERT_GE(image.width(), 220);
  ASSERT_GE(image.height(), 110);
  EXPECT_TRUE(ShowsTile(image, kLampAt, kSpriteLampOff));
  EXPECT_TRUE(ShowsTile(image, kFindGAt, kSpriteFindGSwitchOff));
  EXPECT_TRUE(ShowsTile(image, kRealtimeAt, kSpriteRealtimeSwitchOff));
  // A new design shows only y + d among the loop signals.
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(ShowsTile(image, kMarkAt[i], i == 3 ? kSpriteSignalMarks[i] : DiagramUnder(i)))
        << i;
  // Away from the lamp, the switches and the marks the diagram is the sprite's.
  EXPECT_EQ(DiagramMismatches(image), 0);

  g_pWorkerThread.store(FakeWorker());
  g_wStatus.store(kStatusRealtimeLoop | kStatusFindGAfterPass);
  Bar().Redraw();
  image = QxTest::ClientImage(&Bar());
  EXPECT_TRUE(ShowsTile(image, kLampAt, kSpriteLampOn));
  EXPECT_TRUE(ShowsTile(image, kFindGAt, kSpriteFindGSwitchOn));
  EXPECT_TRUE(ShowsTile(image, kRealtimeAt, kSpriteRealtimeSwitchOn));

  // Without a design: the diagram, the lamp and the switches, no marks.
  Bar().ShowDesign(nullptr, DesignPart::kWhole, 0);
  image = Image();
  EXPECT_TRUE(ShowsTile(image, kLampAt, kSpriteLampOn));
  EXPECT_TRUE(ShowsTile(image, kRealtimeAt, kSpriteRealtimeSwitchOn));
  EXPECT_TRUE(ShowsTile(image, kMarkAt[3], DiagramUnder(3)));
}

TEST_F(LeftBar, HitTestNamesEveryItemAndNothingElse) {
  struct Row {
    CPoint at;  // bar client coordinates
    WORD code;
  };
  std::vector<Row> rows = {
      {BlockCorner(2), 0x4102},
      // G's diagonal: 25 pixels from its corner is the block, 26 the corner.
      {{126 + 17, 28 + 8}, 0x102},
      {{126 + 17, 28 + 9}, 0x4102},
      {{126, 28}, 0x102},
      {SourceCentre(3) + CSize(6, -6), 0x203},
      {SourceCentre(3) + CSize(7, 0), 0},
      {{18, 73}, 0x300},
      // A point of P within six pixels of the r toggle is P's.
      {ToggleCentre(0) - CSize(6, 0), 0x100},
      {{5, 5}, 0},
      {{150, 70}, 0},
      {{215, 105}, 0},
  };
  for (int i = 0; i < 6; ++i) {
    if (i < 5) rows.push_back({BlockCentre(i), static_cast<WORD>(kHitBlock + i)});
    if (i < 4) rows.push_back({SourceCentre(i), static_cast<WORD>(kHitSource + i)});
    if (i < 3) rows.push_back({ButtonCentre(i), static_cast<WORD>(kHitButton + i)});
    rows.push_back({ToggleCentre(i), static_cast<WORD>(kHitToggle + i)});
  }
  for (const auto& row : rows)
    EXPECT_EQ(CLeftBar::HitTest(row.at.x, row.at.y), row.code) << row.at.x << "," << row.at.y;
}

TEST_F(LeftBar, ClicksOnBlocksAndSourcesOpenTheEditingDialogsThere) {
  // While held, a block and a source show themselves pressed.
  Press(BlockCentre(2));
  EXPECT_TRUE(ShowsTile(QxTest::ClientImage(&Bar()), {126, 28}, SpritePressedBlock(2)));
  Release(BlockCentre(2));
  Press(SourceCentre(1));
  EXPECT_TRUE(ShowsTile(QxTest::ClientImage(&Bar()), {106, 11}, SpritePressedSource(1)));
  Release(SourceCentre(1));
  QxTest::PumpUntilIdle();
  // Each dialog reports the slot it shows and is cancelled.
  std::vector<int> shown;
  std::vector<QxTest::DialogAction> actions;
  for (int i = 0; i < 9; ++i)
    actions.push_back([&](CDialog& d) {
      if (auto* models = dynamic_cast<CEditModels*>(&d)) shown.push_back(models->m_nModel);
      if (auto* signals = dynamic_cast<CEditSignals*>(&d)) shown.push_back(10 + signals->m_nSignal);
    });
  QxTest::DialogScript script(actions);
  for (int i = 0; i < 5; ++i) Click(BlockCentre(i));
  for (int i = 0; i < 4; ++i) Click(SourceCentre(i));
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 4, 10, 11, 12, 13}));
  ASSERT_EQ(script.Dialogs().size(), 9u);
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(script.Dialogs()[i].templateId, i < 5 ? IDD_EDITMODELS : IDD_EDITSIGNALS);
  EXPECT_FALSE(Doc()->IsModified());
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_FALSE(IsWindow(Bar().m_wndElementPopup.GetSafeHwnd()));
  EXPECT_FALSE(IsWindow(Bar().m_wndSignalPopup.GetSafeHwnd()));
}

// Each of the six toggles, clicked on and off again, switches the show flag
// of its own signal and no other, and its own mark follows that flag while
// the other marks stay.
TEST_F(LeftBar, EveryToggleSwitchesItsOwnSignalAndItsOwnMark) {
  CSIMsystem& s = Doc()->m_system;
  CSIMsignal* const all[] = {&s.m_c,  &s.m_v, &s.m_d,  &s.m_n, &s.m_r,  &s.m_e, &s.m_u,
                             &s.m_uv, &s.m_y, &s.m_yd, &s.m_z, &s.m_zn, &s.m_w};
  CSIMsignal* const toggled[6] = {&s.m_r, &s.m_e, &s.m_u, &s.m_yd, &s.m_z, &s.m_w};
  auto flags = [&] {
    std::vector<WORD> f;
    for (CSIMsignal* signal : all) f.push_back(signal->m_wFlags & kSignalShown);
    return f;
  };
  auto marks = [&] {
    const QImage image = Image();
    std::vector<bool> shown;
    for (int i = 0; i < 6; ++i)
      shown.push_back(ShowsTile(image, kMarkAt[i], kSpriteSignalMarks[i]));
    return shown;
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE("toggle " + std::to_string(i));
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<WORD> expected = flags();
      std::vector<bool> expectedMarks = marks();
      const size_t at = static_cast<size_t>(std::find(all, all + 13, toggled[i]) - all);
      expected[at] ^= 1;
      expectedMarks[static_cast<size_t>(i)] = expected[at] != 0;
      Click(ToggleCentre(i));
      EXPECT_EQ(flags(), expected);
      EXPECT_EQ(marks(), expectedMarks);
      if (!expected[at]) {
        EXPECT_TRUE(ShowsTile(Image(), kMarkAt[i], DiagramUnder(i)));
      }
    }
  }
}

TEST_F(LeftBar, AToggleSwitchesItsSignalAndItsMark) {
  const WORD before = Doc()->GetShowMask();
  Press(ToggleCentre(0));
  Release(ToggleCentre(4));  // released over another item: only a repaint
  EXPECT_EQ(Doc()->GetShowMask(), before);
  Click(ToggleCentre(0));
  EXPECT_EQ(Doc()->GetShowMask(), before ^ 0x10);
  EXPECT_TRUE(ShowsTile(Image(), kMarkAt[0], kSpriteSignalMarks[0]));
  Click(ToggleCentre(3));  // y + d off
  EXPECT_EQ(Doc()->GetShowMask(), before ^ 0x10 ^ 0x200);
  EXPECT_TRUE(ShowsTile(Image(), kMarkAt[3], DiagramUnder(3)));
}

TEST_F(LeftBar, TheSwitchesFlipTheirStatusBitsAndPictures) {
  QxTest::DialogScript noDialog({});
  Press(ButtonCentre(2));
  EXPECT_TRUE(ShowsTile(QxTest::ClientImage(&Bar()), {49, 83}, SpritePressedLoopButton(2)));
  Release(ButtonCentre(2));
  EXPECT_EQ(g_wStatus.load(), kStatusRealtimeLoop);
  EXPECT_TRUE(ShowsTile(Image(), kRealtimeAt, kSpriteRealtimeSwitchOn));
  // Switched on while a worker runs, FindG after each pass only sets the switch.
  g_pWorkerThread.store(FakeWorker());
  Click(ButtonCentre(1));
  EXPECT_EQ(g_wStatus.load(), kStatusRealtimeLoop | kStatusFindGAfterPass);
  EXPECT_TRUE(ShowsTile(Image(), kFindGAt, kSpriteFindGSwitchOn));
  Click(ButtonCentre(1));
  Click(ButtonCentre(2));
  EXPECT_EQ(g_wStatus.load(), 0);
  QImage image = Image();
  EXPECT_TRUE(ShowsTile(image, kFindGAt, kSpriteFindGSwitchOff));
  EXPECT_TRUE(ShowsTile(image, kRealtimeAt, kSpriteRealtimeSwitchOff));
  g_pWorkerThread.store(nullptr);
  EXPECT_TRUE(noDialog.Dialogs().empty());
}

// The emulated unit's companion answers 0 V whatever goes out, so every
// pass costs the same: each probe ties, and the controller keeps its gain.
// The passes keep their period.
TEST_F(LeftBar, TheTunerButtonTunesTheDesignAgainstThePlant) {
  QxTest::DialogScript noDialog({});
  qxtest::PacedRunWatch watch;
  qxtest::InstantCompanion companion(watch.Heard());
  const int iterations = g_nLocalIterations;
  g_nLocalIterations = 3;
  SetModel(kModelK, Variable("kp"));
  CQorexDoc& doc = *Doc();
  double& kp = doc.m_vars.m_pValue[doc.m_vars.Find("kp", "", 0)];
  kp = 0.5;
  // 5 samples a pass, at a period the median of their gaps judges.
  doc.m_dSamplingTime = 0.01;
  doc.m_dFinalTime = 0.05;
  doc.Recalculate();
  Click(ButtonCentre(0));
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) QxTest::PumpEvents();
  QxTest::PumpUntilIdle();
  g_nLocalIterations = iterations;
  EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_EQ(g_pKFinder->m_pTunedDoc, &doc);
  EXPECT_EQ(g_pKFinder->m_nEvaluations, 1 + 2 * 3);
  EXPECT_EQ(g_pKFinder->m_nPasses, g_pKFinder->m_nEvaluations);
  EXPECT_GE(doc.m_nRuns, 1);
  EXPECT_EQ(kp, 0.5);
  EXPECT_EQ(g_wStatus.load(), 0);
  EXPECT_TRUE(noDialog.Dialogs().empty());
  EXPECT_EQ(watch.LateOverTheTest(10), "");
}

TEST_F(LeftBar, TheRunSpotStartsAndStopsARealTimeRunOfTheDesign) {
  // The emulated unit with a companion that answers 0 V.
  qxtest::PacedRunWatch watch;
  qxtest::InstantCompanion companion(watch.Heard());
  Doc()->m_dSamplingTime = 0.05;
  Doc()->m_dFinalTime = 30.0;
  Press({18, 73});
  EXPECT_TRUE(ShowsTile(QxTest::ClientImage(&Bar()), kLampAt, kSpriteLampOffPressed));
  Release({18, 73});
  ASSERT_NE(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(g_pSimDoc.load(), Doc());
  EXPECT_TRUE(ShowsTile(Image(), kLampAt, kSpriteLampOn));
  Click({18, 73});  // stops it: the click only asks, and the worker ends within a sample
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([] { return WorkerEndPosted(); }, 10000));
  QxTest::PumpEvents();
  EXPECT_TRUE(ShowsTile(Image(), kLampAt, kSpriteLampOff));
  EXPECT_EQ(Doc()->m_nRuns, 0);  // a stopped run is not stored

  // A run that ends by itself is stored, and its end repaints the bar.
  Doc()->m_dFinalTime = 0.2;
  Click({18, 73});
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) QxTest::PumpEvents();
  QxTest::PumpEvents();
  EXPECT_EQ(g_pWorkerThread.load(), nullptr);
  EXPECT_EQ(Doc()->m_nRuns, 1);
  EXPECT_TRUE(ShowsTile(QxTest::ClientImage(&Bar()), kLampAt, kSpriteLampOff));
  EXPECT_EQ(watch.LateOverTheTest(50), "");
}

// A double click on the run spot or the tuner's spot is one click: its
// second press belongs to the first. On the continuous switch a double click
// toggles once.
TEST_F(LeftBar, ADoubleClickOnTheRunSpotOrTheTunersSpotIsOneClick) {
  qxtest::InstantCompanion companion;
  Doc()->m_dSamplingTime = 0.05;
  Doc()->m_dFinalTime = 30.0;
  // Runs are numbered as they start, whichever simulator starts them.
  const unsigned before = g_pSimulator.load()->m_nRealtimeRun;
  QxTest::DoubleClick(&Bar(), {18, 73});  // started
  const unsigned first = g_pSimulator.load()->m_nRealtimeRun;
  EXPECT_NE(first, before);
  EXPECT_NE(g_pWorkerThread.load(), nullptr);
  QxTest::DoubleClick(&Bar(), {18, 73});  // stopped
  EXPECT_EQ(g_pSimDoc.load(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([] { return WorkerEndPosted(); }, 10000));
  EXPECT_EQ(g_pSimulator.load()->m_nRealtimeRun, first);
  QxTest::PumpUntilIdle();

  // With nothing to tune each start ends at once and leaves one result.
  while (g_pKFinder->TakeResult()) {
  }
  QxTest::DoubleClick(&Bar(), ButtonCentre(0));
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!WorkerEndPosted() && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
  int starts = 0;
  while (g_pKFinder->TakeResult()) ++starts;
  EXPECT_EQ(starts, 1);
  QxTest::PumpUntilIdle();

  QxTest::DoubleClick(&Bar(), ButtonCentre(2));
  EXPECT_EQ(g_wStatus.load(), kStatusRealtimeLoop);
}

// G = b/(s + 1) under the new design's loop, with one run stored at b = 2.
TEST_F(LeftBar, SwitchingIdentificationOnFitsTheProcessToTheStoredRun) {
  QxTest::DialogScript noDialog({});
  SetModel(kModelG, Div(Variable("b"), Sum({S(), Real(1)})));
  CQorexDoc& doc = *Doc();
  double& b = doc.m_vars.m_pValue[doc.m_vars.Find("b", "", 0)];
  b = 2.0;
  doc.Recalculate();
  doc.m_nRuns = 0;
  simtest::StoreOwnRun(doc);
  b = 1.0;
  doc.Recalculate();
  doc.UpdateAll();
  ASSERT_EQ(g_pEqualizerBar->m_pDoc, &doc);

  Click(ButtonCentre(1));
  EXPECT_EQ(g_wStatus.load(), kStatusFindGAfterPass);
  EXPECT_NEAR(b, 2.0, 1e-6);
  EXPECT_NEAR(doc.m_system.m_yd.At(0, 599), doc.m_runs[0].output.At(0, 599), 1e-6)
      << "recalculated with the fit";
  // Switching it off identifies nothing.
  b = 1.0;
  Click(ButtonCentre(1));
  EXPECT_EQ(g_wStatus.load(), 0);
  EXPECT_EQ(b, 1.0);
  EXPECT_TRUE(noDialog.Dialogs().empty());
}

TEST_F(LeftBar, FloatingItIgnoresPressesAndADoubleClickFloatsAndDocksIt) {
  ASSERT_FALSE(Bar().IsFloating());
  QxTest::DoubleClick(&Bar(), {150, 70});
  QxTest::PumpUntilIdle();
  ASSERT_TRUE(Bar().IsFloating());
  const WORD before = Doc()->GetShowMask();
  Click(ToggleCentre(0));
  Click(BlockCentre(2));
  EXPECT_EQ(Doc()->GetShowMask(), before);
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_FALSE(IsWindow(Bar().m_wndElementPopup.GetSafeHwnd()));
  QxTest::DoubleClick(&Bar(), {150, 70});
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(Bar().IsFloating());
  // A double click on an item is two clicks on it, and stays docked.
  QxTest::DoubleClick(&Bar(), ToggleCentre(0));
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(Bar().IsFloating());
  EXPECT_EQ(Doc()->GetShowMask(), before ^ 0x10);
}
