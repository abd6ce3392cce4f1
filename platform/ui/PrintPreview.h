#pragma once
// The print preview window: the view's printed pages as white sheets on a grey
// ground, one or two at a time, fitted to the window or zoomed, under a row of
// buttons to print, turn pages, zoom and close. It is a top-level window owned
// by the view's top-level frame and lives in the application's message loop
// (modeless); the view's print job stays open while it shows (see
// CQxPreviewJob), and it closes with its view.
//
// Keys: Escape closes, Page Down and Page Up turn pages, the arrows scroll a
// zoomed page; the wheel scrolls a zoomed page or turns pages when fitted.
//
// User-interface thread only.
#include "platform/ui/Controls.h"
#include "platform/ui/Print.h"

#include <QImage>

#include <array>
#include <memory>

namespace qxui {
class KeyboardReturn;
}

// The buttons' command ids (the framework's values).
constexpr UINT AFX_ID_PREVIEW_CLOSE = 0xE300;
constexpr UINT AFX_ID_PREVIEW_NUMPAGE = 0xE301;
constexpr UINT AFX_ID_PREVIEW_NEXT = 0xE302;
constexpr UINT AFX_ID_PREVIEW_PREV = 0xE303;
constexpr UINT AFX_ID_PREVIEW_PRINT = 0xE304;
constexpr UINT AFX_ID_PREVIEW_ZOOMIN = 0xE305;
constexpr UINT AFX_ID_PREVIEW_ZOOMOUT = 0xE306;

class CQxPreviewWnd : public CWnd {
 public:
  // Opens the preview of the view's print job. info is what OnPreparePrinting
  // filled; m_nNumPreviewPages 2 asks for two pages side by side. A preview of
  // the same view that is open already is closed first. Null when the job
  // cannot start.
  static CQxPreviewWnd* Open(CView* view, const CPrintInfo& info);
  // Closes the view's previews, ending their jobs while the view still lives.
  static void CloseFor(CView* view);
  // The preview opened last that is still open, or null.
  static CQxPreviewWnd* Newest();

  UINT GetPageCount() const { return m_job.GetPageCount(); }
  // The first page shown, as the view numbers its pages.
  UINT GetCurrentPage() const { return m_info.GetMinPage() + m_nFirst; }
  int GetPagesShown() const { return m_nShown; }
  // 0: the pages fit the window; each step doubles their size.
  int GetZoom() const { return m_nZoom; }
  // Where the page in the slot (0, or 1 beside it) is drawn, in client
  // coordinates; empty when the slot shows no page.
  CRect GetPageRect(int slot) const;

 protected:
  CQxPreviewWnd() = default;
  ~CQxPreviewWnd() override;
  void PostNcDestroy() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;

  int OnCreate(LPCREATESTRUCT lpcs);
  void OnDestroy();
  // Escape, the close button and the window's close box: the keyboard goes
  // back to the window that had it as the preview opened.
  void OnClose();
  void OnPaint();
  void OnSize(UINT nType, int cx, int cy);
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
  // ID_FILE_PRINT: the preview closes, then the view prints.
  void OnFilePrint();
  void OnPrintButton();
  void OnCloseButton();
  void OnNextPage();
  void OnPrevPage();
  void OnNumPage();
  void OnZoomIn();
  void OnZoomOut();

 private:
  bool HandleKey(UINT nChar);
  // Draws the pages now in view and brings the buttons and the page line up to date.
  void ShowPages();
  void SetZoom(int zoom);
  void ScrollBy(int dx, int dy);
  // The area below the buttons.
  CRect PageArea() const;
  double Scale() const;
  CSize ScaledPageSize() const;
  CSize ContentSize() const;
  CPoint ContentOrigin() const;
  CPoint MaxScroll() const;
  void DrawSheet(CDC& dc, int slot);

  bool m_bOwnedByWindow = false;  // deleted with its window once it was made
  CView* m_pView = nullptr;
  HWND m_hView = nullptr;
  CPrintInfo m_info;
  CQxPreviewJob m_job;
  UINT m_nFirst = 0;  // the first page shown, from 0
  int m_nShown = 1;
  int m_nZoom = 0;
  CPoint m_scroll;                 // how far a zoomed content is scrolled
  std::array<QImage, 2> m_pages;   // the pages shown, as printed
  std::array<QImage, 2> m_scaled;  // and as drawn
  std::array<CButton, 7> m_buttons;
  CStatic m_pageLine;
  std::unique_ptr<qxui::KeyboardReturn> m_keyboard;

  DECLARE_MESSAGE_MAP()
};
