#pragma once
// COutputBar: the "SimulationView" dialog bar along the bottom of the main
// frame. It holds one signal pane (CZevSIGWnd) per signal row of the shown
// design, side by side, and along its top edge the grip (CSizeWnd) that sets
// its docked height g_nOutputBarHeight. The frame creates it from template
// 102; the document shows itself in it through CDesignBar.
//
// Layout of a client area W x H with n panes: w = (W - 10) / n - 10; pane i
// at left 10 + i (w + 10), top 10, w wide, down to H - 10 (never a negative
// size); the grip over (0, 0) - (W, 5), hidden while the bar floats.
//
// User-interface thread only: a worker that wants the panes repainted posts
// its request (UpdatePanes asserts it runs on that thread).
#include "DesignBar.h"
#include "diagrams/SizeWnd.h"
#include "diagrams/ZevSIGWnd.h"
#include "platform/ui/ControlBar.h"

#include <memory>

class COutputBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(COutputBar)

 public:
  // Sets g_pOutputBar to this bar; one pane object of row 0 and the grip
  // object, their windows made in OnCreate.
  COutputBar();
  ~COutputBar() override;

  // The whole design: one pane per row of its largest signal (m_nMaxSignalSize).
  // Shown signals: the panes repaint. A new sample: the strip next to it.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Docked along the bottom, the bar is g_nOutputBarHeight high.
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  // Makes n signal panes (at least 1) when n differs from the present count,
  // else repaints them.
  void SetPaneCount(int n);
  int GetPaneCount() const { return m_nPanes; }
  // Pane i, or null.
  CZevSIGWnd* GetPane(int i) const { return i >= 0 && i < m_nPanes ? &m_pPanes[i] : nullptr; }
  CSizeWnd* GetSizeWnd() const { return m_pSizeWnd.get(); }
  // Repaints every pane through the off-screen context and validates the
  // bar's own area under them.
  void UpdatePanes();
  // The screen strip of the samples next to `sample` needs repainting.
  void InvalidateSamples(int sample);

  CQorexDoc* m_pDoc = nullptr;  // the document shown, or null

 protected:
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnSize(UINT nType, int cx, int cy);
  void OnPaint();
  // A click between the panes does nothing (it does not start moving the bar).
  void OnLButtonDown(UINT nFlags, CPoint point);

  DECLARE_MESSAGE_MAP()

 private:
  // Pane width of the layout for a client width.
  int PaneWidth(int clientWidth) const;
  CRect PaneRect(int i, const CRect& client) const;
  void CreatePanes();
  void LayOut(BOOL repaint);

  std::unique_ptr<CSizeWnd> m_pSizeWnd;
  std::unique_ptr<CZevSIGWnd[]> m_pPanes;
  int m_nPanes = 1;
};

// The "SimulationView" bar (set by its constructor) and its docked height in pixels.
extern COutputBar* g_pOutputBar;
extern int g_nOutputBarHeight;
