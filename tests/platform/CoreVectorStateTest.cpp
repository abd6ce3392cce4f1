// The upper vector state: the clean itself, the drawing layer's calls that go
// through Qt's raster code, and message dispatch all hand over a clean state,
// so that the program's own scalar code and its libm calls never run mixed
// with AVX state left behind. Each case spoils the state first; where the
// state cannot be read the tests are skipped.
#include "platform/ui/Wnd.h"
#include "tests/support/Canvas.h"
#include "tests/support/VectorProbe.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using qxtest::Canvas;
using qxtest::QxUpperVectorStateDirty;

TEST(CoreVectorState, CleanClearsTheUpperHalves) {
  QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP();
  QxCleanVectorState();
  EXPECT_EQ(QxUpperVectorStateDirty(), false);
}

// Every drawing call that rasterizes through QPainter: filled and outlined
// shapes straight onto the surface, through coverage masks (XOR, wide pen),
// and text.
TEST(CoreVectorState, DrawingThroughQtHandsBackACleanState) {
  const struct {
    const char* name;
    std::function<void(CDC*)> draw;
  } rows[] = {
      {"filled ellipse", [](CDC* dc) { dc->Ellipse(5, 5, 60, 40); }},
      {"ellipse XORed",
       [](CDC* dc) {
         dc->SetROP2(R2_XORPEN);
         dc->Ellipse(5, 5, 60, 40);
       }},
      {"polygon",
       [](CDC* dc) {
         const POINT p[] = {{2, 2}, {70, 10}, {30, 45}};
         dc->Polygon(p, 3);
       }},
      {"wide line",
       [](CDC* dc) {
         CPen wide(PS_SOLID, 4, RGB(0, 0, 255));
         CPen* old = dc->SelectObject(&wide);
         dc->MoveTo(3, 3);
         dc->LineTo(70, 40);
         dc->SelectObject(old);
       }},
      {"text", [](CDC* dc) { dc->TextOut(4, 4, "1.5 dB", 6); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Canvas c(80, 50);
    QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP();
    row.draw(c.dc());
    EXPECT_EQ(QxUpperVectorStateDirty(), false);
    EXPECT_GT(c.Count(qxtest::kWhite), 0);
    EXPECT_LT(c.Count(qxtest::kWhite), 80 * 50) << "nothing was drawn";
  }
}

// A window that notes the state each message arrives in.
class CProbeWnd : public CWnd {
 public:
  std::optional<bool> dirtyAtArrival;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_USER + 1) dirtyAtArrival = QxUpperVectorStateDirty();
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

TEST(CoreVectorState, MessagesArriveClean) {
  CProbeWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, nullptr, "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  QX_SPOIL_UPPER_VECTOR_STATE_OR_SKIP();
  wnd.SendMessage(WM_USER + 1);
  EXPECT_EQ(wnd.dirtyAtArrival, false);
  wnd.DestroyWindow();
}

}  // namespace
