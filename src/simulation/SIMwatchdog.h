#pragma once
// What the simulation accuracy watchdog needs from the user: a Yes/No question
// and the "Simulator Properties" dialog. The numerics hold no window, so the
// application installs an implementation that shows the real message box and
// dialog; tests install one that answers. While none is installed the
// watchdog asks nothing (the answer is No) and the dialog is never accepted.
//
// The check itself is CSIMsystem::AccuracyWatchdog (SIMwatchdog.cpp): the unit
// step response of the closed loop with the sampling time h against the one
// with h / 2 at the same instants,
//   err = max over channels and t < M of |y_h(t h) - y_(h/2)(t h)| / scale,
//   scale = max(g_dZeroTol, max |y_(h/2)(t h)|),
// with M = g_nMinSamples; err > g_dWatchdogTol (strictly) warns. A sample
// of either run that is not finite makes err infinite: an overflow warns.

// The times and sizes the "Simulator Properties" dialog shows and takes.
struct SIMtimeSettings {
  double dSamplingTime;  // seconds
  double dFinalTime;     // seconds
  double dTolerancePct;  // warning threshold in per cent
  int nBufferSize;       // run capacity of the document
};

class CSIMwatchdogUi {
 public:
  virtual ~CSIMwatchdogUi() = default;
  // A message box owned by the main frame with this text and caption, the
  // buttons Yes and No and the exclamation icon; true when Yes was chosen.
  virtual bool AskIncreaseAccuracy(const char* text, const char* caption) = 0;
  // The modal dialog seeded with settings; true, with settings holding the
  // entered values, when the user accepted them.
  virtual bool ShowSimulatorProperties(SIMtimeSettings& settings) = 0;
};

// The installed implementation (not owned), or null.
void SetWatchdogUi(CSIMwatchdogUi* ui);
CSIMwatchdogUi* GetWatchdogUi();

// The message format and caption of the warning.
extern const char* const g_szWatchdogFormat;
extern const char* const g_szWatchdogCaption;
