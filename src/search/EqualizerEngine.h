#pragma once
// CEqualizerEngine: the "Performance Equalizer" without its window: the
// standard test run of a design and its nine performance criteria, the
// weighted cost, the pattern searches over the free design variables and the
// recording of designs into the population. The bar (EqualizerBar.h) owns
// one and adds the sliders and buttons; tests drive it headless.
//
// Test run (EqualizerTestRun.cpp). m tested outputs (the smaller of the rows
// of the command c and of the output z), L = 100 m + 90 samples. Output i gets
// a unit command step at sample 100 i (block i: samples 100 i .. 100 i + 99);
// then every row of v is 0.5 over L - 90 .. L - 76, every row of d 0.5 over
// L - 60 .. L - 46, and the noise n is uniform in -1 .. 1 over L - 30 .. L - 1,
// the same in every run (a private generator seeded with 1). The run is
// CSIMsystem::SimulateStep over 0 .. L - 1 on the document's own loop, so it
// overwrites the document's run until its next recalculation.
//
// Criteria, each in 0 .. 1 with 0 best and 1.0 where a value cannot be made
// (a sample that is not finite, a loop in its error state, pole mobility
// without a free variable): 0 "Final value", 1 "Time constant",
// 2 "Oscillations", 3 "Interaction", 4 "v rejection", 5 "d rejection",
// 6 "n rejection", 7 "Control action amplitude", 8 "Closed loop pole
// mobility". A maximum sees every sample: one that is not finite makes it so.
//
// Cost (EqualizerCost.cpp). The weighted sum S of the eight cost terms in the
// weights' storage order, times 10^(E g_dErrorSuppression), E the integration
// error estimate; the frequency engine's cost for mode 0x2000; made worse by
// the magnitude knee (MagnitudeKnee.h). A total that is not finite is 1e300.
//
// Identification (EqualizerIdentify.cpp), mode 0x4000. The stored real-time
// runs are re-simulated on the design's loop, each at its own sampling time
// and from its own setpoint; the cost is the misfit of the simulated y + d
// against the measured one, weighted by the sampled "Realtime error weight".
// A run whose setpoint or measured rows differ from the loop's is skipped;
// samples count up to the shortest of the run, the loop's signals and the
// weight.
//
// Searches (EqualizerSearch.cpp). The local search takes PatternStep
// (PatternStep.h) per free variable, g_nLocalIterations times: at most
// 1 + 2 g_nLocalIterations n cost evaluations for n free variables. The
// global search climbs out of the valley along each variable (offsets s, 3s,
// 7s, ..., at most 7 steps) and searches locally from where a climb stops.
//
// User-interface thread only.
#include "DesignBar.h"
#include "MC/McComplex.h"
#include "platform/core/Types.h"
#include "search/QOX_FreeVars.h"
#include "simulation/SIMsearch.h"

#include <vector>

class CMcBasic;
class CQorexDoc;

// The mode word of a search or a recording.
inline constexpr WORD kEqualizerShowRun = 0x0001;      // repaint the panes after every run
inline constexpr WORD kEqualizerShowSearch = 0x0002;   // ... after every local search
inline constexpr WORD kEqualizerMeasureOnly = 0x00F0;  // any of these: the cost is 0
inline constexpr WORD kEqualizerRecording = 0x0010;
inline constexpr WORD kEqualizerIdentify = 0x4000;
inline constexpr WORD kEqualizerLocalButton = kEqualizerShowRun;
inline constexpr WORD kEqualizerGlobalButton = kSearchGlobal | kEqualizerShowSearch;
// The recording switch, the one bit of the engine's m_wRecord.
inline constexpr WORD kRecordingOn = 0x0001;

class CEqualizerEngine : public CDesignRecorder, public CSIMsearchUi {
 public:
  static constexpr int kCriteria = 9;
  static constexpr double kFailedTerm = 1e200;  // a cost term that is not finite
  static constexpr double kFailedCost = 1e300;  // a total cost that is not finite

  CEqualizerEngine();
  ~CEqualizerEngine() override;
  CEqualizerEngine(const CEqualizerEngine&) = delete;
  CEqualizerEngine& operator=(const CEqualizerEngine&) = delete;

  // ---- weights ------------------------------------------------------------------
  // Criterion c's weight; the storage order is 0, 7, 1, 2, 3, 5, 4, 6, 8.
  double Weight(int criterion) const;
  void SetWeight(int criterion, double weight);
  // The nine weights in criterion order 0 .. 8 (the population's sorts).
  void CriterionWeights(double (&weights)[kCriteria]) const override;

  // ---- test run and criteria (EqualizerTestRun.cpp) -------------------------------
  // Rebuilds the tunable models' coefficients and resets the states; with
  // build also m, L and the test signals.
  void PrepareTestRun(BOOL build);
  // Steps the loop through the L samples of the test (not in the error state).
  void RunTestRun();
  double MeasureFinalValue() const;
  double MeasureTimeConstant() const;
  double MeasureOscillations() const;
  double MeasureInteraction() const;
  double MeasureVRejection() const;
  double MeasureDRejection() const;
  double MeasureNRejection() const;
  double MeasureControlAmplitude() const;
  // Needs no test run: the mean distance the dominant closed-loop pole moves
  // when each free variable moves by 1 % (0.0001 near 0). Works in the
  // loop's work matrices only; every variable gets its exact value back.
  double MeasurePoleMobility();
  // All nine of the last test run in criterion order, taken in the order
  // 8, 7, ..., 0; all 1.0 for a loop in its error state.
  void MeasureCriteria(double (&criteria)[kCriteria]);

