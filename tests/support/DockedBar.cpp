#include "tests/support/DockedBar.h"

#include "platform/testing/TestHooks.h"

#include <gtest/gtest.h>

namespace qxtest {

DockedBar::~DockedBar() {
  Destroy();
}

CMainFrame& DockedBar::MakeBars() {
  m_bars = std::make_unique<CMainFrame>();
  return *m_bars;
}

void DockedBar::Dock(CDialogBar& bar, UINT dialogId, UINT align, UINT barId, const CRect& rect) {
  m_bar = &bar;
  m_host = new CFrameWnd;
  ASSERT_TRUE(m_host->Create(nullptr, "Host", WS_OVERLAPPEDWINDOW, rect));
  m_host->EnableDocking(CBRS_ALIGN_ANY);
  ASSERT_TRUE(bar.Create(m_host, dialogId, align, barId));
  bar.EnableDocking(align);
  m_host->DockControlBar(&bar);
  m_host->RecalcLayout();
}

void DockedBar::Click(CPoint p) {
  QxTest::Click(m_bar, p);
  QxTest::PumpEvents();
}

void DockedBar::DoubleClick(CPoint p) {
  QxTest::DoubleClick(m_bar, p);
  QxTest::PumpEvents();
}

void DockedBar::Destroy() {
  if (m_host && m_host->GetSafeHwnd()) m_host->DestroyWindow();
  m_host = nullptr;
  m_bar = nullptr;
  m_bars.reset();
}

}  // namespace qxtest
