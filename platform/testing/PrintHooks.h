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
