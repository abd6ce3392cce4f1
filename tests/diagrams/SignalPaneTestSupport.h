#pragma once
// The started program with its "SimulationView" bar at a fixed size, and the
// pixels of the signal panes.
#include "GlobalResources.h"
#include "diagrams/OutputBar.h"
#include "diagrams/ZevSIGWnd.h"
#include "tests/support/QorexAppFixture.h"

#include <QImage>

namespace qxsigtest {

// Pixels as 0xRRGGBB.
constexpr QRgb kCommandBlue = 0x000096;  // RGB(0, 0, 150)
constexpr QRgb kOutputGreen = 0x009600;  // RGB(0, 150, 0), also the end marker
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kBlack = 0x000000;

inline QRgb At(const QImage& image, int x, int y) {
  return image.valid(x, y) ? image.pixel(x, y) & 0xFFFFFF : 0xFFFFFFFFu;
}

// The main window 1000 pixels wide, the bar 200 pixels high.
class SignalPanes : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    if (HasFatalFailure()) return;
    Frame()->MoveWindow(0, 0, 1000, 700);
    SetBarHeight(200);
  }
  void TearDown() override {
    g_nOutputBarHeight = 145;
    QorexAppTest::TearDown();
  }

  COutputBar& Bar() const { return Frame()->m_wndOutputBar; }
  CZevSIGWnd& Pane(int i = 0) const { return *Bar().GetPane(i); }
  CQorexDoc& Doc() const { return *ActiveDoc(); }
  void SetBarHeight(int height) {
    g_nOutputBarHeight = height;
    Frame()->RecalcLayout();
    QxTest::PumpUntilIdle();
  }
  // The design's road of a change, then what the pane shows.
  void Change() {
    Doc().Recalculate();
    Doc().UpdateAll();
    QxTest::PumpUntilIdle();
  }
  QImage Image(int i = 0) {
    QxTest::PumpUntilIdle();
    return QxTest::ClientImage(&Pane(i));
  }
};

}  // namespace qxsigtest
