// Printing through page images at the screen's resolution (see Print.h).
#include "platform/ui/Print.h"

#include "platform/core/Debug.h"
#include "platform/testing/PrintHooks.h"
#include "platform/ui/WndInternal.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>

namespace {

constexpr int kScreenDpi = 96;
constexpr UINT kMaxPages = 1000;  // a view that never stops printing is cut off here

std::mutex g_pdfLock;
std::string g_pdfPath;                                    // the test hook's PDF target
std::optional<QxTest::PrintDialogChoice> g_dialogAnswer;  // the test hook's print dialog

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

// A fresh printer for one job, set up with everything print setup and the
// print dialog chose: the printer or the PDF file, the page layout and the copies.
std::unique_ptr<QPrinter> PrinterForJob(LPCSTR docName) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrinter& chosen = ChosenPrinter();
  std::string pdf = PdfTarget();
  if (!pdf.empty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
  } else if (chosen.outputFormat() == QPrinter::PdfFormat) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(chosen.outputFileName());
  } else {
    printer->setPrinterName(chosen.printerName());
  }
  printer->setPageLayout(chosen.pageLayout());
  printer->setCopyCount(chosen.copyCount());
  printer->setCollateCopies(chosen.collateCopies());
  printer->setDuplex(chosen.duplex());
  printer->setColorMode(chosen.colorMode());
  printer->setDocName(qxui::ToQt(docName));
  return printer;
}

// Sets the printer as the print dialog sets it for the user's choice.
void ApplyDialogChoice(QPrinter& printer, const QxTest::PrintDialogChoice& choice) {
  if (!choice.pdfFile.empty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(choice.pdfFile));
  }
  printer.setCopyCount(std::max(1, choice.copies));
  printer.setCollateCopies(choice.collate);
  if (choice.fromPage > 0) {
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(choice.fromPage, std::max(choice.fromPage, choice.toPage));
  } else {
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
  }
}

CSize SizeOf(const QRect& rect) {
  return CSize(rect.width(), rect.height());
}

}  // namespace

BOOL QxPreparePrinting(CPrintInfo* pInfo) {
  if (!pInfo) return FALSE;
  if (pInfo->m_bDirect || pInfo->m_bPreview || !PdfTarget().empty()) return TRUE;
  QPrinter& printer = ChosenPrinter();
  bool accepted = false;
  if (g_dialogAnswer) {
    ApplyDialogChoice(printer, *g_dialogAnswer);
    accepted = g_dialogAnswer->accept;
  } else {
    qxui::ModalEntry entry;
    QPrintDialog dialog(&printer);
    dialog.setMinMax(static_cast<int>(pInfo->GetMinPage()),
                     static_cast<int>(std::min(pInfo->GetMaxPage(), 0xFFFFu)));
    accepted = dialog.exec() == QDialog::Accepted;
  }
  if (!accepted) return FALSE;
  // The job prints the range the user chose, within the view's own.
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    pInfo->m_nFromPage = static_cast<UINT>(printer.fromPage());
    pInfo->m_nToPage = static_cast<UINT>(std::max(printer.fromPage(), printer.toPage()));
  } else {
    pInfo->m_nFromPage = pInfo->m_nToPage = 0;
  }
  return TRUE;
}

