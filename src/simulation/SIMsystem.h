#pragma once
// CSIMsystem: the feedback loop of one design in computable form. The command c
// passes the pre-filter P to give r; e = r - w drives the controller K, whose
// output is u; u + v drives the process G, whose output is y; y + d passes the
// post-compensator L to give z; z + n passes the feedback element F to give w.
//
// Loop products. GK, LGK = L G K, FLGK = F L G K and the return difference
// I + FLGK, with the determinants
//   |I + FLGK|  whose zeros are the closed-loop poles, and
//   |FLGK|      whose zeros are the transmission zeros (square loops of two
//               or more channels; otherwise the constant 1, no zeros).
// Products cancel poles against zeros as they are formed (SIMtrnfnAlgebra.cpp).
//
// Simulation is fixed-step with the sampling time h: every block element is
// advanced by one RK4 step per sample with its input held, in the order of
// SimulateStep. The process is driven with the control action of the previous
// sample (one sample of computation delay): G's input at t is u(t-1) + v(t-1),
// 0 at t = 0; the stored process input at t is afterwards u(t) + v(t).
// A run costs N steps of the five blocks and allocates nothing.
//
// Refusals are states, not crashes. Before any run the block shapes are
// checked against the signal rows (Prepare, Setup, CopyFrom): a mismatch
// leaves every signal zero and m_nError = kSimShapeMismatch. Times are judged
// by one rule wherever they enter (JudgeRunTimes: the loop, real time and the
// tuner alike): 0 < Ts, 0 < Tf, 1 <= N = Tf / Ts truncated <= g_nMaxSamples
// (Tf = Ts is one sample); otherwise N = 0 (nothing is stepped) and m_nError
// = kSimBadTimes. The blocks, products, poles and loci are still computed in
// both cases.
// A model definition that CanBuildModel refuses (it does not convert without
// an evaluation error) leaves its block a stand-in: m_nError =
// kSimModelInvalid, which outranks the other two, the slot's bit is set in
// m_nInvalidModels, every signal is zero, and nothing shown is computed from
// the stand-in: its poles and zeros and the loop determinants' roots are
// marked unknown, the loci are empty and the frequency sweep is NaN.
//
// The wiring (which shared size each block maps onto which, and which size
// every signal has) is written once, in the tables after the class; the shape
// check, the signal sizes and the document's resizers all read it.
//
// Numeric evaluation reads m_dTs, m_nSteps and m_nStep and the signals.
#include "simulation/SIMsignal.h"
#include "simulation/SIMtrnfn.h"
#include "simulation/SIMtrnmx.h"

#include "WorkerMessages.h"
#include "platform/core/Sync.h"
#include "search/WorkerSeam.h"

#include <atomic>
#include <memory>

class CMcBasic;
class CQorexDoc;
class CWinThread;

// ---- the loop's wiring ------------------------------------------------------------
// The document's definitions by slot: five models, one per block, and nine
// signals. Signals 0-5 feed the loop; 6 and 7 name the process's own channels
// in real time; 8 weighs the error for the tuner.
enum SIMmodelSlot : int { kModelP, kModelK, kModelG, kModelL, kModelF, kModelCount };
enum SIMsignalSlot : int {
  kSigC,            // c(t): command
  kSigV,            // v(t): input disturbance
  kSigD,            // d(t): output disturbance
  kSigN,            // n(t): measurement noise
  kSigClipMin,      // u_clip min(t): lower limit of the process input in real time
  kSigClipMax,      // u_clip max(t): upper limit
  kSigUProc,        // u_proc(t): the process's input channels
  kSigYProc,        // y_proc(t): the process's output channels
  kSigErrorWeight,  // e_weight(t): the tuner's error weight
  kSignalCount
};

// The five sizes the loop shares. Each block maps one of them onto another
// (kModelWiring below), and every signal has one of them as its row count.
enum SIMdim : int {
  kDimC,  // command c: P's input
  kDimR,  // error r: P's output, K's input, F's output
  kDimU,  // control u: K's output, G's input
  kDimY,  // output y: G's output, L's input
  kDimZ,  // post-compensated z: L's output, F's input
  kDimCount,
  kDimNone = -1  // meets no block (the error weight)
};

