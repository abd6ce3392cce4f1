#pragma once
// "View Effective Models": a design's effective models (the five blocks, GK,
// LGK, FLGK, I + FLGK and the two determinants) in a formula editor window,
// either as ratios of polynomials or factored. The window's first list holds
// the form shown, the second the other; the expressions are the dialog's own
// and nothing is written back.
#include "editing/ZevMCWnd.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_VIEWMODELS and its controls

class CQorexDoc;

class CViewModels : public CDialog {
 public:
  // On the pole characteristic, as polynomials.
  explicit CViewModels(CWnd* pParent = nullptr);
  ~CViewModels() override;

  CQorexDoc* m_pDoc = nullptr;  // set by the caller
  CZevMCWnd m_wndEditor;
  BOOL m_bPolynomial;  // "View as polynomial"
  int m_nModel;        // the effective model shown, 0 .. 10

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  // The other form: the window's two lists change places.
  void OnViewAsPolynomial();
  void OnSelchangeModel();

  DECLARE_MESSAGE_MAP()
};
