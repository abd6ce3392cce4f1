#pragma once
// One of the program's bars docked in a small frame of its own, never shown
// unless a test shows it: the bars as objects of a main frame whose window
// is never made, and only the bar under test made.
#include "MainFrm.h"
#include "platform/ui/ControlBar.h"
#include "platform/ui/FrameWnd.h"

#include <memory>

namespace qxtest {

class DockedBar {
 public:
  DockedBar() = default;
  DockedBar(const DockedBar&) = delete;
  DockedBar& operator=(const DockedBar&) = delete;
  ~DockedBar();

  // The program's bars as objects; the bar a test docks is one of them.
  CMainFrame& MakeBars();
  CMainFrame& Bars() const { return *m_bars; }
  // Makes `bar` (one of Bars()') from its template `dialogId` as bar `barId`,
  // docked along `align` of a host frame `rect` large, and lays the host out.
  void Dock(CDialogBar& bar, UINT dialogId, UINT align, UINT barId, const CRect& rect);
  CFrameWnd* Host() const { return m_host; }
  // A click and a double click on the docked bar at `p` (its client
  // coordinates), each followed by the delivery of what it brought about.
  void Click(CPoint p);
  void DoubleClick(CPoint p);
  // Destroys the host (it deletes itself with its window), then the bars.
  void Destroy();

 private:
  std::unique_ptr<CMainFrame> m_bars;
  CFrameWnd* m_host = nullptr;  // deleted with its window
  CDialogBar* m_bar = nullptr;  // the one docked
};

}  // namespace qxtest