  // ---- cost (EqualizerCost.cpp) ------------------------------------------------------
  // Virtual so that the searches can be tested on a cost of their own.
  virtual double ComputeCost(BOOL build);
  // The largest deviation of the test run's first 20 samples from a re-run
  // at half the sampling time (overwrites samples 0 .. 39, and 60 .. 79 of z).
  double EstimateIntegrationError();
  double CostFinalValue() const;
  double CostTimeConstant() const;
  double CostOscillations() const;
  double CostInteraction() const;
  double CostVRejection() const;
  double CostDRejection() const;
  double CostNRejection() const;
  double CostControlAmplitude() const;

  // ---- identification (EqualizerIdentify.cpp) -------------------------------------------
  // With build, sizes the loop's signals for the longest stored run (the
  // disturbances evaluated over it); always rebuilds the process model from
  // the current values, whatever its flags.
  void PrepareIdentification(BOOL build);
  // The weighted squared misfit of y + d against every stored run that fits
  // the loop, each simulated at its own sampling time; 1e200 when it is not
  // finite or the loop is in its error state.
  double IdentificationCost();
  // Fits the free variables of the process model and of the real-time
  // conditioning signals to the stored runs by a global search, then
  // recalculates. Nothing without a stored run.
  void FindG();

  // ---- free variables and searches (EqualizerSearch.cpp) ----------------------------
  // The variables of the tunable models, each once, less those that a model
  // not marked tunable holds too and those the table no longer has.
  void CollectFreeVariables() override;
  // The variables of node's tree, each once.
  void AddModelVariables(const CMcBasic* node);
  // Takes out the listed variables of node's tree.
  void RemoveModelVariables(const CMcBasic* node);
  // Searches, then records, recalculates, records the roots and shows the
  // design. Never re-entered: a call during a search does nothing.
  void Optimize(WORD mode) override;
  double LocalSearch(BOOL build);
  double GlobalSearch();
  double GlobalProbe(const double* start, double* passBest, double fRef, double fBestIn, int i,
                     int side);
  // True from the start of a search to the end of its recording and showing.
  bool Searching() const { return m_bSearching; }

  // ---- recording -------------------------------------------------------------------
  // Nothing while recording is off. Without kRecordRoots the design is
  // measured and appended to the population; with it the newest entry takes
  // the document's closed-loop poles.
  void RecordDesign(int flags) override;
  // RecordDesign with the recording switch on for the call, whatever it says;
  // the switch is as before afterwards.
  void RecordDesignForced(int flags);

  // ---- genetic operators (EqualizerGenetics.cpp) -------------------------------------
  // g_nOffspringCount children of pairs of the designs recorded before the
  // call, each recorded whatever the recording switch; the last one stays
  // in the document. Nothing without a record or a free variable.
  void CreateOffspring() override;
  // g_nOffspringCount designs whose controller (kRobustController) and
  // process (kRobustProcess) variables are drawn uniformly from their ranges, each recorded.
  // Afterwards the variables and both models' flag words are as before.
  void CreateRobustnessModels(int which) override;
  // The parent drawn from generator value r (0 .. 32767) among the c designs
  // recorded before the command: trunc(c r / 32767), kept below the count
  // there is now (r = 32767 gives c, and a cull during the command may have
  // left fewer).
  static int ParentIndex(int c, int r, int count);

  // ---- state -----------------------------------------------------------------------
  CQorexDoc* m_pDoc = nullptr;  // the document searched and recorded (not owned)
  int m_nOutputs = 0;           // m of the last test preparation that built signals
  int m_nRunLength = 0;         // L
  double m_weights[kCriteria] = {};
  WORD m_wRecord = 0;  // kRecordingOn: the recording switch
  QOX_FreeVars m_freeVars;
  WORD m_wMode = 0;            // the mode word of the last search or recording
  long long m_nCostCalls = 0;  // ComputeCost calls so far (benchmarks, tests)

 protected:
  // The window side: repaint the signal panes showing the test run (modes
  // 0x0001, 0x0002), and show a newly recorded design. Nothing here.
  virtual void ShowTestRun() {}
  virtual void ShowRecorded() {}

 private:
  double Value(int i) const;  // of free variable i
  void SetValue(int i, double x);
  // The test run's pane repaint: step count L while the panes draw.
  void RepaintTestRun();
  // The design as it stands recorded with recording forced on, recalculated
  // and shown: RecordDesign(kRecordAppend), Recalculate,
  // RecordDesign(kRecordRoots), UpdateAll.
  void RecordForced();
  // Whether the last test run can be read: a loop without error whose
  // signals hold m rows and L samples.
  bool TestRunReadable() const;
  // The closed-loop pole of smallest modulus (1e50 + 1e50 j when there is
  // none) for the current variable values, built in the work matrices; its
  // imaginary part made non-negative.
  McComplex DominantPole();
  // What a collection does after adding: takes out the variables that a model
  // not marked tunable holds too, then those the table no longer has.
  void DropFixedVariables();

  bool m_bSearching = false;
  std::vector<McComplex> m_roots;  // the pole mobility's root work
};

// The thread's random generator is seeded from the clock once per thread, by
// the first test preparation that builds signals on it.
void EqualizerSeedThreadGenerator();