// A block's flag word (CSIMtrnmx::m_wFlags): the three choices "Edit Models"
// offers for its model, stored with the design. The loop itself reads none
// of them: the root locus, the document's resizing and the searches do.
enum SIMblockFlag : WORD {
  kBlockShowRoots = 0x0001,     // "Show poles && zeros": the root locus shows them
  kBlockEnsureSquare = 0x0002,  // "Ensure square matrix": a resize keeps it square
  kBlockTunable = 0x0004        // "Allow automatic modification": searches vary it
};

enum SIMerror : int {
  kSimOk = 0,
  kSimShapeMismatch = 1,  // a block's shape does not fit its signals' rows
  kSimBadTimes = 2,       // not 0 < Ts <= Tf, or more than g_nMaxSamples samples
  kSimModelInvalid = 3    // a model definition does not convert (m_nInvalidModels)
};

// Whether a sampling time and a final time give a run. Finite positive times
// give N = Tf / Ts truncated samples: a run when 1 <= N <= g_nMaxSamples, so
// Tf = Ts is a run of one sample ("Simulator Properties" alone asks for more).
enum class SIMtimes { kRun, kNotPositive, kFinalBelowTs, kTooManySamples };
struct SIMrunTimes {
  SIMtimes verdict;
  int steps;  // N, or 0 when the times give no run
};
SIMrunTimes JudgeRunTimes(double ts, double tf);

class CSIMsystem {
 public:
  // Shows the command and the measured output; P and F "Ensure square matrix",
  // K and L "Allow automatic modification", all five show their roots; no run
  // yet.
  CSIMsystem();
  virtual ~CSIMsystem();
  CSIMsystem(const CSIMsystem&) = delete;
  CSIMsystem& operator=(const CSIMsystem&) = delete;

  // Sizes the signals for doc's times; with rebuild, rebuilds the blocks from
  // the model definitions with the products, determinants and loci, and has
  // the document's frequency engine sweep them (doc's own system only); runs
  // the accuracy watchdog; fills the input signals; resets the block states.
  void Prepare(CQorexDoc* doc, bool rebuild);
  // Prepare (doc, rebuild) and then every step of the run.
  void Resimulate(CQorexDoc* doc);
  // m_dTs := ts and m_nSteps := the samples the times give (JudgeRunTimes),
  // 0 when they give no run: what Setup then judges.
  void SetRunTimes(double ts, double tf);
  // A run of the already set m_nSteps and m_dTs from doc: signals and blocks
  // only (no products, loci, frequency sweep or watchdog), states reset,
  // m_nStep 0. Fewer than 1 or more than g_nMaxSamples samples, or a
  // sampling time that is not positive, are bad times.
  void Setup(CQorexDoc* doc);
  // The run or pass under way goes on with doc's loop of another shape:
  // Setup, then every signal holds the new loop's simulated run (as at a
  // run's start) until measured samples replace it; the live panes draw as
  // far as before, and the pass is marked as not measured whole in this
  // shape (m_nShapeFrom). User-interface thread, not holding
  // g_pcsSimulation: the new run is set up and simulated in a system of its
  // own, and the lock, which the worker takes every sample, is held only
  // while the signals, blocks and conditionings are exchanged.
  void SetUpDuringRun(CQorexDoc* doc);
  // One sample; does nothing while m_nError is set or t is outside the run.
  void SimulateStep(int t);
  void ResetStates();
  void LoopProducts();
  // Sweeps every locus of doc. Needs the blocks in their normal form, as
  // during Prepare's rebuild.
  void ParameterLoci(CQorexDoc* doc);
  // Takes src's run from the column after this system's current step on and
  // src's block coefficients. Refused (false, nothing changed) unless src has
  // no error, its signals have this system's rows and columns and its blocks
  // this system's shapes.
  bool CopyFrom(const CSIMsystem& src);
  // Whether CopyFrom would take src. The shapes compared are changed only on
  // the user-interface thread, which may ask without the lock.
  bool CanCopyFrom(const CSIMsystem& src) const;
  // 1 when the definition is an equality with a function on the left whose
  // right side evaluates (as a 5-sample signal, or as a model) without error.
  int CanBuildSignal(CQorexDoc* doc, const CMcBasic* definition);
  int CanBuildModel(CQorexDoc* doc, const CMcBasic* definition);
  // Builds block from a model definition as CanBuildModel judges it, and
  // says whether CanBuildModel would accept it; a refused definition leaves
  // the block what its right side converted to (nothing of it may be shown).
  // g_bEvalError is set afterwards when it was set before or the build failed.
  static bool BuildModel(CQorexDoc* doc, const CMcBasic* definition, CSIMtrnmx& block);
  // The simulation accuracy watchdog (SIMwatchdog.cpp): 1 when it warned and
  // the user chose Yes. Needs the blocks prepared and 3 g_nMinSamples columns.
  int AccuracyWatchdog(CQorexDoc* doc);
  // The effective models as formulas (SIMsystemExpr.cpp): appends eleven
  // equalities to each list, right sides as ratios of polynomials to
  // polyList and factored to factoredList. Leaves the system as it was. An
  // equality computed from a refused model (the model itself, and the
  // products, return difference and determinants it enters) has the upright
  // words "cannot be converted" for its right side.
  void ToExpressions(CMcBasic* polyList, CMcBasic* factoredList);

