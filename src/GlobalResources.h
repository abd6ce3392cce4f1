#pragma once
// Process-wide settings and drawing resources shared by every window and by the
// expression engine: numeric defaults, the three display settings read from the
// profile, the expression fonts with their heights and ascents, pens, pattern
// brushes and the two memory device contexts.
//
// InitGlobalResources makes everything once (nothing happens while g_pMemDC is
// set); FreeGlobalResources releases it all and leaves g_pMemDC null. Nothing
// here is ever saved; property dialogs change the defaults at run time.
#include "platform/core/Types.h"

class CDC;
class CFont;
class CPen;
class CBrush;
class CBitmap;

void InitGlobalResources();
void FreeGlobalResources();

// Expression colour index of a text colour: 0 black, 1 blue, 2 red, 3 any other.
int ColorIndex(COLORREF color);

// Expression font families (first index of the font tables); the second index
// is the size level 0 (largest) to 3.
enum {
  kFontItalic = 0,      // Times New Roman italic: variables
  kFontBoldItalic = 1,  // Times New Roman bold italic
  kFontNumber = 2,      // Times New Roman upright: numbers
  kFontBold = 3,        // Times New Roman bold
  kFontArial = 4,       // function words
  kFontArialBold = 5,
  kFontSymbol = 6,
  kFontSymbolBold = 7,
  kFontSymbolItalic = 8,
  kFontSymbolBoldItalic = 9,
  kFontSymbolLarge = 10,
  kFontFamilies = 11,
  kSizeLevels = 4
};

// ---- numeric defaults ------------------------------------------------------
extern BYTE g_bClipboardDrawing;  // 1 while an expression goes to or comes from the clipboard
extern int g_nHistoryLimit;
extern int g_nGlobalIterations;
extern int g_nLocalIterations;
extern int g_nOffspringCount;
extern double g_dMutation;
extern double g_dKillFraction;
extern double g_dErrorSuppression;
extern double g_dMagSupKnee;
extern double g_dRlMinGain;
extern double g_dRlMaxGain;
extern int g_nRlLogSteps;
extern int g_nRlLinSteps;
extern double g_dRootInertia;
extern double g_dPzCancelTol;
extern double g_dZeroTol;
// What the frequency diagrams draw besides the curves.
extern BYTE g_bFreqFlags;
inline constexpr BYTE kFreqGershgorin = 0x01;        // Gershgorin bands
inline constexpr BYTE kFreqOstrowski = 0x02;         // Ostrowski bands (inverse diagrams)
inline constexpr BYTE kFreqReturnDifference = 0x04;  // diagonal curves as return differences
inline constexpr BYTE kFreqBands = kFreqGershgorin | kFreqOstrowski;
extern int g_nFreqSteps;
extern int g_nFreqTickStep;
extern double g_dFreqMin;
extern double g_dFreqMax;
extern double g_dWatchdogTol;
extern int g_nMinSamples;
extern int g_nMaxSamples;

// ---- display settings ------------------------------------------------------
// The formula editor's text-entry mode, the "RealFix" digits and the
// "FontSize" index, packed as the fields below say.
extern int g_nDisplaySettings;
inline constexpr int kDisplayTextMode = 0x0001;
inline constexpr int kDisplayRealFixShift = 2;
inline constexpr int kDisplayRealFixMask = 31;  // after the shift
inline constexpr int kDisplayFontSizeShift = 8;
// The settings with a font size index and a number of "RealFix" digits, text
// mode off.
constexpr int DisplaySettings(int fontSize, int realFix) {
  return (fontSize << kDisplayFontSizeShift) | (realFix << kDisplayRealFixShift);
}
// Relative tolerance within which a real result counts as an integer (0: off).
extern double g_dSnapTolerance;
// The five font scales selected by "FontSize".
extern const double g_fontScales[5];
// The snap tolerances selected by "RealToIntegerSnap" (index 0..27).
extern const double g_snapTable[28];

// ---- drawing resources -----------------------------------------------------
extern CDC* g_pMemDC;  // shared off-screen context every window draws into
extern CBitmap* g_pMemBitmap;
// Makes g_pMemDC's bitmap at least width x height (it starts at the screen's
// size), so a window larger than the screen still draws whole. FALSE when no
// bitmap of that size could be made; the old one then stays.
BOOL EnsureMemBitmapSize(int width, int height);
extern CDC* g_pMeasureDC;  // memory context without a bitmap, for measuring text
extern CDC* g_pSpriteDC;   // memory context holding the sprite sheet (res/Sprites.h)
extern CBitmap* g_pSpriteBitmap;

extern CFont* g_fonts[kFontFamilies][kSizeLevels];
extern WORD g_fontHeight[kFontFamilies][kSizeLevels];  // cell height in pixels
extern WORD g_fontAscent[kFontFamilies][kSizeLevels];  // measured ascent in pixels

extern CFont* g_pFontArial12;
extern CFont* g_pFontArial10V;
extern CFont* g_pFontArial10;
extern CFont* g_pFontArial8V;
extern CFont* g_pFontTimes14;

extern CPen* g_pPenWhite;
extern CPen* g_pPenGrey;
extern CPen* g_pPenSilver;
extern CPen* g_pPenCurve[12];
// Rows 0-3: widths 0 to 3 in the expression colours; row 4: width 0, pale colours.
extern CPen* g_pens[5][4];
extern CBrush* g_nodeBrushes[4];
extern const COLORREF g_nodeColors[4];  // black, blue, red, green
