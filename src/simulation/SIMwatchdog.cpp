#include "simulation/SIMwatchdog.h"

#include "GlobalResources.h"
#include "simulation/SIMsystem.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

namespace {
std::atomic<CSIMwatchdogUi*> s_pUi{nullptr};
}

const char* const g_szWatchdogFormat =
    "The simulator inaccuracy of %g [%%] exceeds the warning\nthreshold of %g [%%]. Either "
    "increase the threshold or decrease\nthe sampling time.\n\nChange settings now?";
const char* const g_szWatchdogCaption = "Simulator Accuracy Warning";

void SetWatchdogUi(CSIMwatchdogUi* ui) {
  s_pUi = ui;
}

CSIMwatchdogUi* GetWatchdogUi() {
  return s_pUi.load();
}

int CSIMsystem::AccuracyWatchdog(CQorexDoc* /*doc*/) {
  const int M = g_nMinSamples;
  if (M <= 0 || m_yd.m_nColumns < 3 * M || m_c.m_nColumns < 3 * M) return 0;
  const double h = m_dTs;
  ResetStates();
  // A unit step on every command channel at once, no disturbance.
  for (int t = 0; t < 2 * M; ++t) {
    for (int r = 0; r < m_c.m_nRows; ++r) m_c.At(r, t) = 1.0;
    for (CSIMsignal* s : {&m_v, &m_d, &m_n})
      for (int r = 0; r < s->m_nRows; ++r) s->At(r, t) = 0.0;
  }
  for (int t = 0; t < M; ++t) SimulateStep(t);
  ResetStates();
  for (int r = 0; r < m_yd.m_nRows; ++r)
    for (int t = 0; t < M; ++t) m_yd.At(r, 2 * M + t) = m_yd.At(r, t);
  m_dTs = h / 2.0;
  for (int t = 0; t < 2 * M; ++t) SimulateStep(t);
  m_dTs = h;

  // A sample that is not finite fails the check outright: max and the
  // comparison below would pass over it.
  bool finite = true;
  double scale = 0.0;
  for (int r = 0; r < m_yd.m_nRows; ++r)
    for (int t = 0; t < M; ++t) {
      finite = finite && std::isfinite(m_yd.At(r, 2 * t)) && std::isfinite(m_yd.At(r, 2 * M + t));
      scale = std::max(scale, std::fabs(m_yd.At(r, 2 * t)));
    }
  if (scale < g_dZeroTol) scale = g_dZeroTol;
  double err = 0.0;
  for (int r = 0; r < m_yd.m_nRows; ++r)
    for (int t = 0; t < M; ++t)
      err = std::max(err, std::fabs(m_yd.At(r, 2 * M + t) - m_yd.At(r, 2 * t)) / scale);
  if (!finite || !std::isfinite(err)) err = HUGE_VAL;
  if (!(err > g_dWatchdogTol)) return 0;  // equality gives no warning

  char text[512];
  std::snprintf(text, sizeof text, g_szWatchdogFormat, err * 100.0, g_dWatchdogTol * 100.0);
  CSIMwatchdogUi* ui = GetWatchdogUi();
  return ui != nullptr && ui->AskIncreaseAccuracy(text, g_szWatchdogCaption) ? 1 : 0;
}
