#pragma once
// CCommentBar: the "Comments" dialog bar: one multi-line edit showing the
// free-text comment of the document the bars show. The document attaches and
// detaches itself through CDesignBar; leaving the edit writes the text back
// into the document.
#include "DesignBar.h"
#include "platform/core/String.h"
#include "platform/ui/ControlBar.h"

class CCommentBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CCommentBar)

 public:
  // Sets g_pCommentBar to this bar.
  CCommentBar();
  ~CCommentBar() override;

  // The whole design: SetDocument(doc), so an edit in progress stays.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Attaches a document (null: detaches) and shows its comment. Attaching
  // the document already attached changes nothing, so an edit in progress
  // is not overwritten.
  void SetDocument(CQorexDoc* pDoc);
  void DoDataExchange(CDataExchange* pDX) override;

  CQorexDoc* m_pDoc = nullptr;
  CString m_strComment;  // the edit control's text

 protected:
  // The edit lost the focus: its text becomes the document's comment. A
  // changed comment marks the document modified, so that closing asks to
  // save it.
  void OnKillFocusEdit();

  DECLARE_MESSAGE_MAP()
};

// The "Comments" bar, set by its constructor.
extern CCommentBar* g_pCommentBar;
