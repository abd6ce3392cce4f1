#pragma once
// The started program with its "ProcessView" bar, driven by real mouse
// events: pressing on the bar's items, moving and releasing over the popup
// that holds the capture (events go to the bar's window; the capture sends
// them on), and dropping on the diagram view. Trees are read as short texts.
#include "GlobalResources.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McKinds.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "diagrams/QorexView.h"
#include "editing/LeftBar.h"
#include "res/Sprites.h"
#include "search/SearchGlobals.h"
#include "tests/support/DesignRoundTrip.h"
#include "tests/support/DesktopInput.h"
#include "tests/support/QorexAppFixture.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <cstdio>
#include <string>

namespace pvtest {

// ---- trees as text ---------------------------------------------------------------------
// Numbers "%g"; variables name_subscript (Greek t and p as tau and pi); a sum
// "(a + b - c)", its plus-minus terms "+- x"; a product "a*b"; a division
// "{numerator}/{denominator}"; a power "a^b"; functions and floor as calls;
// "(a >= b)"; "[a <= t <= b]"; matrices "[a, b; c, d]". A node's own sign
// leads it ("-", "+-", "-+"), except a sum's terms, whose signs join them.
inline std::string Text(const CMcBasic* n);

inline const char* SignText(WORD flags) {
  static const char* const signs[] = {"", "-", "+-", "-+"};
  return signs[flags & 3];
}

// Built by appending: g++ 12 warns falsely (-Wrestrict) on "literal" + string
// once this is inlined.
inline std::string Body(const CMcBasic* n) {
  const McKindCode kind = McKindOf(n->GetType());
  auto child = [n](int i) { return Text(n->m_children[i]); };
  switch (kind) {
    case kMcReal: {
      char text[32];
      std::snprintf(text, sizeof text, "%g", static_cast<const CMcReal*>(n)->m_value);
      return text;
    }
    case kMcVariable: {
      const auto* v = static_cast<const CMcVariable*>(n);
      std::string name = v->GetVarName();
      if (v->m_flags & kMcVariant)
        name = name == "t" ? "tau" : name == "p" ? "pi" : "greek " + name;
      const std::string sub = v->GetSubscript();
      return sub.empty() ? name : name + "_" + sub;
    }
    case kMcFunction: {
      const auto* f = static_cast<const CMcFunction*>(n);
      const std::string sub = f->GetSubscript();
      return f->GetFunctionName() + (sub.empty() ? "" : "_" + sub) + "(" + child(0) + ")";
    }
    case kMcOperator:
      return (static_cast<const CMcOperator*>(n)->GetCode() == CMcOperator::kFloor ? "floor("
                                                                                   : "op(") +
             child(0) + ")";
    case kMcListsum: {
      std::string s = "(";
      for (int i = 0; i < n->m_count; ++i) {
        const CMcBasic* term = n->m_children[i];
        const std::string sign = SignText(term->m_flags);
        if (i > 0)
          s += sign.empty() ? " + " : " " + sign + " ";
        else
          s += sign;
        s += Body(term);
      }
      return s + ")";
    }
    case kMcListmult: {
      std::string s;
      for (int i = 0; i < n->m_count; ++i) {
        if (i > 0) s += "*";
        s += child(i);
      }
      return s;
    }
    case kMcDivision:
      return std::string("{").append(child(0)).append("}/{").append(child(1)).append("}");
    case kMcPower:
      return child(0) + "^" + child(1);
    case kMcEquality:
      return std::string("(")
          .append(child(0))
          .append(static_cast<const CMcEquality*>(n)->RelationCode() == kMcRelGreaterOrEqual
                      ? " >= "
                      : " ? ")
          .append(child(1))
          .append(")");
    case kMcDomain:
      return std::string("[")
          .append(child(1))
          .append(" <= ")
          .append(child(0))
          .append(" <= ")
          .append(child(2))
          .append("]");
    case kMcMatrix: {
      const int columns = static_cast<const CMcMatrix*>(n)->GetColumns();
      std::string s = "[";
      for (int i = 0; i < n->m_count; ++i)
        s += (i == 0 ? "" : i % columns == 0 ? "; " : ", ") + child(i);
      return s + "]";
    }
    default:
      return "?";
  }
}

inline std::string Text(const CMcBasic* n) {
  return SignText(n->m_flags) + Body(n);
}

// ---- pixels --------------------------------------------------------------------------------

inline QRgb SheetRgb(int x, int y) {
  const COLORREF c = SpriteSheetPixel(x, y);
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF;
}

// Whether the image shows the sprite tile with its top-left corner at `at`.
inline bool ShowsTile(const QImage& image, QPoint at, const SpriteTile& tile) {
  for (int y = 0; y < tile.cy; ++y)
    for (int x = 0; x < tile.cx; ++x)
      if ((image.pixel(at.x() + x, at.y() + y) & 0xFFFFFF) != SheetRgb(tile.x + x, tile.y + y))
        return false;
  return true;
}

// The centre of the closed-loop glyphs' ink in the view's image.
inline QPointF ClosedLoopInk(const QImage& image) {
  const COLORREF ink = kSpriteGroupInk[kSpriteClosedLoopGroup];
  const QRgb want = qRgb(GetRValue(ink), GetGValue(ink), GetBValue(ink)) & 0xFFFFFF;
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == want) {
        sx += x;
        sy += y;
        ++n;
      }
  return n ? QPointF(sx / n, sy / n) : QPointF(-1, -1);
}

