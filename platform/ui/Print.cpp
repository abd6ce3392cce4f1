// Printing through page images at the screen's resolution (see Print.h).
#include "platform/ui/Print.h"

#include "platform/core/Debug.h"
#include "platform/testing/PrintHooks.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

constexpr int kScreenDpi = 96;
constexpr UINT kMaxPages = 1000;  // a view that never stops printing is cut off here

std::mutex g_pdfLock;
std::string g_pdfPath;  // the test hook's PDF target

// The PDF file every job goes to, or empty for the printer.
std::string PdfTarget() {
  {
    std::lock_guard<std::mutex> guard(g_pdfLock);
    if (!g_pdfPath.empty()) return g_pdfPath;
  }
  const char* path = std::getenv("QX_PRINT_PDF");
  return path ? path : "";
}

// The printer and page that print setup and the print dialog chose.
QPrinter& ChosenPrinter() {
  static auto* printer = new QPrinter(QPrinter::HighResolution);
  return *printer;
}

std::unique_ptr<QPrinter> PrinterForJob(LPCSTR docName) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrinter& chosen = ChosenPrinter();
  std::string pdf = PdfTarget();
  if (!pdf.empty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
  } else {
    printer->setPrinterName(chosen.printerName());
  }
  printer->setPageLayout(chosen.pageLayout());
  printer->setDocName(QString::fromLocal8Bit(docName ? docName : ""));
  return printer;
}

CSize SizeOf(const QRect& rect) {
  return CSize(rect.width(), rect.height());
}

}  // namespace

BOOL QxPreparePrinting(CPrintInfo* pInfo) {
  if (!pInfo) return FALSE;
  if (pInfo->m_bDirect || pInfo->m_bPreview || !PdfTarget().empty()) return TRUE;
  QPrintDialog dialog(&ChosenPrinter());
  dialog.setMinMax(static_cast<int>(pInfo->GetMinPage()),
                   static_cast<int>(std::min(pInfo->GetMaxPage(), 0xFFFFu)));
  return dialog.exec() == QDialog::Accepted ? TRUE : FALSE;
}

BOOL QxPrintSetup() {
  if (!PdfTarget().empty()) return TRUE;
  QPageSetupDialog dialog(&ChosenPrinter());
  return dialog.exec() == QDialog::Accepted ? TRUE : FALSE;
}

// ---- CPrinterDC -----------------------------------------------------------------------------

CPrinterDC::CPrinterDC() {
  m_bPrinting = TRUE;
}

CPrinterDC::~CPrinterDC() {
  if (m_painter) AbortDoc();
  DetachImage();
}

BOOL CPrinterDC::StartDoc(LPCSTR docName, bool preview) {
  if (m_printer) return FALSE;
  m_printer = PrinterForJob(docName);
  QPageLayout layout = m_printer->pageLayout();
  QRect paint = layout.paintRectPixels(kScreenDpi), full = layout.fullRectPixels(kScreenDpi);
  m_pageSize = SizeOf(paint);
  m_paperSize = SizeOf(full);
  m_paperOffset = CPoint(paint.left() - full.left(), paint.top() - full.top());
  m_preview = preview;
  m_previewPages.clear();
  if (!preview) {
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_printer.get())) {
      TRACE("Printing: the printer %s cannot be opened\n",
            m_printer->printerName().toLocal8Bit().constData());
      m_painter.reset();
      m_printer.reset();
      return FALSE;
    }
    // Keeps the page image's pixels exact in a PDF (no lossy compression).
    m_painter->setRenderHint(QPainter::LosslessImageRendering);
  }
  m_page = QImage(std::max(1, static_cast<int>(m_pageSize.cx)),
                  std::max(1, static_cast<int>(m_pageSize.cy)), QImage::Format_RGB32);
  m_page.fill(0xFFFFFFFFu);
  AttachImage(&m_page);
  return TRUE;
}

BOOL CPrinterDC::StartPage() {
  if (!m_printer || m_inPage) return FALSE;
  m_page.fill(0xFFFFFFFFu);
  m_inPage = true;
  return TRUE;
}

