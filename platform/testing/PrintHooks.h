#pragma once
// Test hooks of printing, the print preview and help.
#include "platform/core/Types.h"

#include <string>
#include <vector>

class CWnd;

namespace QxTest {

// While it lives, every print job goes to the PDF file without any dialog.
class PrintToPdf {
 public:
  explicit PrintToPdf(std::string path);
  ~PrintToPdf();
  PrintToPdf(const PrintToPdf&) = delete;
  PrintToPdf& operator=(const PrintToPdf&) = delete;

 private:
  std::string m_previous;
};

// What a user chooses in the print dialog. A PDF file name selects printing
// to that file; from and to select a page range (0: all pages).
struct PrintDialogChoice {
  bool accept = true;
  std::string pdfFile;
  int copies = 1;
  bool collate = true;
  int fromPage = 0;
  int toPage = 0;
};
// While it lives, the print dialog is not shown: its printer takes the
// choice as the dialog would set it, and the dialog returns accept.
class AnswerPrintDialog {
 public:
  explicit AnswerPrintDialog(PrintDialogChoice choice);
  ~AnswerPrintDialog();
  AnswerPrintDialog(const AnswerPrintDialog&) = delete;
  AnswerPrintDialog& operator=(const AnswerPrintDialog&) = delete;
};

// The print preview window opened last that is still open (see
// platform/ui/PrintPreview.h), or null.
CWnd* PreviewWindow();

// One call of the help system.
struct HelpCall {
  std::string file;  // the help file as asked for
  std::string path;  // where it was looked for
  UINT command = 0;
  DWORD_PTR data = 0;
  bool found = false;
};
// The calls since the last ClearHelpCalls.
std::vector<HelpCall> HelpCalls();
void ClearHelpCalls();

}  // namespace QxTest
