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
  kHistory,       // the population of recorded designs started again
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

 protected:
  ~CDesignBar() = default;
};

// The main frame's bars in the order it makes them; empty while no main frame
// exists.
std::span<CDesignBar* const> DesignBars();
// The design the "SimulationView" bar shows (its simulator settings are the
// ones "Simulator Properties" edits), or null.
CQorexDoc* SimulationViewDesign();