  // True when every block fits its input and output signals (and, for a
  // real-time run, the control limits cover the process input).
  bool ShapesAgree(bool realtime) const;

  // ---- real time (SIMrealtime.cpp) ------------------------------------------
  // A worker steps the loop against the analog I/O once per sampling period
  // and hands completed passes to the document with "TransferSim" and
  // "PushUGY". The stop request (RequestStop) ends it within one sample
  // (plus one device timeout for the closing write) with every output
  // at 0 V, and hands nothing over. A run whose peer is gone (the board or
  // the companion, DT2801.h) ends at once the same way, and a run whose board
  // cannot be reached at its start is refused; the end-of-run message says
  // which (QxRunEnd). The worker reads the definitions' right sides only through
  // the copies below, and the system only inside g_pcsSimulation.
  //
  // Stops a running worker, sets the system up for doc with Tf / Ts samples
  // of Ts, simulates the run once (the signals hold it until the measured
  // samples replace them) and starts the worker. User-interface thread.
  void StartRealtime(CQorexDoc* doc, double Ts, double Tf);
  // Asks the running worker to stop, whichever document it runs, and returns
  // when it has ended (the closing writes included), within a bound: false
  // when it has not (StopWorkerAndWait). User-interface thread, where the
  // design must not go before the worker (closing, exit); the run spot only
  // asks (RequestStop).
  bool StopRealtime();
  // The tuner's single pass on the system as it was last set up (sampling
  // time and signals as the document's set-up gave them on the user-interface
  // thread): a thread that runs one pass for doc, hands it over, fills
  // m_passReport and clears kStatusTunerPassRunning at its end. doc must be
  // g_pSimDoc already; the caller keeps g_pSimDoc and g_pWorkerThread, and
  // owns the thread: it joins it, then reads the report, and deletes it. Null
  // when the pass was stopped before it began or no thread could be started
  // (the bit is then cleared already). A pass that lost its peer hands nothing
  // over and stops the tuner, and so does a sampling period outside
  // 1 ms .. 30 s, which it says. laterPass: an earlier pass of the same
  // tuning run came before.
  CWinThread* ContinueRealtime(CQorexDoc* doc, bool laterPass = false);
  // One real-time sample k: read the process, compute the loop, write the
  // control out. Allocates nothing; the device is used outside
  // g_pcsSimulation, which is held only while the signals are read and written.
  void RealtimeStep(int k);
  // The worker functions; the argument is the system. 0 when the period (or
  // the system) was refused, else 1.
  static UINT RealtimeThread(LPVOID system);
  static UINT RealtimeThreadContinue(LPVOID system);
  // What a run says of a design with these times when they give no run: its
  // period's refusal where that is refused too (a run checks it first), else
  // the refusal of the loop; null for times that give a run.
  static const char* NoRunText(double ts, double tf);

  // ---- data -----------------------------------------------------------------
  double m_dTs;  // sampling time, seconds
  int m_nSteps;  // samples N of a run
  // The sample being computed; t = m_nStep * m_dTs. Atomic because the
  // real-time worker advances it while the user-interface thread reads it.
  std::atomic<int> m_nStep;

