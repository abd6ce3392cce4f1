#pragma once
// CQorexDoc: one control-system design: five model definitions (P, K, G, L, F
// in s) and nine signal definitions (in t), their libraries, the variable
// table and the tracked-variable loci, the loop system computed from them,
// the run buffer and the plot settings.
//
// Every change ends in Recalculate (rebuild and simulate the loop, then hand
// it to a running worker) and UpdateAll (show it). Neither needs a window:
// UpdateAll reaches the views through the framework and does nothing more
// while no frame exists. The frequency engine, the population and the drag
// group are added by their own subsystems; until then the pointers are null
// and every use tests for that.
#include "MC/MXC_BIN.h"
#include "VARpoints.h"
#include "VARvalues.h"
#include "platform/core/Geometry.h"
#include "platform/core/String.h"
#include "platform/ui/Document.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"

#include <memory>

class CSIMfreq;
class QOX_HistVar;
class QOX_DragGroup;

// Scales and origin of one frequency diagram, copied in and out by the view.
struct QoxDiagView {
  double dScaleX;
  double dScaleY;
  int nOriginX;
  int nOriginY;
};

class CQorexDoc : public CDocument {
  DECLARE_DYNCREATE(CQorexDoc)

 public:
  // The default design (P = K = L = 1, G = 1/(s + 1), F = f11, setpoint 1, no
  // disturbances, unlimited control), one locus for f11, recalculated.
  CQorexDoc();
  ~CQorexDoc() override;
  CQorexDoc(const CQorexDoc&) = delete;
  CQorexDoc& operator=(const CQorexDoc&) = delete;

  BOOL OnNewDocument() override;

  // Rebuilds and simulates the loop; when a worker runs this document, hands
  // the new design to g_pSimulator under g_pcsSimulation (its samples after
  // the current step when the shapes agree, else a fresh set-up that empties
  // the run buffer).
  void Recalculate();
  // Redraws the views and refreshes the signal-pane count.
  void UpdateAll();
  // The largest row count of the command, error and three disturbance signals.
  void UpdateMaxSignalSize();
  // Marks exactly the variables the definitions use, adding new names.
  void UpdateUsedVariables();

  // Bit per loop signal: 0 c, 1 v, 2 d, 3 n, 4 r, 5 e, 6 u, 7 u+v, 8 y,
  // 9 y+d, 10 z, 11 z+n, 12 w.
  WORD GetShowMask() const;
  // A "ProcessView" hit code: group 0x200 items 0-3 toggle c, v, d, n; group
  // 0x400 items 0-5 toggle r, e, u, y+d, z, w; anything else changes nothing.
  void ToggleSignalShow(int code);

  // Locus of a user variable (table entry userVariable + 5): the "Variables"
  // bar's list items mode = (code & 0xF) + 1 and colour = (code >> 12) + 1,
  // or 0 and 0 without a locus.
  void GetVarPointCell(int userVariable, int* mode, int* colour) const;
  // Gives the variable a locus with this code (new entry or changed code,
  // then Recalculate and UpdateAll). A full array doubles first, keeping each
  // entry's variable and code.
  void SetVarPoint(int userVariable, WORD code);
  // Removes the variable's locus, if any, then Recalculate and UpdateAll.
  void RemoveVarPoint(int userVariable);

  // The run buffer's capacity: larger makes new arrays and keeps the stored
  // runs, smaller cuts the run count; below 1 is refused.
  void SetRunCapacity(int capacity);

  // ---- data -----------------------------------------------------------------
  CSIMfreq* m_pFreqModel = nullptr;              // frequency-response engine, once it exists
  CSIMsignal m_errorWeight;                      // sampled "Realtime error weight"
  std::unique_ptr<CSIMsignal[]> m_runSetpoints;  // run buffer: c, u and y + d per run
  std::unique_ptr<CSIMsignal[]> m_runControls;
  std::unique_ptr<CSIMsignal[]> m_runOutputs;
  std::unique_ptr<double[]> m_runTs;  // sampling time of each stored run
  int m_nRuns = 0;
  int m_nRunCapacity = 4;
  QOX_HistVar* m_pHistory = nullptr;           // population of recorded designs, once it exists
  QOX_DragGroup* m_pDragGroup = nullptr;       // grabbed roots, once it exists
  double m_dMaxPoleModulus = 1.0;              // largest model pole modulus; saved, else unused
  std::unique_ptr<CVARpoints[]> m_pVarPoints;  // tracked-variable loci
  int m_nVarPoints = 0;
  int m_nVarPointCapacity = 4;
  int m_nMaxSignalSize = 1;  // panes of the "SimulationView" bar

  CVARvalues m_vars;         // variable table; entry 1 is the time variable t
  CSIMsystem m_system;       // the loop computed from the definitions
  CMXC_BIN m_models;         // five model definitions
  CMXC_BIN m_signals;        // nine signal definitions
  CMXC_BIN m_modelLibrary;   // stored models
  CMXC_BIN m_signalLibrary;  // stored signals

  CString m_strComment;
  CPoint m_ptRlOrigin{400, 200};  // root locus: origin in pixels
  double m_dRlScaleX = 50.0;      // and pixels per unit
  double m_dRlScaleY = 50.0;
  double m_dRlSpare[3] = {-10.0, 1.0, -10.0};  // kept for the file only
  CPoint m_ptSigOrigin{25, 105};               // signal plot
  double m_dSigScaleX = 1.0;                   // pixels per sample
  double m_dSigScaleY = 50.0;                  // pixels per unit
  double m_dSamplingTime = 0.05;
  double m_dFinalTime = 30.0;
  // Indexed by diagram type: 1 Nyquist, 2 inverse Nyquist, 3 Nichols, 4 Bode,
  // 5 characteristic Nyquist, 6 characteristic Bode (0, the root locus, uses
  // the members above).
  QoxDiagView m_diagView[7];

 private:
  void AddDefaultDefinitions();
  // Index of the locus of table entry `entry`, or -1.
  int FindVarPoint(int entry) const;
};
