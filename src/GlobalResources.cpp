#include "GlobalResources.h"

#include <algorithm>

#include "platform/gdi/SelectGuard.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Profile.h"
#include "platform/gdi/Gdi.h"
#include "res/NodePatterns.h"
#include "res/Sprites.h"
#include "res/resource.h"

// ---- numeric defaults (the values before InitGlobalResources are the same,
// so code that runs without the resources sees sound settings) --------------
BYTE g_bClipboardDrawing = 0;
int g_nHistoryLimit = 100;
int g_nGlobalIterations = 4;
int g_nLocalIterations = 10;
int g_nOffspringCount = 10;
double g_dMutation = 0.1;
double g_dKillFraction = 0.5;
double g_dErrorSuppression = 1.0;
double g_dMagSupKnee = 300.0;
double g_dRlMinGain = 0.01;
double g_dRlMaxGain = 100.0;
int g_nRlLogSteps = 30;
int g_nRlLinSteps = 20;
double g_dRootInertia = 1.0;
double g_dPzCancelTol = 1e-12;
double g_dZeroTol = 1e-15;
BYTE g_bFreqFlags = kFreqGershgorin | kFreqReturnDifference;
int g_nFreqSteps = 200;
int g_nFreqTickStep = 5;
double g_dFreqMin = 0.001;
double g_dFreqMax = 1000.0;
double g_dWatchdogTol = 0.2;
int g_nMinSamples = 10;
int g_nMaxSamples = 10000;

int g_nDisplaySettings = DisplaySettings(1, 15);
double g_dSnapTolerance = 1.01e-15;

const double g_fontScales[5] = {0.5, 0.75, 1.0, 1.5, 2.0};
const double g_snapTable[28] = {1.01,      1.01e-1,   1.01e-2,   1.01e-3,  1.01e-4,   1.01e-5,
                                1.01e-6,   1.01e-7,   1.01e-8,   1.01e-9,  1.01e-10,  1.01e-11,
                                1.01e-12,  1.01e-13,  1.01e-14,  1.01e-15, 1.01e-16,  1.01e-17,
                                1.01e-18,  1.01e-19,  1.01e-20,  1.01e-50, 1.01e-100, 1.01e-150,
                                1.01e-200, 1.01e-250, 1.01e-300, 0.0};

// ---- drawing resources ------------------------------------------------------
CDC* g_pMemDC = nullptr;
CBitmap* g_pMemBitmap = nullptr;
CDC* g_pMeasureDC = nullptr;
CDC* g_pSpriteDC = nullptr;
CBitmap* g_pSpriteBitmap = nullptr;
static CBitmap* g_pSpritePrevious = nullptr;  // the sprite context's own bitmap
CFont* g_fonts[kFontFamilies][kSizeLevels] = {};
WORD g_fontHeight[kFontFamilies][kSizeLevels] = {};
WORD g_fontAscent[kFontFamilies][kSizeLevels] = {};
CFont* g_pFontArial12 = nullptr;
CFont* g_pFontArial10V = nullptr;
CFont* g_pFontArial10 = nullptr;
CFont* g_pFontArial8V = nullptr;
CFont* g_pFontTimes14 = nullptr;
CPen* g_pPenWhite = nullptr;
CPen* g_pPenGrey = nullptr;
CPen* g_pPenSilver = nullptr;
CPen* g_pPenCurve[12] = {};
CPen* g_pens[5][4] = {};
CBrush* g_nodeBrushes[4] = {};
const COLORREF g_nodeColors[4] = {RGB(0, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 255, 0)};

