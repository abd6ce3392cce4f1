#pragma once
// CQorexDoc: one control-system design: five model definitions (P, K, G, L, F
// in s) and nine signal definitions (in t), their libraries, the variable
// table and the tracked-variable loci, the loop system computed from them,
// the run buffer and the plot settings.
//
// Every change ends in Recalculate (rebuild and simulate the loop, then hand
// it to a running worker) and UpdateAll (show it). Neither needs a window:
// UpdateAll reaches the views and the main frame's bars, and does nothing more
// while no frame exists. Every change the user makes passes Recalculate, which
// marks the design modified; a new, saved or freshly opened design is
// unmodified.
//
// The document talks to the bars only through CDesignBar (DesignBar.h): it
// shows itself in them, and makes them forget it when it closes and again
// when it is destroyed, so that a failed open leaves no bar pointing at a
// deleted document. The document owns its frequency engine from before its
// first recalculation to its destruction; the engine's nodes are not saved.
// The document owns its pole drag group from construction to destruction.
//
// The class is split by concern: QorexDoc.cpp (life cycle, Recalculate,
// UpdateAll, show flags, loci), QorexDocFile.cpp (the ".qox" file),
// QorexDocRuns.cpp (run buffer and simulation control), QorexDocShape.cpp
// (definition dimensions and resizers), QorexDocEdits.cpp (the design edits
// and the recorded road of a change) and QorexDocCommands.cpp (the editing
// dialogs and the design searches of the toolbar).
//
// The file has no magic and no version. Loading reads the whole file into a
// staged design, checking every count against what is left and every index
// against its table; only a sound file replaces the document's contents,
// anything else raises the archive exception and changes nothing. A sound
// file whose model does not convert into transfer functions opens as stored,
// with its loop in the error state (CSIMsystem::m_nInvalidModels), and the
// user is told which model cannot be used.
#include "DesignBar.h"
#include "MC/MXC_BIN.h"
#include "VARpoints.h"
#include "VARvalues.h"
#include "diagrams/DiagramKinds.h"
#include "platform/core/Geometry.h"
#include "platform/core/String.h"
#include "platform/ui/Document.h"
#include "simulation/SIMsignal.h"
#include "simulation/SIMsystem.h"
#include "simulation/SIMwatchdog.h"

#include <array>
#include <iterator>
#include <memory>

class CSIMfreq;
class QOX_HistVar;
class QOX_DragGroup;

// Scales and origin of one frequency diagram, copied in and out by the view.
// The test shapes a signal row can take (BuildSignal).
enum : int {
  kShapeZero = 0,
  kShapeStep = 1,
  kShapePulse = 2,  // a square wave for the setpoint
  kShapeRamp = 3,   // a repeating sawtooth for the setpoint
  kShapeSine = 4,
  kShapeNoise = 5,
  kShapeCount = 6
};

// One stored real-time run: the command c, control u and measured output
// y + d of one pass (each all its rows by all its samples) and the sampling
// time it ran with.
struct QoxStoredRun {
  CSIMsignal setpoint;
  CSIMsignal control;
  CSIMsignal output;
  double dTs = 0.0;
  // Exchanges everything with other's, copying no sample.
  void Swap(QoxStoredRun& other);
};
// The three signals of a stored run, in the order the file holds them.
inline constexpr CSIMsignal QoxStoredRun::*kStoredRunSignals[3] = {
    &QoxStoredRun::setpoint, &QoxStoredRun::control, &QoxStoredRun::output};

struct QoxDiagView {
  double dScaleX;
  double dScaleY;
  int nOriginX;
  int nOriginY;
};

