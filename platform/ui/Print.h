#pragma once
// Printing. The printer's device context draws into a page image at the
// screen's resolution (96 dpi), so raster operations combine pixels exactly as
// on screen and a drawing with as many device units as it has pixels on screen
// prints at the size the user sees; each finished page image is placed on the
// printer's page, scaled to the printer's resolution. The printer is the one
// print setup chose, or a PDF file: the environment variable QX_PRINT_PDF or
// the test hook (platform/testing/PrintHooks.h) names one, and then no dialog
// is shown.
//
// User-interface thread only.
#include "platform/ui/View.h"

#include <QImage>

#include <memory>
#include <utility>
#include <vector>

class QPrinter;

// What printing does before a job (the view's DoPreparePrinting): TRUE at once
// for direct printing, a preview or a PDF target; otherwise the print dialog,
// FALSE when the user cancels it.
BOOL QxPreparePrinting(CPrintInfo* pInfo);
// The print-setup command: the page-setup dialog for the printer that later
// jobs use (none with a PDF target). FALSE when cancelled.
BOOL QxPrintSetup();

// The printer's device context.
class CPrinterDC : public CDC {
 public:
  CPrinterDC();
  ~CPrinterDC() override;

  // Opens the job on the printer; with preview, pages are kept as images
  // (PreviewPages) instead. FALSE when the printer cannot be opened.
  BOOL StartDoc(LPCSTR docName, bool preview = false);
  // A fresh white page image to draw into.
  BOOL StartPage();
  // Places the page image on the printer's page.
  BOOL EndPage();
  BOOL EndDoc();
  void AbortDoc();

  // HORZRES/VERTRES: the printable area in page pixels; LOGPIXELSX/Y: 96;
  // PHYSICALWIDTH/HEIGHT and PHYSICALOFFSETX/Y: the paper and its margins.
  int GetDeviceCaps(int index) const override;
  CSize GetPageSize() const { return m_pageSize; }
  // The copies the job must print itself (the printer makes the others) and
  // whether they are collated.
  int CopiesToRepeat() const;
  bool CollateCopies() const;
  const std::vector<QImage>& PreviewPages() const { return m_previewPages; }
  // Hands the preview pages made so far to the caller and keeps none.
  std::vector<QImage> TakePreviewPages() { return std::exchange(m_previewPages, {}); }

 private:
  std::unique_ptr<QPrinter> m_printer;
  std::unique_ptr<class QPainter> m_painter;
  QImage m_page;
  CSize m_pageSize;
  CSize m_paperSize;
  CPoint m_paperOffset;
  bool m_preview = false;
  bool m_inPage = false;
  int m_pagesPrinted = 0;
  std::vector<QImage> m_previewPages;
};

// Runs the view's print job as the framework does: OnBeginPrinting, then for
// each page OnPrepareDC and OnPrint with m_rectDraw set to the page, then
// OnEndPrinting. A job without a known last page prints pages while the view
// keeps m_bContinuePrinting set, the first page only unless it says so.
// The pages are the print dialog's range within the view's, with the
// dialog's copies. FALSE when the printer could not be opened or the job not
// finished.
BOOL QxPrintView(CView* view, CPrintInfo* pInfo);
// The same job into page images, all pages at once.
std::vector<QImage> QxPreviewView(CView* view, CPrintInfo* pInfo);

// The view's print job held open for the print preview window: OnBeginPrinting
// when it begins, OnPrepareDC and OnPrint for a page whenever the window shows
// it, OnEndPrinting when it ends. Only the pages asked for are drawn and kept,
// so a long job costs no more than the pages on screen.
class CQxPreviewJob {
 public:
  CQxPreviewJob() = default;
  ~CQxPreviewJob();
  CQxPreviewJob(const CQxPreviewJob&) = delete;
  CQxPreviewJob& operator=(const CQxPreviewJob&) = delete;

  // Starts the job; the view and the info must outlive it (or End). FALSE when
  // a job runs already or the page cannot be set up. The page count is the
  // info's page range; without a known last page, the pages the view keeps
  // m_bContinuePrinting set for (the first only unless it says so).
  BOOL Begin(CView* view, CPrintInfo* pInfo);
  // Ends the job with OnEndPrinting; nothing when none runs.
  void End();
  BOOL IsRunning() const { return m_pView != nullptr; }

  UINT GetPageCount() const { return m_nPages; }
  CSize GetPageSize() const { return m_dc.GetPageSize(); }
  // The page's image, the page counted from 0 (the view sees GetMinPage() +
  // index); a white page when the view declines it, a null image outside the job.
  QImage DrawPage(UINT index);

 private:
  CView* m_pView = nullptr;
  CPrintInfo* m_pInfo = nullptr;
  CPrinterDC m_dc;
  UINT m_nPages = 0;
  bool m_lastKnown = true;
};