namespace {

// What the two memory contexts had selected before they were prepared.
struct SavedContext {
  COLORREF textColor = 0;
  int bkMode = 0;
  UINT textAlign = 0;
  CFont* font = nullptr;
  CPen* pen = nullptr;
  CBitmap* bitmap = nullptr;
};
SavedContext g_savedMem;
SavedContext g_savedMeasure;

constexpr const char* kTimes = "Times New Roman";
constexpr const char* kArial = "Arial";
constexpr const char* kSymbol = "Symbol";

void SetDefaults() {
  g_bClipboardDrawing = 0;
  g_nHistoryLimit = 100;
  g_nGlobalIterations = 4;
  g_nLocalIterations = 10;
  g_nOffspringCount = 10;
  g_dMutation = 0.1;
  g_dKillFraction = 0.5;
  g_dErrorSuppression = 1.0;
  g_dMagSupKnee = 300.0;
  g_dRlMinGain = 0.01;
  g_dRlMaxGain = 100.0;
  g_nRlLogSteps = 30;
  g_nRlLinSteps = 20;
  g_dRootInertia = 1.0;
  g_dPzCancelTol = 1e-12;
  g_dZeroTol = 1e-15;
  g_bFreqFlags = kFreqGershgorin | kFreqReturnDifference;
  g_nFreqSteps = 200;
  g_nFreqTickStep = 5;
  g_dFreqMin = 0.001;
  g_dFreqMax = 1000.0;
  g_dWatchdogTol = 0.2;
  g_nMinSamples = 10;
}

void MakeSprites() {
  QxMakeSpriteSheet();
  g_pSpriteDC = new CDC;
  g_pSpriteDC->CreateCompatibleDC(nullptr);
  g_pSpriteBitmap = new CBitmap;
  g_pSpriteBitmap->LoadBitmap(IDB_SPRITES);
  g_pSpritePrevious = g_pSpriteDC->SelectObject(g_pSpriteBitmap);
}

void MakeBrushes() {
  const UINT patterns[4] = {IDB_PATTERN_BLACK, IDB_PATTERN_BLUE, IDB_PATTERN_RED, IDB_PATTERN_BLUE};
  RegisterNodePatterns();
  for (int i = 0; i < 4; ++i) {
    CBitmap bitmap;
    g_nodeBrushes[i] = new CBrush;
    if (bitmap.LoadBitmap(patterns[i])) g_nodeBrushes[i]->CreatePatternBrush(&bitmap);
    bitmap.DeleteObject();
  }
}

int Clamp(int value, int low, int high) {
  return value < low ? low : value > high ? high : value;
}

// Reads the three display settings; returns the font scale.
double ReadDisplaySettings() {
  int fontSize = QxProfile::GetProfileInt("Settings", "FontSize", 1);
  if (fontSize < 0 || fontSize > 4) fontSize = 2;
  const int realFix = Clamp(QxProfile::GetProfileInt("Settings", "RealFix", 15), 2, 15);
  const int snap = Clamp(QxProfile::GetProfileInt("Settings", "RealToIntegerSnap", 15), 0, 27);
  g_nDisplaySettings = DisplaySettings(fontSize, realFix);
  g_dSnapTolerance = g_snapTable[snap];
  return g_fontScales[fontSize];
}

void MakeContexts() {
  g_pMeasureDC = new CDC;
  g_pMemDC = new CDC;
  g_pMemBitmap = new CBitmap;
  g_pMemDC->CreateCompatibleDC(nullptr);
  g_pMeasureDC->CreateCompatibleDC(nullptr);
  CDC* screen = QxGetScreenDC();
  const BOOL made = g_pMemBitmap->CreateCompatibleBitmap(screen, GetSystemMetrics(SM_CXSCREEN),
                                                         GetSystemMetrics(SM_CYSCREEN));
  QxReleaseScreenDC(screen);
  if (!made) MessageBox(nullptr, "Could not create RES_Bitmap", "Error", MB_OK);
  g_savedMem.bitmap = g_pMemDC->SelectObject(g_pMemBitmap);
}

}  // namespace

BOOL EnsureMemBitmapSize(int width, int height) {
  if (!g_pMemDC || !g_pMemBitmap) return FALSE;
  BITMAP current{};
  g_pMemBitmap->GetBitmap(&current);
  if (width <= current.bmWidth && height <= current.bmHeight) return TRUE;
  auto* larger = new CBitmap;
  CDC* screen = QxGetScreenDC();
  const BOOL made = larger->CreateCompatibleBitmap(screen, std::max<int>(width, current.bmWidth),
                                                   std::max<int>(height, current.bmHeight));
  QxReleaseScreenDC(screen);
  if (!made) {
    delete larger;
    return FALSE;
  }
  g_pMemDC->SelectObject(larger);
  delete g_pMemBitmap;
  g_pMemBitmap = larger;
  return TRUE;
}

