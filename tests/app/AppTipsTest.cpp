// The hover tip: its picture (pattern ground, glyphs combined over it, the
// lines' texts) and how clicks, keys and mouse moves end it.
#include "AppTestSupport.h"
#include "GlobalResources.h"
#include "Tips.h"
#include "res/Sprites.h"

#include <vector>

namespace {

// A window under the tip that records the clicks reaching it.
class CClickTarget : public CWnd {
 public:
  std::vector<std::pair<UINT, CPoint>> m_clicks;

 protected:
  void OnLButtonDown(UINT, CPoint point) { m_clicks.emplace_back(WM_LBUTTONDOWN, point); }
  void OnRButtonDown(UINT, CPoint point) { m_clicks.emplace_back(WM_RBUTTONDOWN, point); }
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
  void OpenTip(int lines) {
    m_tips.m_nLines = lines;
    for (int i = 0; i < lines; ++i) {
      m_tips.m_strLines[i].Format("root %d", i);
      m_tips.m_wSymbols[i] = static_cast<WORD>(i % 2 ? 2 : 0x8002);
    }
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

TEST_F(HoverTips, GlyphsCombineOverTheGroundAtTheirRows) {
  OpenTip(0);
  const QImage ground = PaintedTip();
  m_tips.m_nLines = 3;
  m_tips.m_wSymbols[0] = 0x8002;  // a pole of group 2
  m_tips.m_wSymbols[1] = 2;       // a zero of group 2
  m_tips.m_wSymbols[2] = 0x8006;  // a closed-loop pole
  const QImage tip = PaintedTip();
  const CPoint sources[] = {CPoint(0, 14), CPoint(7, 14), CPoint(0, 42)};
  for (int line = 0; line < 3; ++line) {
    for (int dy = 0; dy < kSpriteGlyphSize; ++dy) {
      for (int dx = 0; dx < kSpriteGlyphSize; ++dx) {
        const COLORREF glyph = SpriteSheetPixel(sources[line].x + dx, sources[line].y + dy);
        const QRgb under = ground.pixel(2 + dx, 10 * line + 2 + dy);
        const QRgb seen = tip.pixel(2 + dx, 10 * line + 2 + dy);
        ASSERT_EQ(qRed(seen), qRed(under) & GetRValue(glyph)) << line << ":" << dx << "," << dy;
        ASSERT_EQ(qGreen(seen), qGreen(under) & GetGValue(glyph));
        ASSERT_EQ(qBlue(seen), qBlue(under) & GetBValue(glyph));
      }
    }
  }
}

// A left click closes the tip and reaches the diagram below; a right click,
// a key or the fourth mouse move only close it.
TEST_F(HoverTips, ClicksKeysAndMovesCloseIt) {
  OpenTip(2);
  QxTest::Click(&m_tips, CPoint(5, 6));
  QxTest::PumpEvents();
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  ASSERT_EQ(m_target.m_clicks.size(), 1u);
  EXPECT_EQ(m_target.m_clicks[0], std::make_pair(UINT(WM_LBUTTONDOWN), CPoint(45, 36)));

  OpenTip(1);
  QxTest::Click(&m_tips, CPoint(5, 6), QxTest::Button::Right);
  QxTest::PumpEvents();
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  EXPECT_EQ(m_target.m_clicks.size(), 1u);
  OpenTip(1);
  m_tips.SendMessage(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
  OpenTip(1);
  for (int move = 1; move <= 4; ++move) {
    EXPECT_NE(m_tips.GetSafeHwnd(), nullptr) << move;
    m_tips.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(move, move));
  }
  EXPECT_EQ(m_tips.GetSafeHwnd(), nullptr);
}
