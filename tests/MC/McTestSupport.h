#pragma once
// Shared pieces of the expression engine's tests: every node kind's header,
// the shared tree builders (tests/support/TreeBuilders.h), a document with
// known signal samples, the focused editor, a canvas and a layout fixture
// with fixed metrics.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_LIMIT.h"
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MC_SUM.h"
#include "MC/MXC_BIN.h"
#include "MC/McComplex.h"
#include "MC/McEditorFocus.h"
#include "MC/McFunctions.h"
#include "MC/McKinds.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"
#include "tests/support/Canvas.h"
#include "tests/support/TreeBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace mctest {

using namespace qxtest::trees;

using Bytes = std::vector<BYTE>;
using NodePtr = std::unique_ptr<CMcBasic>;
using Values = std::unique_ptr<McComplex[]>;

const double kNaN = std::nan("");
const double kPi = std::numbers::pi;

// A standard complex number as the engine's.
inline McComplex Mc(std::complex<double> z) {
  return {z.real(), z.imag()};
}

// Equal parts, a NaN matching a NaN; the sign of a zero is not looked at.
inline bool Same(const McComplex& a, const McComplex& b) {
  auto same = [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); };
  return same(a.re, b.re) && same(a.im, b.im);
}

// The seed of a random test: QX_TEST_SEED when set, else a fresh one; printed
// so that a failure can be run again.
inline unsigned TestSeed() {
  const char* given = std::getenv("QX_TEST_SEED");
  const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                         : std::random_device{}();
  std::printf("QX_TEST_SEED=%u\n", seed);
  std::fflush(stdout);
  return seed;
}

// ---- signals ------------------------------------------------------------------------

// Sample (channel, k) of the signal with letter code `code`: every read names
// where it came from.
inline double SampleValue(int code, int channel, int k) {
  return 1000.0 * code + 100.0 * channel + k;
}

// A document whose loop has n steps of ts seconds and whose eleven signals
// hold two channels of `columns` known samples each (codes 1 .. 11 in the
// order c r v d n e w u y yd z).
inline std::unique_ptr<CQorexDoc> SignalDoc(int n = 40, double ts = 0.25, int columns = 40) {
  auto doc = std::make_unique<CQorexDoc>();
  CSIMsystem& s = doc->m_system;
  s.m_nSteps = n;
  s.m_dTs = ts;
  s.m_nStep = 0;
  CSIMsignal* signals[] = {&s.m_c, &s.m_r, &s.m_v, &s.m_d,  &s.m_n, &s.m_e,
                           &s.m_w, &s.m_u, &s.m_y, &s.m_yd, &s.m_z};
  int code = 1;
  for (CSIMsignal* signal : signals) {
    signal->m_nRows = 2;
    signal->m_nColumns = columns;
    for (int ch = 0; ch < 2; ++ch)
      for (int k = 0; k < columns; ++k) signal->At(ch, k) = SampleValue(code, ch, k);
    ++code;
  }
  return doc;
}

// ---- the focused editor ------------------------------------------------------------

// Registers a caret node and the text typed there as the focused editor's
// while it lives.
class FocusScope {
 public:
  FocusScope(CMcBasic* node, const char* typed) {
    s_node = node;
    std::snprintf(s_text, sizeof s_text, "%s", typed);
    McSetEditorFocus([] { return s_node; }, [] { return static_cast<char*>(s_text); });
  }
  ~FocusScope() { McSetEditorFocus(nullptr, nullptr); }
  FocusScope(const FocusScope&) = delete;
  FocusScope& operator=(const FocusScope&) = delete;

 private:
  static inline CMcBasic* s_node = nullptr;
  static inline char s_text[kMcNumberTextSize] = {};
};

// ---- layout ---------------------------------------------------------------------------

// The shared canvas with the expression contexts' settings (black text on a
// transparent background, baseline alignment).
struct Canvas : qxtest::ProgramCanvas {
  Canvas(int width, int height) : ProgramCanvas(width, height, TA_LEFT | TA_BASELINE) {}
};

// Ink anywhere inside the box.
inline bool InkIn(const Canvas& canvas, const McBox& b) {
  for (int y = b.y; y < b.y + b.height; ++y)
    if (canvas.InkInRow(y, b.x, b.x + b.width) > 0) return true;
  return false;
}

// Fixed font metrics and explicit font tables: family heights 20, 15, 10, 8
// per level (H0 = 20, the font-size scale 1.0) and twice that for the large
// Symbol family, ascents 4/5 of the height, real fonts of those heights, and a
// solid black brush in place of the black pattern brush so that outlines can
// be checked pixel by pixel. Everything is put back afterwards.
class LayoutFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_wasFixed = QxFixedFontMetrics();
    QxSetFixedFontMetrics(true);
    m_ownResources = g_pMemDC == nullptr;
    if (m_ownResources) InitGlobalResources();
    std::memcpy(m_savedFonts, g_fonts, sizeof g_fonts);
    std::memcpy(m_savedHeights, g_fontHeight, sizeof g_fontHeight);
    std::memcpy(m_savedAscents, g_fontAscent, sizeof g_fontAscent);
    static const int kBase[kSizeLevels] = {20, 15, 10, 8};
    for (int f = 0; f < kFontFamilies; ++f) {
      for (int l = 0; l < kSizeLevels; ++l) {
        const int h = f == kFontSymbolLarge ? 2 * kBase[l] : kBase[l];
        g_fontHeight[f][l] = static_cast<WORD>(h);
        g_fontAscent[f][l] = static_cast<WORD>(h * 4 / 5);
        m_fonts[f][l].CreateFont(h, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 0, DEFAULT_QUALITY, DEFAULT_PITCH,
                                 f >= kFontSymbol ? "Symbol" : "Times New Roman");
        g_fonts[f][l] = &m_fonts[f][l];
      }
    }
    m_savedBrush = g_nodeBrushes[0];
    m_black.CreateSolidBrush(RGB(0, 0, 0));
    g_nodeBrushes[0] = &m_black;
  }

  void TearDown() override {
    std::memcpy(g_fonts, m_savedFonts, sizeof g_fonts);
    std::memcpy(g_fontHeight, m_savedHeights, sizeof g_fontHeight);
    std::memcpy(g_fontAscent, m_savedAscents, sizeof g_fontAscent);
    g_nodeBrushes[0] = m_savedBrush;
    if (m_ownResources) FreeGlobalResources();
    QxSetFixedFontMetrics(m_wasFixed);
  }

 private:
  bool m_wasFixed = false, m_ownResources = false;
  CFont m_fonts[kFontFamilies][kSizeLevels];
  CFont* m_savedFonts[kFontFamilies][kSizeLevels] = {};
  WORD m_savedHeights[kFontFamilies][kSizeLevels] = {};
  WORD m_savedAscents[kFontFamilies][kSizeLevels] = {};
  CBrush m_black;
  CBrush* m_savedBrush = nullptr;
};

}  // namespace mctest
