// The hover tip: its glyphs combined over the pattern ground, and how clicks,
// keys and mouse moves end it.
#include "tests/support/QorexAppFixture.h"
#include "GlobalResources.h"
#include "Tips.h"
#include "res/Sprites.h"

#include <vector>

namespace {

// A window under the tip that records the button presses reaching it.
class CClickTarget : public CWnd {
 public:
  std::vector<CPoint> m_clicks;

 protected:
  void OnLButtonDown(UINT, CPoint point) { m_clicks.push_back(point); }
  void OnRButtonDown(UINT, CPoint point) { m_clicks.push_back(point); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CClickTarget, CWnd)
ON_WM_LBUTTONDOWN()
ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

class HoverTips : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    ASSERT_TRUE(m_target.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200),
                                Frame()->MDIGetActive()->GetActiveView(), 1));
  }
  void TearDown() override {
    if (m_tips.GetSafeHwnd()) m_tips.DestroyWindow();
    m_target.DestroyWindow();
    QorexAppTest::TearDown();
  }
  void OpenTip() {
    ASSERT_TRUE(m_tips.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(40, 30, 140, 70),
                              &m_target, 2));
    QxTest::PumpEvents();
  }
  QImage PaintedTip() {
    CClientDC dc(&m_tips);
    m_tips.Paint(&dc);
    return QxTest::ClientImage(&m_tips);
  }

  CClickTarget m_target;
  CTips m_tips;
};

}  // namespace

// Line i shows its root's glyph at (2, 10 i + 2), ANDed over the ground.
TEST_F(HoverTips, GlyphsCombineOverTheGroundAtTheirRows) {
  OpenTip();
  const QImage ground = PaintedTip();
  m_tips.m_nLines = 2;
  m_tips.m_wSymbols[0] = 0x8002;  // a pole of group 2: sheet (0, 14)
  m_tips.m_wSymbols[1] = 6;       // a transmission zero: sheet (7, 42)
  const QImage tip = PaintedTip();
  const CPoint sources[] = {CPoint(0, 14), CPoint(7, 42)};
  for (int line = 0; line < 2; ++line)
    for (int dy = 0; dy < kSpriteGlyphSize; ++dy)
      for (int dx = 0; dx < kSpriteGlyphSize; ++dx) {
        const COLORREF glyph = SpriteSheetPixel(sources[line].x + dx, sources[line].y + dy);
        const QRgb under = ground.pixel(2 + dx, 10 * line + 2 + dy);
        const QRgb expected = qRgb(qRed(under) & GetRValue(glyph), qGreen(under) & GetGValue(glyph),
                                   qBlue(under) & GetBValue(glyph));
        ASSERT_EQ(tip.pixel(2 + dx, 10 * line + 2 + dy), expected)
            << line << ":" << dx << "," << dy;
      }
}

// A left click closes the tip and reaches the diagram below where it was; a
// right click, a key or the fourth mouse move only close it.
TEST_F(HoverTips, ClicksKeysAndMovesCloseIt) {
  OpenTip();
  QxTest::Click(&m_tips, CPoint(5, 6));
  QxTest::PumpEvents();
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_target.m_clicks, std::vector<CPoint>{CPoint(45, 36)});
  OpenTip();
  QxTest::Click(&m_tips, CPoint(5, 6), QxTest::Button::Right);
  QxTest::PumpEvents();
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_target.m_clicks.size(), 1u);
  OpenTip();
  m_tips.SendMessage(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  OpenTip();
  for (int move = 1; move <= 4; ++move) {
    EXPECT_NE(m_tips.GetSafeHwnd(), nullptr) << move;
    m_tips.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(move, move));
  }
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
}
