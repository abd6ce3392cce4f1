#pragma once
// CZevSIGWnd: one signal pane of the "SimulationView" bar. Pane i plots row i
// of every shown loop signal of the bar's design against the sample index:
// sample k at x = originX + trunc(k * scaleX), value v at
// y = originY - trunc(v * scaleY), origin and scales shared by all panes and
// kept in the design (m_ptSigOrigin, m_dSigScaleX, m_dSigScaleY).
//
// The user pans (right button) and zooms (right button with Ctrl), drags the
// green end-of-run marker to change the final time (with Ctrl, the sampling
// time), recalls stored real-time runs, re-simulates, opens "Simulator
// Properties" and copies the pane as a picture with its samples as
// tab-separated text.
//
// Source of the samples: the design's own loop (its last complete run while a
// recalculation rewrites it, CQorexDoc::SignalAsShown); while a worker runs
// that design, the application-wide simulator, read under g_pcsSimulation
// (the worker writes it sample by sample). A paint decides its source once. The
// show flags, the sampling time of the labels and the step count of the end
// marker always come from the design.
//
// Every pixel position goes through PlotOffset: samples that are not finite
// break the curve, finite values are clamped to +-2^30 before truncation, so
// an unstable design that runs to inf and NaN draws to the pane's edge.
//
// User-interface thread only.
#include "platform/core/Geometry.h"
#include "platform/ui/Wnd.h"
#include "simulation/SIMsystem.h"

#include <array>

class CQorexDoc;
class COutputBar;

// trunc(v) as an int with v clamped to +-2^30 first (0 for NaN): positions
// and counts from doubles that may be huge or infinite.
int PlotOffset(double v);

// The thirteen plotted signals in drawing and text order: the loop signals
// with a place in the panes, in the order of that place.
struct SignalPlotEntry {
  const char* name;  // header of its text column
  CSIMsignal CSIMsystem::*signal;
  int pen;  // entry of g_pPenCurve
};
constexpr std::array<SignalPlotEntry, kShownSignalCount> PlottedSignals() {
  std::array<SignalPlotEntry, kShownSignalCount> plotted{};
  for (const SIMloopSignal& s : kLoopSignals)
    if (s.pane >= 0) plotted[static_cast<size_t>(s.pane)] = {s.name, s.signal, s.pen};
  return plotted;
}
inline constexpr std::array<SignalPlotEntry, kShownSignalCount> kPlottedSignals = PlottedSignals();

class CZevSIGWnd : public CWnd {
 public:
  CZevSIGWnd() = default;

  // The whole plot of the bar's design into the context: over the client
  // rectangle while g_bClipboardDrawing is set, else over the clip box.
  void DrawSignals(CDC* pDC);
  // A full repaint through g_pMemDC and one block copy.
  void PaintBuffered();
  // A new live sample: the strip around it is invalidated (nothing while no
  // worker runs a design).
  void InvalidateSamples(int sample);
  // The picture and text the copy puts on the clipboard (exposed for tests).
  HMETAFILE RecordPicture(int width, int height);
  CString SamplesText() const;

  CRect m_rcDrag;                // the time-axis drag line, (x, 0, x + 1, H)
  int m_nMoves = 0;              // mouse moves while the pane holds the capture
  CPoint m_ptAnchor;             // the press point; during pan and zoom the last step's point
  CPoint m_ptLast;               // the point whose sample and value a zoom step keeps
  int m_nMode = 0;               // 2 pan and zoom, 3 time-axis drag (while captured)
  int m_nRow = 0;                // the signal row shown
  COutputBar* m_pBar = nullptr;  // the bar that holds the pane

 protected:
  void OnPaint();
  void OnMouseMove(UINT nFlags, CPoint point);
  void OnRButtonDown(UINT nFlags, CPoint point);
  void OnRButtonUp(UINT nFlags, CPoint point);
  void OnLButtonDown(UINT nFlags, CPoint point);
  void OnLButtonUp(UINT nFlags, CPoint point);

  void OnEditCopy();
  void OnTimeSettings();
  void OnRun(UINT nID);
  void OnRunClear();
  void OnRunResimulate();

  DECLARE_MESSAGE_MAP()

 private:
  CQorexDoc* Doc() const;
  // The bar's design while a worker runs it: its samples are live.
  bool IsLive() const;
  // The pixel column of the end-of-run marker.
  int EndMarkerX() const;
  bool InHotZone(CPoint point) const;
  // The sample count a time-axis drag to x gives (N - trunc(dx / scaleX)).
  int DraggedSampleCount(int x) const;
  void PanOrZoom(UINT nFlags, CPoint point);
  // The XOR drag line at line, erasing it at last (either may be null).
  void DrawDragLine(const CRect* line, const CRect* last);
  void ShowContextMenu(CPoint point);
  void DrawAxes(CDC* pDC, int width, int height);
  void RepaintAllPanes();
};