  CSIMtrnmx m_P, m_K, m_G, m_L, m_F;       // the blocks, kModelP .. kModelF
  CSIMtrnmx m_GK, m_LGK, m_FLGK, m_IFLGK;  // loop products, return difference
  CSIMtrnmx m_work[8];                     // W1 .. W8 of the loci
  CSIMtrnfn m_tfSweep;                     // |I + W7| of one locus point
  CSIMtrnfn m_detFLGK;                     // |F L G K|: transmission zeros
  CSIMtrnfn m_detIFLGK;                    // |I + F L G K|: closed-loop poles
  CSIMtrnfn m_tfWork[4];                   // T1 .. T4 of the matrix algebra

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
  // SIMerror of the last Prepare or Setup; read by the worker and the views.
  std::atomic<int> m_nError;
  // Bit 1 << slot for each model definition the last rebuild of the blocks
  // (Prepare's or Setup's) refused; 0 when every model converts.
  unsigned m_nInvalidModels = 0;
  // The last Resimulate's run left a sample of a computed loop signal that
  // is not a finite number: the loop overflowed, and what follows is no
  // response.
  bool m_bOverflowed = false;

  // The real-time conditionings' right sides (U: signal slot 6, Y: slot 7) as
  // Setup and CopyFrom last took them, with every design variable replaced
  // by its value then; null when the slot has none.
  std::unique_ptr<CMcBasic> m_pRealtimeU;
  std::unique_ptr<CMcBasic> m_pRealtimeY;
  // The number of the run StartRealtime started last (fixed before its
  // worker runs).
  unsigned m_nRealtimeRun = 0;
  // How many leading samples of the signals the run or tuner's pass now
  // driving them has given (a run's simulated start counts): all a live pane
  // draws. Setup and a tuner's pass clear it; each sample that follows the
  // last given one extends it.
  std::atomic<int> m_nLiveSamples{0};
  // The first sample of the pass under way that was computed in the loop's
  // present shape: 0 unless the loop was set up afresh during the pass
  // (SetUpDuringRun). Such a pass holds samples of two loops, and is
  // neither shown as the last pass nor stored. Setup and a pass's first
  // sample clear it.
  std::atomic<int> m_nShapeFrom{0};
  // Why a tuner's pass did not run: kPassRan, or the refusal.
  enum : int { kPassRan = 0, kPassPeriodRefused = 1, kPassSystemRefused = 2 };
  // What the last tuner's pass met, for its tuner, which says it at its end.
  // Its thread writes it; the tuner reads it once it has joined that thread.
  struct PassReport {
    int calls = 0;                         // the board's driver calls
    int failedCalls = 0;                   // ... and the failed ones
    int failedWrites = 0;                  // ... of which writes
    int refused = kPassRan;                // or why the pass did not run
    const char* refusal = nullptr;         // what the tuner says of a refused period
    QxRunEndKind end = kRunEndedNormally;  // how it ended with its peer
  };
  PassReport m_passReport;
  // The pass about to start follows an earlier one of the same tuning run.
  bool m_bLaterPass = false;

 private:
  // The fifteen signals, sized without filling (N columns): an input from its
  // own definition, a computed signal from its size's source (kDimSources).
  void SizeSignals(CQorexDoc* doc, int columns);
  // The six input signals, filled from their signal definitions.
  void FillInputs(CQorexDoc* doc);
  void ZeroSignals();
  // Builds the five blocks (BuildModel) and sets m_nInvalidModels.
  void RebuildBlocks(CQorexDoc* doc);
  // What the loop computed from a refused model's stand-in is not shown:
  // the block's roots and the determinants' roots are marked unknown, the
  // loci emptied. Needs the rebuild's products.
  void HideStandInResults(CQorexDoc* doc);
  // The watchdog's follow-up: the "Simulator Properties" dialog; true when
  // new settings were accepted and the nested Prepare has run.
  bool AdjustSettings(CQorexDoc* doc);
  // A sweep point: rebuilds what depends on the variable, by mask, and
  // writes |I + W7| into m_tfSweep.
  void SweepPoint(CQorexDoc* doc, int mask);
  // Takes the copies of the conditionings' right sides from doc.
  void TakeRealtimeSides(const CQorexDoc* doc);
  // Whether a pass may run: no error, the shapes agree, N >= 1. Under
  // g_pcsSimulation.
  bool SoundForRealtime() const;
  // 0 V to every row of the process input (the rows read inside
  // g_pcsSimulation, the writes outside it), then the emulation's broadcast.
  void ZeroProcessInputs();
  // The pass about to run: its period in whole ms and its samples, read
  // together under g_pcsSimulation; kPassRan, or why it may not run.
  int PassSetUp(DWORD* ms, int* n) const;
  // The samples of a run whose I/O has begun, n of ms each: pass after pass
  // while a continuous run goes on (never the tuner's pass), each completed
  // one handed over, until a stop or a lost peer; then every output at 0 V,
  // and the last pass handed over when it completed with its peer. How the
  // run ended with its peer (QxRunEnd; kRunHandOverLost when a hand-over
  // found no room in the queue for the loss bound); *samples: those of its
  // last pass.
  QxRunEndKind RunPaced(int n, DWORD ms, bool tunerPass, int* samples);

