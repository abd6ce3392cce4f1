#pragma once
// "Edit Signals": the twin of "Edit Models" (EditModels.h) for a design's
// nine signal definitions. It edits copies in a formula editor window,
// carries copies of the models along so that both stay consistent in size,
// sets the "Show signal" flag of signals 0-3, and keeps signals in, and takes
// them from, the design's signal library.
//
// Changes that reach the design before OK and stay after Cancel: the show
// flag of a signal that was left for another, library additions and
// deletions, and variables bound by a refused OK; each marks the design
// modified. As in Edit Models, an OK finds the design's definitions as the
// dialog copied them, or it puts nothing back.
#include "editing/ZevMCWnd.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_EDITSIGNALS and its controls

#include <vector>

class CQorexDoc;

class CEditSignals : public CDialog {
 public:
  // On signal 0.
  explicit CEditSignals(CWnd* pParent = nullptr);
  ~CEditSignals() override;

  CQorexDoc* m_pDoc = nullptr;  // set by the caller
  CZevMCWnd m_wndEditor;        // first list: the signals; second: the models
  CButton m_chkShow;            // "Show signal", hidden from signal 4 on
  int m_nSignal;                // the shown signal slot, 0 .. 8
  BOOL m_bShowSignal;           // the show flag of signals 0-3

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  // Hides "Show signal" for a signal that has none.
  BOOL OnInitDialog() override;
  void OnOK() override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnSelchangeSignal();
  void OnAdd();
  void OnChoose();

  void ShowCheck();

  // The design's definitions as the dialog copied them.
  std::vector<BYTE> m_definitionsBefore;

  DECLARE_MESSAGE_MAP()
};
