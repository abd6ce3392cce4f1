#pragma once
// CVarBar: the "Variables" dialog bar: the used design variables of a
// document with their values, ranges and loci. The user picks a variable in
// the list and sets its value with the slider or the value edit, its range
// with the two range edits, and its parameter locus with the mode and colour
// lists. A value change goes into the design at once and is recorded, so the
// diagrams follow the slider; a range change only re-places the slider.
//
// Showing a design sets the requested document (m_pDoc); UpdateBar takes it
// over as the listed one (m_pListedDoc). The frame creates the bar from
// template 106.
#include "DesignBar.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/Controls.h"

class CVarBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CVarBar)

 public:
  // Sets g_pVarBar to this bar.
  CVarBar();
  ~CVarBar() override;

  // The whole design: requested, then shown with UpdateBar(TRUE). Changed
  // variables: UpdateBar(FALSE), the list made again.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  // Also when doc is only still listed.
  void ForgetDesign(const CQorexDoc* doc) override;
  // The edit that holds the keyboard, into the design shown so far; its
  // prompt held for SayHeldPrompt, which posts it to the bar, so that it
  // comes once the activation that turned the bars has run to its end. With
  // next null no bar turns, and the prompt is said at once.
  void TakePendingEdit(const CQorexDoc* next) override;
  void SayHeldPrompt() override;

  // Shows the requested document (defaults when there is none). The list is
  // made again when the document changed or bSameDocument is FALSE; otherwise
  // the selection stays and only the fields are read again.
  void UpdateBar(BOOL bSameDocument);

  void DoDataExchange(CDataExchange* pDX) override;

  // The slider position of a value in the range minimum..maximum on a slider
  // of positions lo..hi, rounded halves away from zero and kept within lo..hi;
  // an empty range gives 0. The value of a position: minimum + (maximum -
  // minimum) * position / (hi - lo), the minimum for an empty slider.
  static int SliderPosition(double value, double minimum, double maximum, int lo, int hi);
  static double SliderValue(int position, double minimum, double maximum, int lo, int hi);

  int m_nLastPos = -1;                // the slider position acted on or placed last
  CQorexDoc* m_pListedDoc = nullptr;  // the document whose variables are listed
  CQorexDoc* m_pDoc = nullptr;        // the document asked for
  CSliderCtrl m_wndSlider;
  CListBox m_wndList;
  int m_nColour = 0;  // colour list index: 0 "(none)", then colour code + 1
  int m_nLocus = 0;   // mode list index: 0 "No Locus", then mode code + 1
  double m_dMax = 0;
  double m_dMin = 0;
  double m_dValue = 0;
  // While TakePendingEdit takes an edit: a prompt is held, not said.
  bool m_bHoldPrompt = false;
  bool m_bPromptHeld = false;
  // The edit given back its refused text with the keyboard, until that text
  // changes: it is not refused again meanwhile.
  int m_nRefusedEdit = 0;

 protected:
  void OnSelchangeList();
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnKillfocusValue();
  void OnKillfocusMin();
  void OnKillfocusMax();
  void OnSelendokLocus();
  void OnSelendokColour();
  LRESULT OnSayHeldPrompt(WPARAM, LPARAM);
  void OnChangeEdit(int nID);
  void OnChangeValue();
  void OnChangeMin();
  void OnChangeMax();
  void OnSetfocusEdit(int nID);
  void OnSetfocusValue();
  void OnSetfocusMin();
  void OnSetfocusMax();
  DECLARE_MESSAGE_MAP()

 private:
  // The user index of the selected variable, or -1.
  int Selected() const;
  // The guards of the edits and lists: a document, the controls, the fields
  // read; a bar showing a stale list is refreshed instead. FALSE: stop.
  BOOL ReadForEdit();
  // The fields from the controls without a word: an edit whose text is no
  // number leaves its field as it was. Every focus change reads them, so a
  // refusal here would come back with each one.
  void ReadFieldsQuietly();
  // The number in the edit the user left, into field. Text that is no number
  // is said once, and the edit shows the table's value again (the field's
  // when no variable is selected); FALSE then.
  BOOL TakeTyped(int nID, double& field);
  void PlaceSlider(double value, double minimum, double maximum);
  // A range edit left: bMinimum tells which.
  void RangeEdited(bool bMinimum);
  // A locus list chosen: bMode for the mode list, else the colour list.
  void LocusEdited(bool bMode);
  // The road of a changed value: record, recalculate, record the poles, show.
  void ApplyValue();
  // The edit that holds the keyboard takes what was typed in it to the design
  // shown so far, as leaving it would: the keyboard may stay in the bar while
  // another design is shown (the Window menu from a floating bar).
  void TakeFocusedEdit();
};

// The "Variables" bar, set by its constructor.
extern CVarBar* g_pVarBar;