BOOL QxPrintSetup() {
  if (!PdfTarget().empty()) return TRUE;
  qxui::ModalEntry entry;
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

int CPrinterDC::CopiesToRepeat() const {
  if (!m_printer || m_preview || m_printer->supportsMultipleCopies()) return 1;
  return std::max(1, m_printer->copyCount());
}

bool CPrinterDC::CollateCopies() const {
  return !m_printer || m_printer->collateCopies();
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

// The last page a job may print: the view's, or the cut-off when it has none.
UINT LastPage(const CPrintInfo* pInfo, bool lastKnown) {
  UINT cutOff = pInfo->GetMinPage() + kMaxPages - 1;
  return lastKnown ? std::min(pInfo->GetMaxPage(), cutOff) : cutOff;
}

// Lets the view set the page up; false when it ends the job before this page.
bool PreparePage(CView* view, CPrintInfo* pInfo, CPrinterDC& dc, UINT page, bool lastKnown) {
  pInfo->m_nCurPage = page;
  // Without a known last page the job ends after the first unless the view says otherwise.
  if (!lastKnown) pInfo->m_bContinuePrinting = page == pInfo->GetMinPage();
  view->OnPrepareDC(&dc, pInfo);
  return pInfo->m_bContinuePrinting != FALSE;
}

void PrintPage(CView* view, CPrintInfo* pInfo, CPrinterDC& dc) {
  pInfo->m_rectDraw.SetRect(0, 0, dc.GetPageSize().cx, dc.GetPageSize().cy);
  dc.StartPage();
  view->OnPrint(&dc, pInfo);
  dc.EndPage();
}

BOOL StartJob(CView* view, CPrintInfo* pInfo, CPrinterDC& dc, bool preview) {
  CString title;
  if (CDocument* doc = view->GetDocument()) title = doc->GetTitle();
  if (!dc.StartDoc(title, preview)) return FALSE;
  view->OnBeginPrinting(&dc, pInfo);
  return TRUE;
}

BOOL RunJob(CView* view, CPrintInfo* pInfo, CPrinterDC& dc, bool preview) {
  if (!StartJob(view, pInfo, dc, preview)) return FALSE;
  const bool lastKnown = pInfo->GetMaxPage() != 0xFFFF;
  const UINT first = std::max(pInfo->GetFromPage(), pInfo->GetMinPage());
  const UINT last = std::min(LastPage(pInfo, lastKnown), pInfo->GetToPage());
  // Copies the printer cannot make are printed by the job: whole documents
  // one after another when collated, else each page as often.
  const int copies = dc.CopiesToRepeat();
  const bool collate = dc.CollateCopies();
  for (int copy = 0; copy < (collate ? copies : 1); ++copy) {
    pInfo->m_bContinuePrinting = TRUE;
    for (UINT page = first; page <= last; ++page) {
      if (!PreparePage(view, pInfo, dc, page, lastKnown)) break;
      for (int repeat = 0; repeat < (collate ? 1 : copies); ++repeat) PrintPage(view, pInfo, dc);
    }
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

// ---- the preview's job ----------------------------------------------------------------------

CQxPreviewJob::~CQxPreviewJob() {
  End();
}

BOOL CQxPreviewJob::Begin(CView* view, CPrintInfo* pInfo) {
  if (m_pView || !view || !pInfo) return FALSE;
  if (!StartJob(view, pInfo, m_dc, true)) return FALSE;
  m_pView = view;
  m_pInfo = pInfo;
  m_lastKnown = pInfo->GetMaxPage() != 0xFFFF;
  const UINT first = pInfo->GetMinPage(), last = LastPage(pInfo, m_lastKnown);
  m_nPages = last >= first ? last - first + 1 : 0;
  if (!m_lastKnown) {
    // Asks the view page by page how far its job goes, as printing would.
    UINT page = first;
    while (page <= last && PreparePage(view, pInfo, m_dc, page, false)) ++page;
    m_nPages = page - first;
  }
  return TRUE;
}

void CQxPreviewJob::End() {
  if (!m_pView) return;
  CView* view = m_pView;
  m_pView = nullptr;
  view->OnEndPrinting(&m_dc, m_pInfo);
  m_dc.EndDoc();
  m_pInfo = nullptr;
  m_nPages = 0;
}

QImage CQxPreviewJob::DrawPage(UINT index) {
  if (!m_pView || index >= m_nPages) return {};
  m_pInfo->m_bContinuePrinting = TRUE;
  if (PreparePage(m_pView, m_pInfo, m_dc, m_pInfo->GetMinPage() + index, m_lastKnown)) {
    PrintPage(m_pView, m_pInfo, m_dc);
    std::vector<QImage> pages = m_dc.TakePreviewPages();
    if (!pages.empty()) return pages.back();
  }
  QImage blank(std::max(1, static_cast<int>(GetPageSize().cx)),
               std::max(1, static_cast<int>(GetPageSize().cy)), QImage::Format_RGB32);
  blank.fill(0xFFFFFFFFu);
  return blank;
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

AnswerPrintDialog::AnswerPrintDialog(PrintDialogChoice choice) {
  g_dialogAnswer = std::move(choice);
}

AnswerPrintDialog::~AnswerPrintDialog() {
  g_dialogAnswer.reset();
  // Later jobs start from a printer the dialog has not touched.
  ApplyDialogChoice(ChosenPrinter(), PrintDialogChoice{});
  ChosenPrinter().setOutputFileName(QString());  // back to the native printer
}

}  // namespace QxTest