BOOL CPrinterDC::EndPage() {
  if (!m_printer || !m_inPage) return FALSE;
  m_inPage = false;
  if (m_preview) {
    m_previewPages.push_back(m_page.copy());
    return TRUE;
  }
  if (m_pagesPrinted > 0) m_printer->newPage();
  const double scale = m_printer->resolution() / static_cast<double>(kScreenDpi);
  m_painter->drawImage(QRectF(0, 0, m_page.width() * scale, m_page.height() * scale), m_page);
  ++m_pagesPrinted;
  return TRUE;
}

BOOL CPrinterDC::EndDoc() {
  if (!m_printer) return FALSE;
  if (m_inPage) EndPage();
  bool ok = true;
  if (m_painter) ok = m_painter->end();
  m_painter.reset();
  m_printer.reset();
  m_pagesPrinted = 0;
  return ok ? TRUE : FALSE;
}

void CPrinterDC::AbortDoc() {
  if (m_painter) {
    m_printer->abort();
    m_painter->end();
  }
  m_painter.reset();
  m_printer.reset();
  m_inPage = false;
  m_pagesPrinted = 0;
}

int CPrinterDC::GetDeviceCaps(int index) const {
  switch (index) {
    case TECHNOLOGY:
      return DT_RASPRINTER;
    case HORZRES:
      return m_pageSize.cx;
    case VERTRES:
      return m_pageSize.cy;
    case HORZSIZE:
      return static_cast<int>(std::lround(m_pageSize.cx * 25.4 / kScreenDpi));
    case VERTSIZE:
      return static_cast<int>(std::lround(m_pageSize.cy * 25.4 / kScreenDpi));
    case LOGPIXELSX:
    case LOGPIXELSY:
      return kScreenDpi;
    case PHYSICALWIDTH:
      return m_paperSize.cx;
    case PHYSICALHEIGHT:
      return m_paperSize.cy;
    case PHYSICALOFFSETX:
      return m_paperOffset.x;
    case PHYSICALOFFSETY:
      return m_paperOffset.y;
    default:
      return CDC::GetDeviceCaps(index);
  }
}

// ---- the view's job -------------------------------------------------------------------------

namespace {

BOOL RunJob(CView* view, CPrintInfo* pInfo, CPrinterDC& dc, bool preview) {
  CString title;
  if (CDocument* doc = view->GetDocument()) title = doc->GetTitle();
  if (!dc.StartDoc(title, preview)) return FALSE;
  view->OnBeginPrinting(&dc, pInfo);
  const bool lastKnown = pInfo->GetMaxPage() != 0xFFFF;
  const UINT last = lastKnown ? std::min(pInfo->GetMaxPage(), pInfo->GetMinPage() + kMaxPages - 1)
                              : pInfo->GetMinPage() + kMaxPages - 1;
  pInfo->m_bContinuePrinting = TRUE;
  for (UINT page = pInfo->GetMinPage(); page <= last; ++page) {
    pInfo->m_nCurPage = page;
    // Without a known last page the job ends after the first unless the view says otherwise.
    if (!lastKnown) pInfo->m_bContinuePrinting = page == pInfo->GetMinPage();
    view->OnPrepareDC(&dc, pInfo);
    if (!pInfo->m_bContinuePrinting) break;
    pInfo->m_rectDraw.SetRect(0, 0, dc.GetPageSize().cx, dc.GetPageSize().cy);
    dc.StartPage();
    view->OnPrint(&dc, pInfo);
    dc.EndPage();
  }
  view->OnEndPrinting(&dc, pInfo);
  return dc.EndDoc();
}

}  // namespace

BOOL QxPrintView(CView* view, CPrintInfo* pInfo) {
  if (!view || !pInfo) return FALSE;
  CPrinterDC dc;
  return RunJob(view, pInfo, dc, false);
}

std::vector<QImage> QxPreviewView(CView* view, CPrintInfo* pInfo) {
  if (!view || !pInfo) return {};
  CPrinterDC dc;
  if (!RunJob(view, pInfo, dc, true)) return {};
  return dc.PreviewPages();
}

namespace QxTest {

PrintToPdf::PrintToPdf(std::string path) {
  std::lock_guard<std::mutex> guard(g_pdfLock);
  m_previous = g_pdfPath;
  g_pdfPath = std::move(path);
}

PrintToPdf::~PrintToPdf() {
  std::lock_guard<std::mutex> guard(g_pdfLock);
  g_pdfPath = m_previous;
}

}  // namespace QxTest