namespace {

CFont* MakeFont(int height, int width, int escapement, int weight, BYTE italic, BYTE outPrecision,
                const char* face) {
  CFont* font = new CFont;
  font->CreateFont(height, width, escapement, 0, weight, italic, 0, 0, ANSI_CHARSET, outPrecision,
                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
  return font;
}

void MakeFamilyFonts(int level) {
  auto family = [level](int f, int width, int weight, BYTE italic, const char* face) {
    g_fonts[f][level] =
        MakeFont(g_fontHeight[f][level], width, 0, weight, italic, OUT_DEFAULT_PRECIS, face);
  };
  const int h2 = g_fontHeight[kFontNumber][level];
  family(kFontItalic, 0, FW_DONTCARE, 1, kTimes);
  family(kFontBoldItalic, 0, FW_BOLD, 1, kTimes);
  family(kFontNumber, h2 / 5 + 2, FW_THIN, 0, kTimes);
  family(kFontBold, 0, FW_BOLD, 0, kTimes);
  family(kFontArial, 0, FW_DONTCARE, 0, kArial);
  family(kFontArialBold, 0, FW_BOLD, 0, kArial);
  family(kFontSymbol, 0, FW_DONTCARE, 0, kSymbol);
  family(kFontSymbolBold, 0, FW_BOLD, 0, kSymbol);
  family(kFontSymbolItalic, 0, FW_DONTCARE, 1, kSymbol);
  family(kFontSymbolBoldItalic, 0, FW_BOLD, 1, kSymbol);
  family(kFontSymbolLarge, 0, FW_DONTCARE, 0, kSymbol);
}

void MeasureAscents() {
  QxSelectGuard previous(g_pMemDC, g_fonts[kFontItalic][0]);
  for (int f = 0; f < kFontFamilies; ++f) {
    for (int level = 0; level < kSizeLevels; ++level) {
      g_pMemDC->SelectObject(g_fonts[f][level]);
      TEXTMETRIC metrics;
      g_pMemDC->GetTextMetrics(&metrics);
      g_fontAscent[f][level] = static_cast<WORD>(metrics.tmAscent);
    }
  }
}

void MakePens() {
  g_pPenWhite = new CPen(PS_SOLID, 0, RGB(255, 255, 255));
  g_pPenGrey = new CPen(PS_SOLID, 0, RGB(150, 150, 150));
  g_pPenSilver = new CPen(PS_SOLID, 0, RGB(192, 192, 192));
  const COLORREF curves[12] = {RGB(150, 0, 0),     RGB(255, 0, 0),     RGB(0, 150, 0),
                               RGB(0, 255, 0),     RGB(0, 0, 150),     RGB(0, 0, 255),
                               RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 0),
                               RGB(255, 150, 255), RGB(255, 150, 255), RGB(255, 255, 150)};
  for (int i = 0; i < 12; ++i) g_pPenCurve[i] = new CPen(PS_SOLID, 0, curves[i]);
  for (int width = 0; width < 4; ++width)
    for (int c = 0; c < 4; ++c) g_pens[width][c] = new CPen(PS_SOLID, width, g_nodeColors[c]);
  const COLORREF pale[4] = {RGB(200, 200, 200), RGB(200, 200, 255), RGB(255, 200, 200),
                            RGB(200, 255, 200)};
  for (int c = 0; c < 4; ++c) g_pens[4][c] = new CPen(PS_SOLID, 0, pale[c]);
}

void PrepareContext(CDC* dc, SavedContext& saved) {
  saved.textColor = dc->SetTextColor(RGB(0, 0, 0));
  saved.bkMode = dc->SetBkMode(TRANSPARENT);
  saved.textAlign = dc->SetTextAlign(TA_BASELINE);
  saved.font = dc->SelectObject(g_fonts[kFontItalic][0]);
  saved.pen = dc->SelectObject(g_pens[0][0]);
}

void RestoreContext(CDC* dc, const SavedContext& saved) {
  dc->SetTextColor(saved.textColor);
  dc->SetBkMode(saved.bkMode);
  dc->SetTextAlign(saved.textAlign);
  if (saved.font) dc->SelectObject(saved.font);
  if (saved.pen) dc->SelectObject(saved.pen);
}

template <typename T>
void Delete(T*& object) {
  delete object;
  object = nullptr;
}

}  // namespace