// The titles of the models whose bits (1 << slot) are set, as "Edit Models"
// lists them: "Controller", "Controller and Process", "Pre-filter,
// Controller and Process".
CString RefusedModelTitles(unsigned invalid);

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
  // Detaches the bars, stops a real-time run of this design, then closes.
  void OnCloseDocument() override;
  // "Save changes?" before a close or a quit; the design counts as leaving
  // while it is asked (see Leaving).
  BOOL SaveModified() override;
  // Whether the design is on its way out: its close has begun, or a close or
  // quit asks whether to save a design. Nothing new is started for it then
  // (no accuracy question, no Simulator Properties, no identification): what
  // a worker's end delivers meanwhile only finishes what was under way.
  bool Leaving() const;
  // A "Save changes?" question of any design is open.
  static bool SaveQuestionOpen();
  // The ".qox" record, storing or loading (see above).
  void Serialize(CArchive& ar) override;
  // The view lost the focus: nothing to do.
  void OnViewKillFocus() {}

  // Rebuilds and simulates the loop; when a worker runs this document, hands
  // the new design to g_pSimulator under g_pcsSimulation (its samples after
  // the current step when the shapes agree, else a fresh set-up,
  // CSIMsystem::SetUpDuringRun, that drops the stored runs of the old shape).
  void Recalculate();
  // Makes this design the one every bar shows, redraws the views and the
  // bars, and refreshes the signal-pane count.
  void UpdateAll();
  // How many passes of UpdateAll have turned the bars to a design since the
  // program started (a nested call for another design turns none): an
  // activation of a design costs one.
  static unsigned long BarTurns();
  // Whether the bars show this design: the last pass turned them to it and
  // it has not detached them since.
  bool ShownInBars() const;
  // The road of a change with the population recorder around it
  // (DesignBar.h): the design is recorded, recalculated, its roots recorded
  // in the same entry, and shown. The slider, the searches, the worker's end
  // and the drag all take this road.
  void RecordedRecalculate();
  // A loop signal as the signal panes show it: the loop's own, except while
  // Recalculate rewrites the loop. The accuracy watchdog's trial runs in the
  // loop's signals, and its question (and the settings dialog after it) lets
  // the panes repaint; meanwhile the command and the shown signals come from
  // a copy of the loop's last complete run, taken when the outermost
  // Recalculate began.
  const CSIMsignal& SignalAsShown(CSIMsignal CSIMsystem::*signal) const;
  // The loop's signals hold no response of the design: its last complete
  // recalculation refused a model, and the signals are the stand-in's zeros.
  // The panes draw none of them; a recalled run or a real-time hand-over
  // fills them again.
  bool RunIsStandIn() const { return m_bRunStandIn; }
  // The last complete recalculation's run overflowed (CSIMsystem::
  // m_bOverflowed): the panes end each curve at its first sample that is
  // not finite.
  bool RunOverflowed() const { return m_bRunOverflowed; }
  // What the status line says of the loop after the last recalculation: the
  // models it refused, named as the opening names them, that its times give
  // no run and why, or that its run overflowed; empty while none of these.
  // The status line says it while the bars show this design
  // (CMainFrame::DesignStateText).
  CString LoopStateText() const;
  // The largest row count of the command, error and three disturbance signals.
  void UpdateMaxSignalSize();
  // Marks exactly the variables the definitions use, adding new names, and
  // rebinds every variable node of the definitions to its entry; a bar
  // listing them lists them again.
  void UpdateUsedVariables();
  // The models changed shape: the population starts again with the present
  // variable table, and the history window repaints.
  void UpdateHistory();

  // Bit per shown loop signal, at its showBit of kLoopSignals (0 c, 1 v, 2 d,
  // 3 n, 4 r, 5 e, 6 u, 7 u+v, 8 y, 9 y+d, 10 z, 11 z+n, 12 w).
  WORD GetShowMask() const;
  // A "ProcessView" hit code (LeftBar.h): a signal source or a display toggle
  // switches the loop signal kLoopSignals gives it; anything else changes
  // nothing.
  void ToggleSignalShow(int code);

  // Locus of a user variable (table entry userVariable + 5): the "Variables"
  // bar's list items mode = CVARpoints::ModeOf(code) + 1 and colour =
  // CVARpoints::ColourOf(code) + 1, or 0 and 0 without a locus.
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

  // ---- design edits (QorexDocEdits.cpp) --------------------------------------
  // Edits of the definition trees that the "ProcessView" pickers, pole
  // dragging and the editing dialogs share. Each is followed by the road of a
  // change (relayout, used variables, Recalculate, UpdateAll; a model edit
  // also UpdateHistory); an element or a choice that does not exist changes
  // nothing.
  //
  // The element an edit changes: element (row, col) of a model's matrix right
  // side (row only for a signal), else the right side itself; null when the
  // definition or the element does not exist.
  CMcBasic* ModelElement(int model, int row, int col) const;
  CMcBasic* SignalElement(int signal, int row) const;
  // Element (row, col) of model (0 P, 1 K, 2 G, 3 L, 4 F) becomes 0 (choice
  // 0), 1 (choice 1), or is led by a fresh variable named after the model
  // and the element (choice 2).
  void SetElement(int model, int row, int col, int choice);
  // The model takes this size; the definitions that share its sizes follow.
  void ResizeModel(int model, int rows, int cols);
  // A new zero (pole false) or pole at -a +- j b (b >= 0; its sign is
  // ignored) of element (row, col) of model, with design variables for a and
  // b; a pole keeps the element's static gain, a zero adds poles at the
  // origin where the element would otherwise become improper. A root at the
  // origin is the bare s. False, and no change, for a missing element, a
  // non-finite root or a full variable table.
  bool ApplyRootDrop(bool pole, int model, int row, int col, double a, double b);
  // Row `row` of signal (0 c, 1 v, 2 d, 3 n) takes test shape `kind`, timed
  // from the final time and the sampling time.
  void BuildSignal(int signal, int row, int kind);

  // ---- editing dialogs (QorexDocCommands.cpp) --------------------------------
  // "Edit Models" on model i (0 .. 4), else on the Process; "Edit Signals" on
  // signal i (0 .. 8), else on signal 0. The dialog does everything itself:
  // the design changes at its OK, or through the few steps that act at once.
  // Either dialog writes back the models and the signals it copied at its
  // opening, so a design has at most one of them open: while one is, these
  // open nothing.
  void EditModels(int i);
  void EditSignals(int i);
  void OnEditModels();
  void OnEditSignals();
  bool EditingDialogOpen() const { return m_bEditingDialogOpen; }
  // "View Effective Models": the loop's effective models, shown only.
  void OnEffectiveModels();

  // ---- design searches (QorexDocCommands.cpp) -------------------------------
  // "Interaction" and "Bandwidth": the frequency engine's search (global while
  // Shift is held), then RecordedRecalculate.
  void OnInteraction();
  void OnBandwidth();
  // "Closed loop poles": the drag group moves the closed-loop poles (with
  // the global stage while Shift is held), then RecordedRecalculate.
  void OnClosedLoopPoles();

  // ---- the population of recorded designs (QorexDocCommands.cpp) -------------
  // Tools > "Sort" by one criterion each, "According to slider settings",
  // "Kill all" and "Kill worst".
  void OnSortFinalValue();
  void OnSortTimeConstant();
  void OnSortOscillations();
  void OnSortInteraction();
  void OnSortVRejection();
  void OnSortDRejection();
  void OnSortNRejection();
  void OnSortControlAction();
  void OnSortPoleMobility();
  void OnSortBySliders();
  void OnKillAll();
  void OnKillWorst();
  // The commands' work, shared with the Equalizer's buttons: sort by
  // criterion 0 .. 8, or by the weighted sum for -1; delete every design, or
  // the worst by the weighted sum. The weights are the recorder's
  // (DesignBar.h) in criterion order. The population is saved with the
  // design, so it is marked modified; the loop is not recalculated, and only
  // the population's views repaint.
  void SortPopulation(int criterion);
  void KillPopulation(bool all);
  // View > "Genetic Root Locus": with a population, locus 0 alone holds
  // every recorded design's closed-loop poles in population order, shown
  // without a recalculation; the next recalculation sweeps the loci again.
  void OnGeneticRootLocus();
  // Tools > "Create genetic models": "Offspring", and "G robustness",
  // "K robustness" and "H robustness" (the process's, the controller's and
  // both models' variables): the recorder's operators (DesignBar.h).
  void OnOffspring();
  void OnGRobustness();
  void OnKRobustness();
  void OnHRobustness();

  // ---- run buffer and simulation control ------------------------------------
  // g_pSimulator's command, control and measured output become the newest
  // run; a full buffer drops its oldest run first. A pass during which the
  // loop changed shape (CSIMsystem::m_nShapeFrom) is not stored, and the
  // status line says so.
  void PushRun();
  // The fifteen signals of g_pSimulator (and its run length) into m_system;
  // nothing of a pass during which the loop changed shape.
  void TransferSimSignals();
  // Stored run i into m_system, whole: command, control, and its output as
  // both the process output and the measured output, with the run's length
  // and sampling time as the loop's step count and sampling time, so that
  // the panes show all its samples on its own time axis until the next
  // recalculation. The design's times stay. A run of other row counts, or an
  // index outside 0 .. m_nRuns - 1, is refused (FALSE).
  BOOL RecallRun(int i);
  // Why run i cannot be recalled, in a sentence for the user; empty when it
  // can.
  CString RunRecallRefusal(int i) const;
  // Whether stored run i can still be recalled into m_system (its row counts).
  bool RunFitsLoop(int i) const;
  // Removes the stored runs that no longer fit the loop, keeping the others
  // in their order, and says in the status line how many went; returns that.
  // Called when the simulator of a worker that runs this design is set up
  // afresh for a reshaped loop.
  int DropRunsThatNoLongerFit();
  // The "SimulationView" strip next to a new real-time sample.
  void RedrawOutput(int sample);
  // The "ProcessView" bar's run spot: starts a real-time run of this design
  // with its sampling and final time when no worker runs; otherwise stops
  // the running worker, whichever design it runs, and returns once it ended.
  void StartStopSimulation();
  // The tuner's evaluation request: recalculate, set g_pSimulator up for this
  // design and store the quick cost. The DocToKFinder handler that calls
  // this releases the waiting tuner.
  void PrepareSimulation();
  // m_errorWeight := "Realtime error weight" sampled over `length` samples of
  // the design's sampling time, under g_pcsSimulation (the tuner's worker
  // reads it there).
  void BuildErrorWeight(int length);
  // "Simulator Properties" for the design of the "SimulationView" bar,
  // unless none is shown or a worker runs it; accepted settings are applied,
  // then the design is recalculated and shown.
  void OnTimeSettings();
  // The four "Simulator Properties" settings of this design (the tolerance is
  // the program's g_dWatchdogTol, in per cent), and taking them back: the
  // times, the tolerance and the run buffer's capacity (SetRunCapacity). The
  // command and the accuracy watchdog both go through this pair.
  SIMtimeSettings GetTimeSettings() const;
  void ApplyTimeSettings(const SIMtimeSettings& settings);

  // ---- definition dimensions ---------------------------------------------------
  // The definitions are equality nodes; their size is that of the right side
  // (a matrix's rows x columns, anything else 1 x 1). Each resizer changes def
  // in place (wrapping a right side that is no matrix when the wanted size is
  // not 1) and returns 0.
  static int MatchRowsToRows(CMcBasic* def, int a, int b);     // rows := a
  static int MatchRowsToColumns(CMcBasic* def, int a, int b);  // rows := b
  static int MatchColumnsToRows(CMcBasic* def, int a, int b);  // columns := a
  // Signals are columns; new row k is y_k(t), u_k(t) for the U conditioning,
  // else a copy of the last element.
  static int MatchSignalRowsToColumns(CMcBasic* def, int a, int b);  // rows := b
  static int MatchSignalRowsToRows(CMcBasic* def, int a, int b);     // rows := a
  static int ResizeToMatrix(CMcBasic* def, int rows, int columns);
  // Model i (model) or signal i changed: every other definition that shares
  // one of its sizes (the loop's wiring, SIMsystem.h) is resized to fit it,
  // and blocks marked "Ensure square matrix" are made square, which spreads
  // further. A right side standing alone becomes a definition with the slot's
  // name first. The arrays are the caller's (kModelCount models,
  // kSignalCount signals).
  int AdjustDimensions(int i, BOOL model, CMcBasic** pModels, CMcBasic** pSignals);

  // ---- data -----------------------------------------------------------------
  CSIMfreq* m_pFreqModel = nullptr;  // frequency-response engine (owned)
  CSIMsignal m_errorWeight;          // sampled "Realtime error weight"
  // The run buffer: m_nRuns stored runs, the oldest first, in an array of at
  // least m_nRunCapacity slots (more after the capacity was lowered).
  std::unique_ptr<QoxStoredRun[]> m_runs;
  int m_nRuns = 0;
  int m_nRunCapacity = 4;
  QOX_HistVar* m_pHistory = nullptr;           // population of recorded designs
  QOX_DragGroup* m_pDragGroup = nullptr;       // grabbed roots (owned)
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
  // Indexed by diagram kind (DiagramKinds.h); the root locus's row is unused,
  // it keeps the members above.
  QoxDiagView m_diagView[kDiagramCount];

 private:
  void AddDefaultDefinitions();
  // Every bar of the main frame shows this part of the design.
  void ShowInBars(DesignPart part, int sample = 0);
  // Every bar showing this document forgets it, and the status line speaks
  // for the design they show now.
  void DetachBars();
  // The square check of block `block` after a change (see AdjustDimensions).
  void EnsureSquare(int block, int n, CMcBasic** pModels, CMcBasic** pSignals);
  // The road of a change after an edit of model `model`.
  void FinishModelChange(int model);
  // The loading half of Serialize.
  void Load(CArchive& ar);
  bool m_bEditingDialogOpen = false;  // "Edit Models" or "Edit Signals" runs
  int m_nAdjustDepth = 0;  // nesting of AdjustDimensions through square checks (McDepthGuard)
  // The copy behind SignalAsShown, by entry of kLoopSignals: the command and
  // the shown signals (one copy of what the panes read), each made when it is
  // first kept; a slot not kept this time is empty.
  std::unique_ptr<CSIMsignal> m_pShownRun[std::size(kLoopSignals)];
  int m_nRecalculateDepth = 0;    // nesting of Recalculate (McDepthGuard)
  bool m_bClosing = false;        // OnCloseDocument has begun
  bool m_bRunComplete = false;    // m_system's signals hold a whole run
  bool m_bRunStandIn = false;     // RunIsStandIn
  bool m_bRunOverflowed = false;  // RunOverflowed
  // Copies what the panes show of m_system into m_pShownRun.
  void KeepShownRun();

  DECLARE_MESSAGE_MAP()
  // Index of the locus of table entry `entry`, or -1.
  int FindVarPoint(int entry) const;
  // SetVarPoint without the recalculation; false when nothing changed.
  bool PlaceVarPoint(int userVariable, WORD code);
};
