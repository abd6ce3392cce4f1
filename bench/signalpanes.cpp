// The "SimulationView" bar's signal panes, in the program as the application
// test fixture starts it (offscreen, main window 1000 x 700, bar 145 pixels
// high), showing the 3 x 3 design of bench/recalculate (10,000 samples, three
// panes), its time scale set so the whole run fits a pane.
//
// Workloads (time per pane as the counter per_pane_s, in seconds):
//   UpdatePanes/DefaultSignals   COutputBar::UpdatePanes with the default show
//                                mask (command and measured output); target
//                                <= 2 ms, since every recalculation, and so
//                                every drag step, repaints the panes
//   UpdatePanes/AllSignals       the same with all thirteen signals shown;
//                                target <= 3 x the peer
//   Peer/AllSignals              the peer: QPainter::drawPolyline of the same
//                                points into an image of the pane's size,
//                                one-pixel cosmetic pen, antialiasing off
//   LiveStrip/100, /9900         COutputBar::InvalidateSamples and the panes'
//                                paint of the strip, the simulator as source;
//                                target: the two within 20 % of each other
// The machine's load (/proc/loadavg) is printed before the runs.
//
// The panes' images are painted over with a colour no signal uses before each
// row; a row whose panes were not painted again (or whose peer drew nothing)
// ends with an error, and the program exits non-zero.
#include "GlobalResources.h"
#include "MainFrm.h"
#include "Qorex.h"
#include "QorexDoc.h"
#include "Splash.h"
#include "bench/BenchCheck.h"
#include "bench/BenchLoad.h"
#include "bench/ThreeByThreeDesign.h"
#include "diagrams/OutputBar.h"
#include "diagrams/ZevSIGWnd.h"
#include "platform/testing/TestHooks.h"
#include "res/Resources.h"
#include "simulation/SIMsystem.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

CQorexApp* g_app = nullptr;

CMainFrame& Frame() {
  return *static_cast<CMainFrame*>(g_app->m_pMainWnd);
}
COutputBar& Bar() {
  return Frame().m_wndOutputBar;
}
CQorexDoc& Doc() {
  return *Bar().m_pDoc;
}

void ShowSignals(bool all) {
  for (const SignalPlotEntry& entry : kPlottedSignals) {
    CSIMsignal& s = Doc().m_system.*entry.signal;
    const bool shown = all || entry.signal == &CSIMsystem::m_c || entry.signal == &CSIMsystem::m_yd;
    s.m_wFlags = static_cast<WORD>(shown ? s.m_wFlags | 1 : s.m_wFlags & ~1);
  }
}

constexpr QRgb kUnpainted = qRgb(1, 2, 3);

// Every pane's client image painted over with kUnpainted.
void PaintOver() {
  for (int i = 0; i < Bar().GetPaneCount(); ++i)
    if (QImage* image = Bar().GetPane(i)->GetClientImage()) image->fill(kUnpainted);
}

// The pixels of the panes painted since PaintOver, and of them the ones that
// are not white.
void Painted(long* painted, long* drawn) {
  *painted = *drawn = 0;
  for (int i = 0; i < Bar().GetPaneCount(); ++i) {
    const QImage image = QxTest::ClientImage(Bar().GetPane(i));
    const long other = qxbench::PixelsOtherThan(image, kUnpainted);
    *painted += other;
    *drawn += qxbench::PixelsOtherThan(image, qRgb(255, 255, 255)) -
              (long(image.width()) * image.height() - other);
  }
}

