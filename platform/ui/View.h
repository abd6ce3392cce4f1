#pragma once
// CView: a window that shows a document. It draws in OnDraw (for the screen
// through WM_PAINT, for a printer through the printing hooks), routes commands
// to itself and then to its document, and becomes the frame's active view
// when clicked. CScrollView adds a scrollable logical area.
#include "platform/ui/Document.h"
#include "platform/ui/Wnd.h"

class CFrameWnd;
class CPrintDialog;
struct CCreateContext;

// What a print job tells the view's printing hooks (the printer itself is
// the dialogs layer's).
struct CPrintInfo {
  CPrintDialog* m_pPD = nullptr;
  BOOL m_bDirect = FALSE;  // print without asking
  BOOL m_bPreview = FALSE;
  BOOL m_bContinuePrinting = TRUE;
  UINT m_nCurPage = 1;
  UINT m_nNumPreviewPages = 1;
  CString m_strPageDesc;
  LPVOID m_lpUserData = nullptr;
  CRect m_rectDraw;
  UINT m_nMinPage = 1;
  UINT m_nMaxPage = 0xFFFF;
  // The range the print dialog chose; 0 when it chose all pages.
  UINT m_nFromPage = 0;
  UINT m_nToPage = 0;

  void SetMinPage(UINT nMinPage) { m_nMinPage = nMinPage; }
  void SetMaxPage(UINT nMaxPage) { m_nMaxPage = nMaxPage; }
  UINT GetMinPage() const { return m_nMinPage; }
  UINT GetMaxPage() const { return m_nMaxPage; }
  UINT GetFromPage() const { return m_nFromPage ? m_nFromPage : m_nMinPage; }
  UINT GetToPage() const { return m_nToPage ? m_nToPage : m_nMaxPage; }
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)

 public:
  CDocument* GetDocument() const { return m_pDocument; }

  // Draws the document into the context (screen, printer or metafile).
  virtual void OnDraw(CDC* pDC) = 0;
  virtual void OnInitialUpdate();
  // Invalidates the view; views override to redraw less.
  virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
  virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr);
  virtual void OnActivateView(BOOL bActivate, CView* pActivateView, CView* pDeactiveView);
  virtual void OnActivateFrame(UINT nState, CFrameWnd* pFrameWnd);

  // Printing hooks (the printer is Print.h's). DoPreparePrinting shows the
  // print dialog unless printing directly; FALSE when the user cancels.
  virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
  BOOL DoPreparePrinting(CPrintInfo* pInfo);
  virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
  virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
  virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);

  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  void PostNcDestroy() override;

  CDocument* m_pDocument = nullptr;

 protected:
  CView() = default;
  ~CView() override;

  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnDestroy();
  void OnPaint();
  int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
  LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
  // The standard print commands: ID_FILE_PRINT, ID_FILE_PRINT_DIRECT (no
  // dialog) and ID_FILE_PRINT_PREVIEW (the preview window, PrintPreview.h)
  // map to these in a view's message map.
  void OnFilePrint();
  void OnFilePrintPreview();

  DECLARE_MESSAGE_MAP()
};

// A view over a logical area larger than the window, scrolled by its bars.
class CScrollView : public CView {
  DECLARE_DYNAMIC(CScrollView)

 public:
  // sizePage and sizeLine default to a tenth and a hundredth of the total.
  void SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage = SIZE{0, 0},
                      const SIZE& sizeLine = SIZE{0, 0});
  CPoint GetScrollPosition() const { return m_ptScroll; }
  CPoint GetDeviceScrollPosition() const { return m_ptScroll; }
  CSize GetTotalSize() const { return m_totalLog; }
  void ScrollToPosition(POINT pt);
  void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = nullptr) override;

 protected:
  CScrollView() = default;
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnSize(UINT nType, int cx, int cy);

  int m_nMapMode = MM_TEXT;
  CSize m_totalLog;
  CSize m_pageDev;
  CSize m_lineDev;
  CPoint m_ptScroll;

 private:
  void ScrollBy(int dx, int dy);

  DECLARE_MESSAGE_MAP()
};
