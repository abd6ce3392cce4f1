// The redraw of a frequency diagram, as every pan, zoom and node drag repeats
// it: CQorexView::Redraw paints the diagram into g_pMemDC and copies it to the
// window in one block.
//
// Workload: the 3 x 3 design of the loop's benchmark (G = [1/(s+1),
// 0.5/(2s+1), 0.2/(s+3); 0.3/(s+2), 2/((s+1)(0.5s+1)), 0.4/(s+1); 0.1/(s+4),
// 0.2/(s+2), 1.5/(s+1)^2], K = diag(k_i (1 + T_i s) / (T_i s)), k = (2, 1.5,
// 1), T = (1, 2, 1), P = L = F = I) in a view with a 1,024 x 768 client area
// on the offscreen platform, with 10 labelled nodes (cell nodes spread over
// the nine cells on the cell diagrams, nodes on the three branches on the
// characteristic ones), Gershgorin bands on, tick step 5, swept at 200 and at
// 1,000 points. Each of the six diagrams is redrawn 50 times; reported as
// counters: the median and the worst redraw in milliseconds. Target: every
// diagram under 16 ms (one frame). The machine's load is printed first.
//
// The window's client image is painted over with a colour no diagram uses
// before the redraws; a row whose redraws left any of it, or drew nothing but
// the white background, ends with an error, and the program exits non-zero.
#include "bench/BenchCheck.h"
#include "bench/BenchLoad.h"
#include "GlobalResources.h"
#include "QorexDoc.h"
#include "diagrams/QorexView.h"
#include "platform/ui/FrameWnd.h"
#include "res/resource.h"
#include "platform/testing/TestHooks.h"
#include "simulation/SIMfreq.h"
#include "tests/support/TreeBuilders.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace qxtest::trees;

void Set(CMXC_BIN& list, int slot, CMcBasic* rhs) {
  delete list.GetAt(slot)->SetChildAt(rhs, 1);
}

// The design in a view of a frame whose client area is 1,024 x 768.
struct Window {
  explicit Window(int points) {
    g_nFreqSteps = points;
    g_nFreqTickStep = 5;
    g_bFreqFlags = 5;
    doc = new CQorexDoc;
    const double k[] = {2, 1.5, 1}, T[] = {1, 2, 1};
    std::vector<CMcBasic*> kCells;
    for (int i = 0; i < 9; ++i)
      kCells.push_back(i % 4 == 0 ? Tf({k[i / 4], k[i / 4] * T[i / 4]}, {0, T[i / 4]}) : Real(0));
    Set(doc->m_models, kModelP, Identity(3));
    Set(doc->m_models, kModelK, Matrix(3, kCells));
    Set(doc->m_models, kModelG,
        Matrix(3, {Tf({1}, {1, 1}), Tf({0.5}, {1, 2}), Tf({0.2}, {3, 1}), Tf({0.3}, {2, 1}),
                   Tf({2}, {1, 1.5, 0.5}), Tf({0.4}, {1, 1}), Tf({0.1}, {4, 1}), Tf({0.2}, {2, 1}),
                   Tf({1.5}, {1, 2, 1})}));
    Set(doc->m_models, kModelL, Identity(3));
    Set(doc->m_models, kModelF, Identity(3));
    Set(doc->m_signals, kSigC, Matrix(1, {Real(1), Real(1), Real(1)}));
    for (int slot : {kSigV, kSigD, kSigN})
      Set(doc->m_signals, slot, Matrix(1, {Real(0), Real(0), Real(0)}));
    doc->UpdateUsedVariables();
    for (int i = 0; i < 10; ++i)
      doc->m_pFreqModel->AddNode(0.01 * std::pow(10.0, i / 2.0), i % 3, (i / 3) % 3, 1.0, 0x21,
                                 nullptr);
    doc->Recalculate();
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CQorexView);
    context.m_pCurrentDoc = doc;
    frame = new CFrameWnd;
    frame->Create(nullptr, "Redraw", WS_OVERLAPPEDWINDOW, CRect(0, 0, 1100, 900), nullptr, nullptr,
                  0, &context);
    frame->InitialUpdateFrame(doc, TRUE);
    view = static_cast<CQorexView*>(frame->GetActiveView());
    CRect outer, client;
    view->GetWindowRect(&outer);
    view->GetClientRect(&client);
    view->MoveWindow(0, 0, 1024 + outer.Width() - client.Width(),
                     768 + outer.Height() - client.Height());
  }
  ~Window() { frame->DestroyWindow(); }
  // Nodes on the cell diagrams, or on the three branches of the characteristic ones.
  void NodesFor(UINT command) const {
    const bool branches = command == CHNYQUIST || command == CHBODE;
    CSIMfreq& f = *doc->m_pFreqModel;
    for (int i = 0; i < f.m_nNodes; ++i) {
      f.m_nodeFlags[i] = kNodeShowLabel | (branches ? kDiagramCharNyquist : kDiagramNyquist);
      f.m_nodeCell[i] = branches ? static_cast<BYTE>(i % 3) : NodeCell(i % 3, (i / 3) % 3);
    }
  }
  CQorexDoc* doc = nullptr;
  CFrameWnd* frame = nullptr;
  CQorexView* view = nullptr;
};

void BM_Redraw(benchmark::State& state, UINT command) {
  Window window(static_cast<int>(state.range(0)));
  window.NodesFor(command);
  window.view->SendMessage(WM_COMMAND, command);
  constexpr QRgb kUnpainted = qRgb(1, 2, 3);
  if (QImage* image = window.view->GetClientImage()) image->fill(kUnpainted);
  std::vector<double> ms;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    window.view->Redraw();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  qxbench::Check(state, (window.view->m_wDiagram & 0xF) != kDiagramRootLocus,
                 "the view did not leave the root locus for the diagram");
  const QImage shown = QxTest::ClientImage(window.view);
  const long pixels = long(shown.width()) * shown.height();
  const long unpainted = pixels - qxbench::PixelsOtherThan(shown, kUnpainted);
  qxbench::Check(state, pixels > 0 && unpainted == 0, "the redraw did not paint the whole window");
  qxbench::Check(state, qxbench::PixelsOtherThan(shown, qRgb(255, 255, 255)) > 0,
                 "the redraw drew nothing on the background");
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["worst_ms"] = ms.back();
  state.counters["diagram"] = window.view->m_wDiagram;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // Without a screen nobody answers a box or a dialog: each takes its default.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) QxTest::RunWithoutAScreen();
  std::setlocale(LC_NUMERIC, "C");
  InitGlobalResources();
  qxbench::PrintLoad();
  const struct {
    const char* name;
    UINT command;
  } diagrams[] = {{"nyquist", NYQUIST}, {"inverse_nyquist", INYQUIST}, {"nichols", NICHOLS},
                  {"bode", BODE},       {"char_nyquist", CHNYQUIST},   {"char_bode", CHBODE}};
  for (const auto& d : diagrams)
    benchmark::RegisterBenchmark((std::string("redraw/") + d.name).c_str(), BM_Redraw, d.command)
        ->Arg(200)
        ->Arg(1000)
        ->Iterations(50)
        ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return code;
}
