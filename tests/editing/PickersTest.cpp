// The "ProcessView" pickers and what their choices make of the design: the
// element picker's three settings and its pole and zero drops on the root
// locus, the size picker's grid, and the signal picker's test shapes, each
// driven by real mouse events on the started program.
#include "tests/editing/ProcessViewTestSupport.h"

#include "platform/core/Debug.h"
#include "simulation/SIMsystem.h"
#include "tests/support/Canvas.h"
#include "tests/support/TreeBuilders.h"

#include <algorithm>
#include <complex>
#include <vector>

namespace {

using namespace pvtest;
using namespace qxtest::trees;

class Pickers : public ProcessView {
 protected:
  // The value, minimum and maximum of a variable, all -1 when it is missing.
  struct Entry {
    double value = -1, min = -1, max = -1;
    bool operator==(const Entry&) const = default;
  };
  Entry Var(const char* name, const char* subscript, WORD style = 0) const {
    const CVARvalues& v = Doc()->m_vars;
    const int i = v.Find(name, subscript, style);
    return i < 0 ? Entry{} : Entry{v.m_pValue[i], v.m_pMin[i], v.m_pMax[i]};
  }
  // Whether the picture's field shows exactly the text drawn at `at` in the
  // pickers' font on the light grey.
  static bool ShowsText(const QImage& image, QRect field, QPoint at, const char* text,
                        COLORREF color = RGB(0, 0, 0)) {
    qxtest::Canvas canvas(image.width(), image.height(), RGB(192, 192, 192));
    CFont* old = canvas.dc()->SelectObject(g_pFontArial12);
    canvas.dc()->SetBkMode(TRANSPARENT);
    canvas.dc()->SetTextColor(color);
    canvas.dc()->TextOut(at.x(), at.y(), CString(text));
    canvas.dc()->SelectObject(old);
    bool ink = false;
    for (int y = field.top(); y <= field.bottom(); ++y) {
      for (int x = field.left(); x <= field.right(); ++x) {
        const QRgb want = canvas.Image().pixel(x, y) & 0xFFFFFF;
        if ((image.pixel(x, y) & 0xFFFFFF) != want) return false;
        ink = ink || want != 0xC0C0C0;
      }
    }
    return ink;
  }
  // Presses the corner of model i and releases at a point of the size
  // picker's client area.
  void PickSize(int model, CPoint client, bool release = true) {
    Press(BlockCorner(model));
    CSizeMxWnd& popup = Bar().m_wndSizePopup;
    ASSERT_TRUE(IsWindow(popup.GetSafeHwnd()));
    EXPECT_FALSE(popup.IsWindowVisible());
    MoveOver(popup, client);
    if (release) ReleaseOver(popup, client);
  }
  // Presses signal source i and releases on icon `kind` of row `row`.
  void PickSignal(int source, int row, int kind) {
    Press(SourceCentre(source));
    CSigSetWnd& popup = Bar().m_wndSignalPopup;
    ASSERT_TRUE(IsWindow(popup.GetSafeHwnd()));
    const CPoint p(6 + 12 * (kind % 3), 24 * row + 6 + 12 * (kind / 3));
    MoveOver(popup, p);
    ReleaseOver(popup, p);
  }
  // Roots of a transfer function in ascending real part, then imaginary part.
  static std::vector<std::complex<double>> Roots(const std::vector<McComplex>& roots, int count) {
    std::vector<std::complex<double>> r;
    for (int i = 1; i < count; ++i) r.emplace_back(roots[i].re, roots[i].im);
    std::sort(r.begin(), r.end(), [](auto a, auto b) {
      return a.real() != b.real() ? a.real() < b.real() : a.imag() < b.imag();
    });
    return r;
  }
  static void ExpectRoots(const std::vector<std::complex<double>>& got,
                          const std::vector<std::complex<double>>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(std::abs(got[i] - want[i]), 0, 1e-9) << i;
  }
  // Model i's transfer function as typed (the loop keeps its blocks in the
  // form the simulation steps).
  CSIMtrnfn Tf(int model) const {
    CSIMtrnfn tf;
    tf.FromExpr(Doc(), Model(model));
    return tf;
  }
  // Expects a drop that changed nothing but beeped.
  void ExpectRefusedDrop(const std::string& before) {
    EXPECT_NE(QxDebugOutput().find("MessageBeep"), std::string::npos);
    EXPECT_EQ(ModelText(kModelG), before);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
  }
};

}  // namespace

