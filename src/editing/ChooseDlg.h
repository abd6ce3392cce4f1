#pragma once
// "Choose from list": picks an entry of a design's model or signal library for
// the editing dialogs. The list shows the stored expressions themselves at
// three quarters of their size; "Delete" removes entries from the library at
// once (Cancel does not bring them back).
//
// Entries loaded from a file carry the boxes of whoever stored them (other
// fonts, or damaged records), so the list measures and draws copies laid out
// here when it opens; an item is 1 to 150 pixels tall.
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "res/resource.h"  // IDD_CHOOSE and its controls IDC_CHOOSE_*

#include <memory>
#include <vector>

class CMcBasic;
class CMXC_BIN;
class CQorexDoc;

class CChooseDlg : public CDialog {
 public:
  explicit CChooseDlg(CWnd* pParent = nullptr);
  ~CChooseDlg() override;

  // The height of the item of an entry laid out `layoutHeight` pixels tall.
  static int ItemHeight(int layoutHeight);

  CQorexDoc* m_pDoc = nullptr;  // whose library is listed; set by the caller
  // Result: the chosen entry, -1 for none. Set only by OK and a double click;
  // a caller uses it only below the library's count.
  int m_nSelected = -1;
  BOOL m_bSignals = FALSE;  // the signal library, else the model library
  CListBox m_wndList;       // the list box, attached by data exchange

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDelete();
  void OnDblclkList();
  void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

  // The listed library, or null without a document.
  CMXC_BIN* Library() const;
  // The laid-out copy behind item i, or null.
  const CMcBasic* CopyAt(int i) const;

  std::vector<std::unique_ptr<CMcBasic>> m_copies;  // one per library entry

  DECLARE_MESSAGE_MAP()
};
