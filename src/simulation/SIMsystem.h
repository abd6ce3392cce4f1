#pragma once
// CSIMsystem: the feedback loop of one design in computable form. The command c
// passes the pre-filter P to give r; e = r - w drives the controller K, whose
// output is u; u + v drives the process G, whose output is y; y + d passes the
// post-compensator L to give z; z + n passes the feedback element F to give w.
//
// Numeric evaluation reads m_dTs, m_nSteps and m_nStep and the signals.
#include "simulation/SIMsignal.h"

#include <atomic>

class CQorexDoc;

class CSIMsystem {
 public:
  // Shows the command and the measured output; no run prepared yet (no steps).
  CSIMsystem();
  virtual ~CSIMsystem();
  CSIMsystem(const CSIMsystem&) = delete;
  CSIMsystem& operator=(const CSIMsystem&) = delete;

  double m_dTs;  // sampling time, seconds
  int m_nSteps;  // samples N of a run
  // The sample being computed; t = m_nStep * m_dTs. Atomic because the
  // real-time worker advances it while the user-interface thread reads it.
  std::atomic<int> m_nStep;

  CSIMsignal m_c;     // command (setpoint), P's input
  CSIMsignal m_r;     // reference, P's output
  CSIMsignal m_v;     // input disturbance, added to u
  CSIMsignal m_d;     // output disturbance, added to y
  CSIMsignal m_n;     // measurement noise, added to z
  CSIMsignal m_e;     // error r - w, K's input
  CSIMsignal m_w;     // feedback, F's output
  CSIMsignal m_u;     // control, K's output
  CSIMsignal m_uv;    // process input u + v
  CSIMsignal m_y;     // process output
  CSIMsignal m_yd;    // measured output y + d, L's input
  CSIMsignal m_z;     // compensated output, L's output
  CSIMsignal m_zn;    // fed-back output z + n, F's input
  CSIMsignal m_uMin;  // lower limit of the process input in real time
  CSIMsignal m_uMax;  // upper limit of the process input in real time

  CQorexDoc* m_pDoc;  // the document last prepared; not owned
};