// ---- element picker -----------------------------------------------------------------------

TEST_F(Pickers, ElementZonesSetZeroOneOrAFreshVariable) {
  // Each tree is handed to the model in turn.
  const struct {
    CMcBasic* tree;
    int zone;
    const char* after;
  } rows[] = {
      {Real(2), 1, "0"},
      {Real(2), 2, "1"},
      {Real(2), 3, "g_11"},
      {Prod({Real(2), S()}), 3, "g_11*2*s"},
      {Div(Real(1), Sum({S(), Real(1)})), 3, "{g_11}/{(s + 1)}"},
      {Div(Prod({Real(2), S()}), Sum({S(), Real(1)})), 3, "{g_11*2*s}/{(s + 1)}"},
      // Another numerator, and another element, hand their signs to the product.
      {Div(Sum({S(), Real(2)}, 1), Sum({S(), Real(1)})), 3, "{-g_11*(s + 2)}/{(s + 1)}"},
      {Sum({S(), Real(2)}, 1), 3, "-g_11*(s + 2)"},
      {Pow(S(), Real(2), 2), 3, "+-g_11*s^2"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    SetModel(kModelG, row.tree);
    PickElement(kModelG, 0, 0, row.zone);
    EXPECT_EQ(ModelText(kModelG), row.after);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_FALSE(IsWindow(Bar().m_wndElementPopup.GetSafeHwnd()));
  }
  EXPECT_EQ(Var("g", "11"), (Entry{1, -10, 10}));
}

TEST_F(Pickers, TheElementPickerNamesTheHoveredCellAndItsVariable) {
  SetModel(kModelG, Matrix(2, {Real(1), Real(0), Real(0), Real(1)}));
  Press(BlockCentre(kModelG));
  CPZMxWnd& popup = Bar().m_wndElementPopup;
  ASSERT_TRUE(IsWindow(popup.GetSafeHwnd()));
  CRect client;
  popup.GetClientRect(&client);
  EXPECT_EQ(client.Size(), CSize(2 * 23 - 1, 2 * 23 + 13));
  const int h = client.Height();
  MoveOver(popup, {2, 23 + 18});  // row 2, column 1, the variable's zone
  QImage image = QxTest::ClientImage(&popup);
  EXPECT_TRUE(ShowsText(image, QRect(1, h - 12, client.Width() - 2, 11), {2, h - 13}, "(2,1)"));
  EXPECT_TRUE(ShowsTile(image, {0, 23}, SpriteElementCell(3)));
  const SpriteTile plain = SpriteElementCell(0);
  EXPECT_TRUE(ShowsTile(image, {23, 0}, {plain.x, plain.y, 22, 23}));  // its last column is cut
  ReleaseOver(popup, {2, 23 + 18});
  EXPECT_EQ(ModelText(kModelG), "[1, 0; g_21, 1]");
}

TEST_F(Pickers, ReleasingOutsideOrLosingTheFocusClosesThePickerWithNoChange) {
  const std::string before = ModelText(kModelG);
  Press(BlockCentre(kModelG));
  CPZMxWnd& popup = Bar().m_wndElementPopup;
  ReleaseOver(popup, {30, 5});  // right of the only cell
  EXPECT_FALSE(IsWindow(popup.GetSafeHwnd()));
  Press(BlockCentre(kModelG));
  ASSERT_EQ(QxTest::Focus(), &popup);
  View()->SetFocus();
  QxTest::PumpUntilIdle();
  EXPECT_FALSE(IsWindow(popup.GetSafeHwnd()));
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
  EXPECT_EQ(ModelText(kModelG), before);
  EXPECT_FALSE(Doc()->IsModified());
}

// Each picker takes the focus while it is open; closed by a release outside
// its choices, it hands the focus back to the window that had it.
TEST_F(Pickers, ClosedByAReleaseOutsideThePickerGivesTheFocusBack) {
  struct Row {
    const char* name;
    CPoint press;
    CWnd* popup;
    CPoint release;  // in the picker's client
  };
  const Row rows[] = {
      {"element picker", BlockCentre(kModelG), &Bar().m_wndElementPopup, {30, 5}},
      {"size picker", BlockCorner(kModelG), &Bar().m_wndSizePopup, {260, 20}},
      {"signal picker", SourceCentre(0), &Bar().m_wndSignalPopup, {200, 200}},
  };
  const std::string before = ModelText(kModelG);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    View()->SetFocus();
    QxTest::PumpUntilIdle();
    ASSERT_EQ(QxTest::Focus(), View());
    Press(row.press);
    ASSERT_TRUE(IsWindow(row.popup->GetSafeHwnd()));
    EXPECT_EQ(QxTest::Focus(), row.popup);
    ReleaseOver(*row.popup, row.release);
    QxTest::PumpUntilIdle();
    EXPECT_FALSE(IsWindow(row.popup->GetSafeHwnd()));
    EXPECT_EQ(QxTest::Focus(), View());
  }
  EXPECT_EQ(ModelText(kModelG), before);
  EXPECT_FALSE(Doc()->IsModified());
}

