#pragma once
// CDesignBar: what the design document asks of every bar that shows a design
// ("SimulationView", "ProcessView", "Variables", "Performance Equalizer",
// "Comments"). The main frame keeps the list of its bars; the document walks
// it, so the document needs neither the bars' window headers nor their
// members, and a new bar joins by implementing these two operations.
#include <span>

class CQorexDoc;

// What of a design changed, for ShowDesign.
enum class DesignPart {
  kWhole,         // it changed, or became the active design: the bar shows it
  kVariables,     // the set of used variables changed
  kHistory,       // the population of recorded designs started again, was sorted or culled
  kShownSignals,  // signals were switched on or off in the signal panes
  kNewSample,     // a real-time sample arrived
};

class CDesignBar {
 public:
  // kWhole makes doc the design the bar shows and shows all of it. Any other
  // part refreshes that part when doc is the design the bar shows; a bar that
  // shows nothing of the part ignores it. sample: the new sample's index
  // (kNewSample only).
  virtual void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) = 0;
  // doc is closing or gone: a bar that shows it shows no design any more and
  // repaints. Bars that show another design keep it.
  virtual void ForgetDesign(const CQorexDoc* doc) = 0;
  // next is about to become the design every bar shows: a bar that shows
  // another design gives it what is still pending in the bar's edit, as
  // leaving the edit would, before any bar turns to next. A prompt about
  // text that is no value waits for SayHeldPrompt, so that it never comes
  // with some bars turned and others not. next null: no bar turns (a design
  // asked about on its way out), and such a prompt comes at once.
  virtual void TakePendingEdit(const CQorexDoc* /*next*/) {}
  // Says the prompt TakePendingEdit held, if any, once every bar shows the
  // new design.
  virtual void SayHeldPrompt() {}

 protected:
  ~CDesignBar() = default;
};

// What the document asks of the population recorder (the "Performance
// Equalizer") around a change: the design before it is appended to the
// population, and the entry then takes the recalculated design's roots. The
// document reaches it only through this interface, so no document file needs
// the recorder's window header.
enum : int {
  kRecordAppend = 0,  // the design as it stands becomes a new entry
  kRecordRoots = 2,   // the last entry takes the design's closed-loop roots
  // With either: asked around one move of a live drag (the design before the
  // move, then the roots after it); the recorder treats it alike.
  kRecordLiveMove = 1,
  kRecordMoveAppend = kRecordAppend | kRecordLiveMove,
  kRecordMoveRoots = kRecordRoots | kRecordLiveMove,
};

// Whose variables the robustness models draw (CreateRobustnessModels).
enum : int {
  kRobustController = 0x1,
  kRobustProcess = 0x2,
};

class CDesignRecorder {
 public:
  // Nothing while recording is off.
  virtual void RecordDesign(int mode) = 0;
  // The weights of the nine criteria in criterion order, by which the
  // population's weighted sort and cull rank the designs; all 0 unless the
  // recorder weighs them.
  virtual void CriterionWeights(double (&weights)[9]) const {
    for (double& w : weights) w = 0.0;
  }
  // The genetic operators of Tools > "Create genetic models" on the
  // recorder's design: children of the recorded designs, and samples of the
  // controller's (which has kRobustController) and the process's
  // (kRobustProcess) variables over their ranges. Nothing unless the recorder breeds.
  virtual void CreateOffspring() {}
  virtual void CreateRobustnessModels(int /*which*/) {}

 protected:
  ~CDesignRecorder() = default;
};

// The installed recorder (not owned), or null: then nothing is recorded.
// User-interface thread.
void SetDesignRecorder(CDesignRecorder* recorder);
CDesignRecorder* GetDesignRecorder();

// The main frame's bars in the order it makes them; empty while no main frame
// exists.
std::span<CDesignBar* const> DesignBars();
// True while a pass of CQorexDoc::UpdateAll turns the bars to a design.
bool BarsTurning();
// The design the "SimulationView" bar shows (its simulator settings are the
// ones "Simulator Properties" edits), or null.
CQorexDoc* SimulationViewDesign();
// The status line speaks for the design the bars show: said after that
// design, or its state, may have changed (CMainFrame::ShowDesignState);
// nothing while no main frame exists.
void SayDesignState();