void BM_UpdatePanes(benchmark::State& state, bool all) {
  ShowSignals(all);
  PaintOver();
  for (auto _ : state) Bar().UpdatePanes();
  long painted, drawn;
  Painted(&painted, &drawn);
  qxbench::Check(state, Bar().GetPaneCount() == 3, "the bar does not show three panes");
  qxbench::Check(state, painted > 0 && drawn > 0, "the panes were not painted again");
  state.counters["panes"] = Bar().GetPaneCount();
  state.counters["per_pane_s"] =
      benchmark::Counter(double(Bar().GetPaneCount()) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  ShowSignals(false);
}
BENCHMARK_CAPTURE(BM_UpdatePanes, DefaultSignals, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_UpdatePanes, AllSignals, true)->Unit(benchmark::kMillisecond);

// The same points as the pane's polylines, every sample of every signal of
// each pane's row, drawn by Qt.
void BM_Peer_AllSignals(benchmark::State& state) {
  CRect client;
  Bar().GetPane(0)->GetClientRect(&client);
  const CQorexDoc& doc = Doc();
  std::vector<std::vector<QPoint>> lines;
  std::vector<QRgb> colours;
  const COLORREF curve[12] = {RGB(150, 0, 0),     RGB(255, 0, 0),     RGB(0, 150, 0),
                              RGB(0, 255, 0),     RGB(0, 0, 150),     RGB(0, 0, 255),
                              RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 0),
                              RGB(255, 150, 255), RGB(255, 150, 255), RGB(255, 255, 150)};
  for (int row = 0; row < Bar().GetPaneCount(); ++row)
    for (const SignalPlotEntry& entry : kPlottedSignals) {
      const CSIMsignal& s = doc.m_system.*entry.signal;
      if (s.m_nRows <= row) continue;
      std::vector<QPoint> points;
      for (int k = 0; k < s.m_nColumns; ++k)
        points.emplace_back(
            doc.m_ptSigOrigin.x + static_cast<int>(std::trunc(k * doc.m_dSigScaleX)),
            doc.m_ptSigOrigin.y - static_cast<int>(std::trunc(s.At(row, k) * doc.m_dSigScaleY)));
      lines.push_back(std::move(points));
      const COLORREF c = curve[entry.pen];
      colours.push_back(qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
  QImage image(client.Width(), client.Height(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (size_t i = 0; i < lines.size(); ++i) {
      QPen pen(QColor::fromRgb(colours[i]), 0);
      pen.setCosmetic(true);
      painter.setPen(pen);
      painter.drawPolyline(lines[i].data(), static_cast<int>(lines[i].size()));
    }
  }
  qxbench::Check(state, !lines.empty() && qxbench::PixelsOtherThan(image, qRgb(255, 255, 255)) > 0,
                 "the peer drew nothing");
  state.counters["per_pane_s"] =
      benchmark::Counter(double(Bar().GetPaneCount()) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Peer_AllSignals)->Unit(benchmark::kMillisecond);

// The simulator holds the design's run; a stand-in worker identity makes it
// the panes' source.
void BM_LiveStrip(benchmark::State& state) {
  CQorexDoc& doc = Doc();
  CSIMsystem* sim = g_pSimulator.load();
  sim->m_dTs = doc.m_dSamplingTime;
  sim->m_nSteps = doc.m_system.m_nSteps;
  sim->Setup(&doc);
  for (const SIMloopSignal& s : kLoopSignals) (sim->*s.signal).Assign(doc.m_system.*s.signal);
  sim->m_nLiveSamples = sim->m_c.m_nColumns;  // all given, as a run's simulated start
  CWinThread identity;
  g_pSimDoc = &doc;
  g_pWorkerThread = &identity;
  const int sample = static_cast<int>(state.range(0));
  PaintOver();
  for (auto _ : state) {
    Bar().InvalidateSamples(sample);
    for (int i = 0; i < Bar().GetPaneCount(); ++i) Bar().GetPane(i)->UpdateWindow();
  }
  g_pWorkerThread = nullptr;
  g_pSimDoc = nullptr;
  long painted, drawn;
  Painted(&painted, &drawn);
  qxbench::Check(state, painted > 0, "no strip of the panes was painted");
  state.counters["per_pane_s"] =
      benchmark::Counter(double(Bar().GetPaneCount()) * state.iterations(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LiveStrip)->Arg(100)->Arg(9900)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  const std::string root = (std::filesystem::temp_directory_path() / "qxbench-panes").string();
  std::filesystem::create_directories(root);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("XDG_CONFIG_HOME", root.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  qxres::RegisterDialogTemplates();
  QApplication qt(argc, argv);
  // Without a screen nobody answers a box or a dialog: each takes its default.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) QxTest::RunWithoutAScreen();
  std::setlocale(LC_NUMERIC, "C");
  int code = 0;
  {
    CQorexApp app;
    g_app = &app;
    if (!app.InitApplication() || !app.InitInstance()) return 2;
    QxTest::PumpUntilIdle();
    CSplash::HideSplashScreen();
    Frame().MoveWindow(0, 0, 1000, 700);
    QxTest::PumpUntilIdle();
    CQorexDoc& doc = *Bar().m_pDoc;
    qxbench::MakeThreeByThree(doc);
    doc.UpdateAll();
    QxTest::PumpUntilIdle();
    CRect client;
    Bar().GetPane(0)->GetClientRect(&client);
    doc.m_dSigScaleX = (client.Width() - 30.0) / doc.m_system.m_nSteps;
    std::fprintf(stderr, "%d panes of %d x %d, %d samples, %.4f pixels per sample\n",
                 Bar().GetPaneCount(), client.Width(), client.Height(), doc.m_system.m_nSteps,
                 doc.m_dSigScaleX);
    qxbench::PrintLoad();
    code = qxbench::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QxTest::MessageBoxScript discard({IDNO, IDNO, IDNO});
    app.m_pMainWnd->SendMessage(WM_CLOSE);
    QxTest::PumpEvents();
    app.ExitInstance();
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return code;
}