// ---- pole and zero drops ----------------------------------------------------------------------

TEST_F(Pickers, APoleDroppedAtAComplexPointAddsThePairAndKeepsTheStaticGain) {
  DropRoot(kModelG, 0, 0, true, LocusPixel(-2, 1));
  EXPECT_EQ(ModelText(kModelG), "{(p_11G1^2 + p_11G1j^2)}/{(s + 1)*(s + p_11G1 +- j*p_11G1j)}");
  EXPECT_EQ(Var("p", "11G1").value, 2);
  EXPECT_EQ(Var("p", "11G1j").value, 1);
  const CSIMtrnfn g = Tf(kModelG);
  ExpectRoots(Roots(g.m_poles, g.m_nDen), {{-2, -1}, {-2, 1}, {-1, 0}});
  // The value at s = 0 stays 1: the numerator took a^2 + b^2 = 5.
  EXPECT_NEAR(g.m_num[0], 5, 1e-12);
  EXPECT_NEAR(g.m_den[0], 5, 1e-12);
  EXPECT_TRUE(Doc()->IsModified());
}

// A real pole at -3 on elements of every form: the factor joins the
// denominator and the numerator takes the gain factor p, signs kept.
TEST_F(Pickers, APoleJoinsTheDenominatorOfEveryForm) {
  const struct {
    CMcBasic* tree;
    const char* after;
  } rows[] = {
      {Div(Real(1), Sum({S(), Real(1)})), "{p_11G1}/{(s + 1)*(s + p_11G1)}"},
      {Div(Real(-1), Sum({S(), Real(1)})), "{-p_11G1}/{(s + 1)*(s + p_11G1)}"},
      {Div(Prod({Real(2), Sum({S(), Real(2)})}), Prod({Sum({S(), Real(1)}), S()})),
       "{2*(s + 2)*p_11G1}/{(s + 1)*s*(s + p_11G1)}"},
      {Div(Sum({S(), Real(2)}), Sum({S(), Real(1)})), "{(s + 2)*p_11G1}/{(s + 1)*(s + p_11G1)}"},
      {Real(0), "{p_11G1}/{(s + p_11G1)}"},
      {Real(-2), "-{2*p_11G1}/{(s + p_11G1)}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    SetModel(kModelG, row.tree);
    DropRoot(kModelG, 0, 0, true, LocusPixel(-3, 0));
    EXPECT_EQ(ModelText(kModelG), row.after);
    EXPECT_EQ(Var("p", "11G1").value, 3);
  }
}

TEST_F(Pickers, DropsNearTheAxesSnapOntoThem) {
  const int entries = Doc()->m_vars.m_nCount;
  DropRoot(kModelK, 0, 0, true, LocusPixel(0, 0) + CSize(2, -3));
  EXPECT_EQ(ModelText(kModelK), "{1}/{s}");  // an integrator, no new variable
  EXPECT_EQ(Doc()->m_vars.m_nCount, entries);
  SetModel(kModelK, Real(1));
  DropRoot(kModelK, 0, 0, true, LocusPixel(-3, 0) + CSize(0, 3));
  EXPECT_EQ(ModelText(kModelK), "{p_11K1}/{(s + p_11K1)}");
  EXPECT_EQ(Var("p", "11K1").value, 3);
  EXPECT_EQ(Var("p", "11K1j").value, 0);  // the pair is taken all the same
}

TEST_F(Pickers, ZerosAddPolesAtTheOriginWhereTheElementNeedsThem) {
  DropRoot(kModelK, 0, 0, false, LocusPixel(-2, 0));
  EXPECT_EQ(ModelText(kModelK), "{(s + z_11K1)}/{s}");
  EXPECT_EQ(Var("z", "11K1").value, 2);
  const CSIMtrnfn k = Tf(kModelK);
  ExpectRoots(Roots(k.m_zeros, k.m_nNum), {{-2, 0}});
  ExpectRoots(Roots(k.m_poles, k.m_nDen), {{0, 0}});
  SetModel(kModelK, Real(1));
  DropRoot(kModelK, 0, 0, false, LocusPixel(-2, 1));
  EXPECT_EQ(ModelText(kModelK), "{(s + z_11K1 +- j*z_11K1j)}/{s^2}");
}

// A division proper enough for the new zero takes it in its numerator: a 1
// becomes the zero's factor, another numerator is multiplied by it and
// hands its sign on.
TEST_F(Pickers, AProperDivisionTakesTheZeroInItsNumerator) {
  DropRoot(kModelG, 0, 0, false, LocusPixel(-3, 0));
  EXPECT_EQ(ModelText(kModelG), "{(s + z_11G1)}/{(s + 1)}");
  const CSIMtrnfn g = Tf(kModelG);
  ExpectRoots(Roots(g.m_zeros, g.m_nNum), {{-3, 0}});
  ExpectRoots(Roots(g.m_poles, g.m_nDen), {{-1, 0}});
  SetModel(kModelG, Div(Real(-2), Sum({S(), Real(1)})));
  DropRoot(kModelG, 0, 0, false, LocusPixel(-3, 0));
  EXPECT_EQ(ModelText(kModelG), "{-2*(s + z_11G1)}/{(s + 1)}");
  SetModel(kModelG, Div(Real(1), PolyExpr({2, 2, 1})));
  DropRoot(kModelG, 0, 0, false, LocusPixel(-1, 2));
  EXPECT_EQ(ModelText(kModelG), "{(s + z_11G1 +- j*z_11G1j)}/{(2 + 2*s + 1*s^2)}");
}

TEST_F(Pickers, DropsAwayFromThisDesignsRootLocusBeepAndChangeNothing) {
  const std::string before = ModelText(kModelG);
  Doc()->SetModifiedFlag(FALSE);
  QxClearDebugOutput();
  PickElement(kModelG, 0, 0, 5);
  QxTest::MouseDown(&Bar(), {20, 20});  // on the bar, not on the view
  QxTest::PumpUntilIdle();
  ExpectRefusedDrop(before);

  View()->SendMessage(WM_COMMAND, BODE);
  QxClearDebugOutput();
  DropRoot(kModelG, 0, 0, true, LocusPixel(-2, 1));
  ExpectRefusedDrop(before);
  View()->SendMessage(WM_COMMAND, RLOCUS);

  // The bar shows the first design while the second one's view is active.
  CQorexDoc* first = Doc();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  ASSERT_NE(Doc(), first);
  first->UpdateAll();
  ASSERT_EQ(Bar().m_pDoc, first);
  first->SetModifiedFlag(FALSE);
  QxClearDebugOutput();
  PickElement(kModelG, 0, 0, 5);
  QxTest::MouseDown(View(), LocusPixel(-2, 1));
  QxTest::PumpUntilIdle();
  EXPECT_NE(QxDebugOutput().find("MessageBeep"), std::string::npos);
  EXPECT_EQ(Text(first->m_models.GetAt(kModelG)->m_children[1]), before);
  EXPECT_FALSE(first->IsModified());
  EXPECT_EQ(ModelText(kModelG), before);
}

TEST_F(Pickers, AFreedPairIsTakenAgain) {
  DropRoot(kModelG, 0, 0, true, LocusPixel(-2, 1));
  const int entries = Doc()->m_vars.m_nCount;
  PickElement(kModelG, 0, 0, 2);  // the element becomes 1: the pair is free
  DropRoot(kModelG, 0, 0, true, LocusPixel(-3, 0));
  EXPECT_EQ(ModelText(kModelG), "{p_11G1}/{(s + p_11G1)}");
  EXPECT_EQ(Doc()->m_vars.m_nCount, entries);
  EXPECT_EQ(Var("p", "11G1").value, 3);
}

// ---- size picker ----------------------------------------------------------------------------

TEST_F(Pickers, ACornerDragResizesTheBlockAndTheLoopFollows) {
  PickSize(kModelG, {20, 20}, false);
  // While dragging, the grid on the frame marks 2 x 2 of its 4 x 4 cells.
  const CSizeMxWnd& popup = Bar().m_wndSizePopup;
  QImage* surface = Frame()->QxDrawingSurface();
  ASSERT_NE(surface, nullptr);
  const QPoint grid(popup.m_rcGrid.left, popup.m_rcGrid.top);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_EQ(surface->pixel(grid + QPoint(16 * c + 7, 16 * r + 7)) & 0xFFFFFF,
                r < 2 && c < 2 ? 0x000096u : 0xFFFFFFu)
          << r << "," << c;
  const int h = popup.m_rcGrid.height;
  EXPECT_TRUE(ShowsText(*surface,
                        QRect(grid + QPoint(1, h - 12), QSize(popup.m_rcGrid.width - 2, 11)),
                        grid + QPoint(4, h - 12), "2 x 2", RGB(32, 32, 32)));
  ReleaseOver(Bar().m_wndSizePopup, {20, 20});

  EXPECT_EQ(ModelText(kModelG), "[{1}/{(s + 1)}, 0; 0, {1}/{(s + 1)}]");
  EXPECT_EQ(ModelText(kModelK), "[1; 0]");
  EXPECT_EQ(ModelText(kModelL), "[1, 0]");
  EXPECT_EQ(SignalText(kSigV), "[0; 0]");
  EXPECT_EQ(SignalText(kSigD), "[0; 0]");
  EXPECT_EQ(SignalText(kSigClipMin), "[-inf; -inf]");
  EXPECT_EQ(SignalText(kSigClipMax), "[inf; inf]");
  EXPECT_EQ(SignalText(kSigUProc), "[u_1(t); u_2(t)]");
  EXPECT_EQ(SignalText(kSigYProc), "[y_1(t); y_2(t)]");
  EXPECT_EQ(ModelText(kModelP), "1");
  EXPECT_EQ(ModelText(kModelF), "f_11");
  EXPECT_EQ(SignalText(kSigC), "1");
  EXPECT_EQ(SignalText(kSigN), "0");
  EXPECT_EQ(Doc()->m_system.m_G.m_nRows, 2);
  EXPECT_FALSE(IsWindow(Bar().m_wndSizePopup.GetSafeHwnd()));

  // 1 x 1 takes the matrix's first element out.
  PickSize(kModelG, {5, 5});
  EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
}

TEST_F(Pickers, TheSameSizeOrAReleaseBeyondTheGridChangesNothing) {
  const std::string before = ModelText(kModelG);
  Doc()->SetModifiedFlag(FALSE);
  PickSize(kModelG, {5, 5});
  PickSize(kModelG, {260, 20});
  PickSize(kModelG, {20, -5});
  EXPECT_EQ(ModelText(kModelG), before);
  EXPECT_FALSE(Doc()->IsModified());
  EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

// ---- signal picker ------------------------------------------------------------------------------

TEST_F(Pickers, EachShapeBuildsItsSignal) {
  // A new design runs 30 s in steps of 0.05 s: a one-row disturbance v
  // starts at 15 s and its window lasts 40 steps.
  const struct {
    int source;
    int kind;
    const char* after;
  } rows[] = {
      {kSigC, 0, "0"},
      {kSigC, 1, "c_1*(t >= 0)"},
      {kSigC, 2, "c_1*(1 - floor(({t}/{tau_c} + 0.5)) + floor({t}/{tau_c}))*(t >= 0)"},
      {kSigC, 3, "c_1*rem([t, tau_c])*(t >= 0)"},
      {kSigC, 4, "c_1*sin({2*pi*t}/{tau_c})*(t >= 0)"},
      {kSigC, 5, "c_1*(rand(1) - 0.5)*(t >= 0)"},
      {kSigV, 0, "0"},
      {kSigV, 1, "v_1*(t >= 15)"},
      {kSigV, 2, "v_1*[15 <= t <= 17]"},
      {kSigV, 3, "v_1*(t - 15)*[15 <= t <= 17]"},
      {kSigV, 4, "v_1*sin({2*pi*(t - 15)}/{tau_v})*[15 <= t <= 17]"},
      {kSigV, 5, "v_1*(rand(1) - 0.5)*[15 <= t <= 17]"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    PickSignal(row.source, 0, row.kind);
    EXPECT_EQ(SignalText(row.source), row.after);
    EXPECT_FALSE(IsWindow(Bar().m_wndSignalPopup.GetSafeHwnd()));
  }
}

TEST_F(Pickers, TheShapesSetTheirVariables) {
  const struct {
    int source, kind;
    const char* amplitude;
    Entry amplitudeAfter;
    const char* period;  // subscript of the Greek t, or null
    Entry periodAfter;
  } rows[] = {
      {kSigC, 2, "1", {1, -10, 10}, "c", {4, -40, 40}},
      {kSigC, 3, "1", {1, -10, 10}, "c", {2, -20, 20}},
      {kSigC, 4, "1", {1, -10, 10}, "c", {4, -40, 40}},
      {kSigV, 1, "1", {0.5, -10, 10}, nullptr, {}},
      {kSigV, 4, "1", {0.5, -10, 10}, "v", {1, -10, 10}},
      {kSigD, 3, "1", {0.5, -10, 10}, nullptr, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.source << " " << row.kind);
    PickSignal(row.source, 0, row.kind);
    const char name[2] = {"cvdn"[row.source], 0};
    EXPECT_EQ(Var(name, row.amplitude), row.amplitudeAfter);
    if (row.period) {
      EXPECT_EQ(Var("t", row.period, 0x10), row.periodAfter);
    }
  }
  // Noise keeps the amplitude's value.
  Doc()->m_vars.m_pValue[Doc()->m_vars.Find("v", "1", 0)] = 0.3;
  PickSignal(kSigV, 0, 5);
  EXPECT_EQ(Var("v", "1"), (Entry{0.3, -10, 10}));
}

TEST_F(Pickers, TheShapesStartWhereTheRunAsksThem) {
  const CSIMsystem& loop = Doc()->m_system;
  // A one-row v pulse: 0.5 from T/2 to T/2 + 40 steps, both ends included.
  PickSignal(kSigV, 0, 2);
  for (int k = 0; k < loop.m_nSteps; ++k)
    ASSERT_EQ(loop.m_v.m_pSamples[k], k >= 300 && k <= 340 ? 0.5 : 0.0) << k;
  // Steps of d and n start at 2T/3 and 5T/6.
  auto firstNonZero = [](const CSIMsignal& s, int row) {
    for (int k = 0; k < s.m_nColumns; ++k)
      if (s.m_pSamples[row * s.m_nColumns + k] != 0.0) return k;
    return -1;
  };
  PickSignal(kSigD, 0, 1);
  PickSignal(kSigN, 0, 1);
  EXPECT_EQ(firstNonZero(loop.m_d, 0), 400);
  EXPECT_EQ(firstNonZero(loop.m_n, 0), 500);
  // A two-row setpoint (P made 2 x 2) starts its rows at 0 and T/4.
  PickSize(kModelP, {20, 20});
  ASSERT_EQ(loop.m_c.m_nRows, 2);
  PickSignal(kSigC, 0, 1);
  PickSignal(kSigC, 1, 1);
  EXPECT_EQ(SignalText(kSigC), "[c_1*(t >= 0); c_2*(t >= 7.5)]");
  EXPECT_EQ(firstNonZero(loop.m_c, 0), 0);
  EXPECT_EQ(firstNonZero(loop.m_c, 1), 150);
}

TEST_F(Pickers, DragsShowTheirCursors) {
  PickElement(kModelG, 0, 0, 5);
  QxTest::MouseMove(View(), LocusPixel(-1, 1));
  EXPECT_EQ(QxTest::CursorId(), static_cast<UINT>(IDC_ADD_POLE));
  QxTest::MouseDown(&Bar(), {5, 5});  // dropped off the view: nothing changes
  QxTest::PumpUntilIdle();
  PickElement(kModelG, 0, 0, 4);
  QxTest::MouseMove(View(), LocusPixel(-1, 1));
  EXPECT_EQ(QxTest::CursorId(), static_cast<UINT>(IDC_ADD_ZERO));
  QxTest::MouseDown(&Bar(), {5, 5});
  QxTest::PumpUntilIdle();
  EXPECT_EQ(CWnd::GetCapture(), nullptr);

  PickSize(kModelG, {20, 20}, false);
  EXPECT_EQ(QxTest::CursorId(), static_cast<UINT>(IDC_SIZE_MATRIX));
  MoveOver(Bar().m_wndSizePopup, {300, 20});
  EXPECT_EQ(QxTest::CursorId(), 32648u);  // no entry: nothing is chosen out there
  ReleaseOver(Bar().m_wndSizePopup, {300, 20});
  EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
}