  int m_nPrepareDepth = 0;  // nesting of the watchdog's follow-up (McDepthGuard)
};

// Each block of the loop: the model definition that builds it, and which
// shared size its rows and its columns are.
struct SIMmodelWiring {
  const char* name;  // of the definition: name(s) = ...
  CSIMtrnmx CSIMsystem::*block;
  SIMdim rows;
  SIMdim columns;
  const char* title;  // the model as "Edit Models" lists it and messages name it
};
inline constexpr SIMmodelWiring kModelWiring[kModelCount] = {
    {"P", &CSIMsystem::m_P, kDimR, kDimC, "Pre-filter"},        // c -> r
    {"K", &CSIMsystem::m_K, kDimU, kDimR, "Controller"},        // r -> u
    {"G", &CSIMsystem::m_G, kDimY, kDimU, "Process"},           // u -> y
    {"L", &CSIMsystem::m_L, kDimZ, kDimY, "Post-compensator"},  // y -> z
    {"F", &CSIMsystem::m_F, kDimR, kDimZ, "Feedback element"},  // z -> r
};

// Each signal definition: its name and the shared size its rows follow.
struct SIMsignalWiring {
  const char* name;  // of the definition: name_subscript(t) = ...
  const char* subscript;
  SIMdim rows;
};
inline constexpr SIMsignalWiring kSignalWiring[kSignalCount] = {
    {"c", "", kDimC},     {"v", "", kDimU},         {"d", "", kDimY},
    {"n", "", kDimZ},     {"u", "clip min", kDimU}, {"u", "clip max", kDimU},
    {"u", "proc", kDimU}, {"y", "proc", kDimY},     {"e", "weight", kDimNone}};

// The definition whose right side sizes the loop's computed signals of each
// shared size: the command, F (its rows), and the three disturbances.
struct SIMdimSource {
  bool model;
  int slot;
};
inline constexpr SIMdimSource kDimSources[kDimCount] = {
    {false, kSigC}, {true, kModelF}, {false, kSigV}, {false, kSigD}, {false, kSigN}};

// The fifteen signals of the loop. Signals of one size are combined column
// by column, so their rows must agree; an input is filled from its own
// definition; the two limits only need to cover the process input, and only
// in real time.
//
// The same table says how the signal is shown: which "ProcessView" item
// switches it (a signal source, or one of the six display toggles), its bit in
// the document's show mask, its place in the signal panes (drawing order and
// text column) and the curve pen it is drawn with. The two limits are never
// shown.
enum class SIMtoggleGroup { kNone, kSource, kDisplay };
struct SIMtoggle {
  SIMtoggleGroup group;
  int item;  // source 0 c, 1 v, 2 d, 3 n; display 0 r, 1 e, 2 u, 3 y + d, 4 z, 5 w
};
inline constexpr SIMtoggle kNoToggle = {SIMtoggleGroup::kNone, -1};
// The curve pens a shown signal is drawn with (entries of the application's
// curve pen table).
enum SIMcurvePen : int {
  kPenDarkRed = 0,
  kPenRed = 1,
  kPenDarkGreen = 2,
  kPenGreen = 3,
  kPenDarkBlue = 4,
  kPenBlue = 5,
  kPenPink = 10,
  kPenNone = -1
};
inline constexpr int kShownSignalCount = 13;  // bits of the show mask, places in the panes

