#pragma once
// Fixed font metrics and explicit font tables for layout and drawing tests:
// family 0-9 heights 20, 15, 10, 8 and family 10 twice that (font-size scale
// 1.0), ascents 4/5 of the height as the fixed metrics measure them, real
// fonts of those heights, and a solid black brush in place of the black
// pattern brush so that outlines can be checked pixel by pixel. Everything is
// put back afterwards.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "platform/gdi/Gdi.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>

class LayoutFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_wasFixed = QxFixedFontMetrics();
    QxSetFixedFontMetrics(true);
    static const int kBase[4] = {20, 15, 10, 8};
    for (int f = 0; f < kFontFamilies; ++f) {
      for (int l = 0; l < kSizeLevels; ++l) {
        m_savedFonts[f][l] = g_fonts[f][l];
        m_savedHeights[f][l] = g_fontHeight[f][l];
        m_savedAscents[f][l] = g_fontAscent[f][l];
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
    for (int f = 0; f < kFontFamilies; ++f) {
      for (int l = 0; l < kSizeLevels; ++l) {
        g_fonts[f][l] = m_savedFonts[f][l];
        g_fontHeight[f][l] = m_savedHeights[f][l];
        g_fontAscent[f][l] = m_savedAscents[f][l];
      }
    }
    g_nodeBrushes[0] = m_savedBrush;
    QxSetFixedFontMetrics(m_wasFixed);
  }

  // A white memory context of the given size, black text, left and baseline
  // alignment, transparent background.
  std::unique_ptr<CDC> MakeCanvas(int width, int height) {
    auto dc = std::make_unique<CDC>();
    dc->CreateCompatibleDC(nullptr);
    m_bitmap = std::make_unique<CBitmap>();
    m_bitmap->CreateCompatibleBitmap(dc.get(), width, height);
    dc->SelectObject(m_bitmap.get());
    CRect all(0, 0, width, height);
    dc->FillSolidRect(&all, RGB(255, 255, 255));
    dc->SetTextColor(RGB(0, 0, 0));
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextAlign(TA_LEFT | TA_BASELINE);
    return dc;
  }

  static bool IsInk(const CDC* dc, int x, int y) {
    return dc->GetPixel(x, y) != RGB(255, 255, 255);
  }

  // Columns of row y (from x0 to x1, exclusive) that hold ink.
  static int InkInRow(const CDC* dc, int y, int x0, int x1) {
    int n = 0;
    for (int x = x0; x < x1; ++x) n += IsInk(dc, x, y) ? 1 : 0;
    return n;
  }

 private:
  bool m_wasFixed = false;
  CFont m_fonts[kFontFamilies][kSizeLevels];
  CFont* m_savedFonts[kFontFamilies][kSizeLevels] = {};
  WORD m_savedHeights[kFontFamilies][kSizeLevels] = {};
  WORD m_savedAscents[kFontFamilies][kSizeLevels] = {};
  CBrush m_black;
  CBrush* m_savedBrush = nullptr;
  std::unique_ptr<CBitmap> m_bitmap;
};