// ---- the program -----------------------------------------------------------------------------

class ProcessView : public ::testing::Test {
 protected:
  void SetUp() override {
    m_app = MakeApp();
    m_app->SetCommandLine({});
    ASSERT_TRUE(qxtest::StartApplication(*m_app));
    CSplash::HideSplashScreen();
    QxTest::PumpUntilIdle();
    ASSERT_NE(Doc(), nullptr);
    // Room for the root locus around a new design's origin (400, 200).
    Frame()->MoveWindow(0, 0, 1024, 768);
    QxTest::PumpUntilIdle();
    CRect view;
    View()->GetClientRect(&view);
    ASSERT_TRUE(view.PtInRect(Doc()->m_ptRlOrigin + CSize(150, 100)));
    if (qxtest::OnRealWindowSystem()) {
      // A window manager gives a window it has just mapped the keyboard in its
      // own time, also after a test has activated another one (a floating
      // bar): a test begins once it has handled the mapping. (Activating the
      // main window from here would let it raise that alone, over the
      // floating bars the program keeps above it.)
      QWidget* main = Frame()->GetWidget()->window();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(main->windowHandle(), qxtest::kXEventBoundMs))
          << "the main window was never shown";
      ASSERT_TRUE(qxtest::WindowManagerCaughtUp());
    }
  }
  void TearDown() override {
    // Whatever the bar's choices made of the design, it opens again.
    if (Doc() != nullptr) {
      for (const CMXC_BIN* list : {&Doc()->m_models, &Doc()->m_signals})
        EXPECT_EQ(qxtest::ListRoundTripFault(*list), "");
    }
    g_wStatus.store(0);
    g_pWorkerThread.store(nullptr);
    qxtest::StopApplication(*m_app);
  }
  virtual std::unique_ptr<CQorexApp> MakeApp() { return std::make_unique<CQorexApp>(); }

  CMainFrame* Frame() const { return static_cast<CMainFrame*>(m_app->m_pMainWnd); }
  CLeftBar& Bar() const { return Frame()->m_wndLeftBar; }
  CQorexDoc* Doc() const { return ActiveDocOf(*m_app); }
  CQorexView* View() const {
    CMDIChildWnd* child = Frame()->MDIGetActive();
    return child ? static_cast<CQorexView*>(child->GetActiveView()) : nullptr;
  }
  CMcBasic* Model(int i) const { return Doc()->m_models.GetAt(i)->m_children[1]; }
  CMcBasic* Signal(int i) const { return Doc()->m_signals.GetAt(i)->m_children[1]; }
  std::string ModelText(int i) const { return Text(Model(i)); }
  std::string SignalText(int i) const { return Text(Signal(i)); }
  // Gives model i a new right side and recalculates, as an edit would.
  void SetModel(int i, CMcBasic* rhs) {
    delete Doc()->m_models.GetAt(i)->SetChildAt(rhs, 1);
    Doc()->UpdateUsedVariables();
    Doc()->Recalculate();
    Doc()->UpdateAll();
    Doc()->SetModifiedFlag(FALSE);
  }

  // Bar client points of the items (positions inside the diagram plus 10).
  static CPoint BlockCentre(int i) {
    return CPoint(kLoopBlockPos[i].x + 19, kLoopBlockPos[i].y + 19);
  }
  static CPoint BlockCorner(int i) {
    return CPoint(kLoopBlockPos[i].x + 26, kLoopBlockPos[i].y + 26);
  }
  static CPoint SourceCentre(int i) {
    return CPoint(kLoopSourcePos[i].x + 10, kLoopSourcePos[i].y + 10);
  }
  static CPoint ToggleCentre(int i) {
    return CPoint(kLoopTogglePos[i].x + 10, kLoopTogglePos[i].y + 10);
  }
  static CPoint ButtonCentre(int i) {
    return CPoint(kLoopButtonPos[i].x + 19, kLoopButtonPos[i].y + 19);
  }

  // A point of another window in the bar's client coordinates, where a
  // real pointer over that window would be.
  CPoint OnBar(CWnd* wnd, CPoint client) const {
    wnd->ClientToScreen(&client);
    Bar().ScreenToClient(&client);
    return client;
  }
  void Press(CPoint bar) { QxTest::MouseDown(&Bar(), bar); }
  void Release(CPoint bar) { QxTest::MouseUp(&Bar(), bar); }
  void Move(CPoint bar) { QxTest::MouseMove(&Bar(), bar); }
  void Click(CPoint bar) {
    Press(bar);
    Release(bar);
    QxTest::PumpUntilIdle();
  }
  // Over the open popup: a point of its client area.
  void MoveOver(CWnd& popup, CPoint client) { Move(OnBar(&popup, client)); }
  void ReleaseOver(CWnd& popup, CPoint client) {
    Release(OnBar(&popup, client));
    QxTest::PumpUntilIdle();
  }

  // Presses block `model`, releases on zone `zone` of element (row, col).
  void PickElement(int model, int row, int col, int zone) {
    static const CPoint kZonePoint[] = {{}, {2, 2}, {2, 10}, {2, 18}, {15, 3}, {15, 15}};
    Press(BlockCentre(model));
    CPZMxWnd& popup = Bar().m_wndElementPopup;
    ASSERT_TRUE(IsWindow(popup.GetSafeHwnd()));
    const CPoint p = CPoint(col * 23, row * 23) + kZonePoint[zone];
    MoveOver(popup, p);
    ReleaseOver(popup, p);
  }
  // Drags a new zero (zone 4) or pole (zone 5) of element (row, col) of
  // the model and drops it at a pixel of the view's client area.
  void DropRoot(int model, int row, int col, bool pole, CPoint viewPixel) {
    PickElement(model, row, col, pole ? 5 : 4);
    ASSERT_EQ(CWnd::GetCapture(), &Bar().m_wndElementPopup);
    QxTest::MouseDown(View(), viewPixel);
    QxTest::PumpUntilIdle();
  }
  // The view pixel of s in the root locus of the design.
  CPoint LocusPixel(double re, double im) const {
    const CQorexDoc* d = Doc();
    return CPoint(d->m_ptRlOrigin.x + static_cast<int>(std::trunc(re * d->m_dRlScaleX)),
                  d->m_ptRlOrigin.y - static_cast<int>(std::trunc(im * d->m_dRlScaleY)));
  }

  std::unique_ptr<CQorexApp> m_app;
};

}  // namespace pvtest