void InitGlobalResources() {
  if (g_pMemDC) return;
  SetDefaults();
  MakeSprites();
  MakeBrushes();
  g_nMaxSamples = 10000;
  const double scale = ReadDisplaySettings();
  MakeContexts();
  for (int level = 0; level < kSizeLevels; ++level) {
    static const int kBase[kSizeLevels] = {20, 15, 10, 8};
    for (int f = 0; f < kFontSymbolLarge; ++f)
      g_fontHeight[f][level] = static_cast<WORD>(kBase[level] * scale);
    g_fontHeight[kFontSymbolLarge][level] = static_cast<WORD>(2 * kBase[level] * scale);
  }
  g_pFontArial12 = MakeFont(12, 0, 0, FW_DONTCARE, 0, OUT_TT_PRECIS, kArial);
  g_pFontArial10V = MakeFont(10, 0, 900, FW_DONTCARE, 0, OUT_TT_PRECIS, kArial);
  g_pFontArial10 = MakeFont(10, 0, 0, FW_DONTCARE, 0, OUT_TT_PRECIS, kArial);
  g_pFontArial8V = MakeFont(8, 0, 900, FW_DONTCARE, 0, OUT_TT_PRECIS, kArial);
  g_pFontTimes14 = MakeFont(14, 0, 0, FW_DONTCARE, 0, OUT_TT_PRECIS, kTimes);
  for (int level = 0; level < kSizeLevels; ++level) MakeFamilyFonts(level);
  MeasureAscents();
  MakePens();
  PrepareContext(g_pMemDC, g_savedMem);
  PrepareContext(g_pMeasureDC, g_savedMeasure);
}

void FreeGlobalResources() {
  if (!g_pMemDC) return;
  if (g_pSpritePrevious) g_pSpriteDC->SelectObject(g_pSpritePrevious);
  g_pSpritePrevious = nullptr;
  Delete(g_pSpriteBitmap);
  Delete(g_pSpriteDC);
  RestoreContext(g_pMemDC, g_savedMem);
  if (g_savedMem.bitmap) g_pMemDC->SelectObject(g_savedMem.bitmap);
  RestoreContext(g_pMeasureDC, g_savedMeasure);
  g_savedMem = SavedContext();
  g_savedMeasure = SavedContext();

  CDC* mem = g_pMemDC;
  Delete(mem);
  Delete(g_pMemBitmap);
  Delete(g_pMeasureDC);
  for (CBrush*& brush : g_nodeBrushes) Delete(brush);
  for (int level = 0; level < kSizeLevels; ++level) {
    for (int f = 0; f < kFontFamilies; ++f) Delete(g_fonts[f][level]);
    for (int c = 0; c < 4; ++c) Delete(g_pens[level][c]);
  }
  for (CPen*& pen : g_pens[4]) Delete(pen);
  for (CPen*& pen : g_pPenCurve) Delete(pen);
  Delete(g_pPenWhite);
  Delete(g_pPenGrey);
  Delete(g_pPenSilver);
  Delete(g_pFontArial12);
  Delete(g_pFontArial10V);
  Delete(g_pFontArial10);
  Delete(g_pFontArial8V);
  Delete(g_pFontTimes14);
  g_pMemDC = nullptr;
}

int ColorIndex(COLORREF color) {
  for (int i = 0; i < 3; ++i) {
    if (color == g_nodeColors[i]) return i;
  }
  return 3;
}