struct SIMloopSignal {
  CSIMsignal CSIMsystem::*signal;
  SIMdim rows;
  int definition;  // the signal slot that fills it, or -1 for a computed signal
  bool limit;
  SIMtoggle toggle;  // the "ProcessView" item that switches it
  int showBit;       // its bit in the show mask, or -1
  int pane;          // its place in the signal panes, or -1
  const char* name;  // the header of its column in the panes' text, or null
  SIMcurvePen pen;   // the pen of its curve
};
inline constexpr SIMloopSignal kLoopSignals[15] = {
    // command
    {&CSIMsystem::m_c, kDimC, kSigC, false, {SIMtoggleGroup::kSource, 0}, 0, 0, "c", kPenDarkBlue},
    // P's output
    {&CSIMsystem::m_r, kDimR, -1, false, {SIMtoggleGroup::kDisplay, 0}, 4, 1, "r", kPenBlue},
    // input disturbance
    {&CSIMsystem::m_v, kDimU, kSigV, false, {SIMtoggleGroup::kSource, 1}, 1, 10, "v", kPenDarkBlue},
    // output disturbance
    {&CSIMsystem::m_d, kDimY, kSigD, false, {SIMtoggleGroup::kSource, 2}, 2, 11, "d", kPenDarkBlue},
    // measurement noise
    {&CSIMsystem::m_n, kDimZ, kSigN, false, {SIMtoggleGroup::kSource, 3}, 3, 12, "n", kPenDarkBlue},
    // K's input r - w
    {&CSIMsystem::m_e, kDimR, -1, false, {SIMtoggleGroup::kDisplay, 1}, 5, 2, "e", kPenRed},
    // F's output
    {&CSIMsystem::m_w, kDimR, -1, false, {SIMtoggleGroup::kDisplay, 5}, 12, 9, "w", kPenPink},
    // K's output
    {&CSIMsystem::m_u, kDimU, -1, false, {SIMtoggleGroup::kDisplay, 2}, 6, 3, "u0", kPenDarkRed},
    // G's input u + v
    {&CSIMsystem::m_uv, kDimU, -1, false, kNoToggle, 7, 4, "u1", kPenDarkRed},
    // G's output
    {&CSIMsystem::m_y, kDimY, -1, false, kNoToggle, 8, 5, "y0", kPenDarkGreen},
    // L's input y + d
    {&CSIMsystem::m_yd, kDimY, -1, false, {SIMtoggleGroup::kDisplay, 3}, 9, 6, "y1", kPenDarkGreen},
    // L's output
    {&CSIMsystem::m_z, kDimZ, -1, false, {SIMtoggleGroup::kDisplay, 4}, 10, 7, "z0", kPenGreen},
    // F's input z + n
    {&CSIMsystem::m_zn, kDimZ, -1, false, kNoToggle, 11, 8, "z1", kPenGreen},
    // limits of G's input
    {&CSIMsystem::m_uMin, kDimU, kSigClipMin, true, kNoToggle, -1, -1, nullptr, kPenNone},
    {&CSIMsystem::m_uMax, kDimU, kSigClipMax, true, kNoToggle, -1, -1, nullptr, kPenNone},
};

// The loop signal a "ProcessView" item switches, or null.
constexpr const SIMloopSignal* LoopSignalOfToggle(SIMtoggleGroup group, int item) {
  for (const SIMloopSignal& s : kLoopSignals)
    if (group != SIMtoggleGroup::kNone && s.toggle.group == group && s.toggle.item == item)
      return &s;
  return nullptr;
}

// The application-wide simulator and the document a worker runs (null while
// none runs); the application object sets them, a worker reads them.
// Clearing g_pSimDoc asks every worker to stop (RequestStop and StopRequested
// in search/SearchGlobals.h). g_pcsSimulation guards the simulator while a
// worker runs; it is re-entrant for its owner, and taken through
// QxCriticalSectionLock.
extern std::atomic<CSIMsystem*> g_pSimulator;
extern std::atomic<CQorexDoc*> g_pSimDoc;
extern LPCRITICAL_SECTION g_pcsSimulation;
