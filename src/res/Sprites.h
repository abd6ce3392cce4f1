#pragma once
// The sprite sheet, bitmap 138: one 269 x 305 picture of 16 colours from which
// the windows copy their small pictures by position. Every tile is listed here,
// so two users can never claim the same pixels.
//
// The 7 x 7 root-locus glyphs and the frequency-diagram tick and node glyphs
// are exact: they are combined with SRCAND over diagrams, so their white is
// transparent and their shapes are part of what the user reads. The other
// tiles are pictures of the loop diagram, its pickers and the Equalizer's
// buttons; their positions are fixed, their pixels are ours.
//
// Layout, by region (x, y, width, height):
//   (0, 0, 14, 49)      root-locus glyphs: pole column 0, zero column 7, row 7 k
//   (0, 127, 10, 10)    tick plus 5 x 5, tick plus 3 x 3, node disc
//   (14, 0, 23, 138)    element picker cells, plain and with one zone lit
//   (0, 137, 37, 168)   signal picker rows, plain and with one kind lit
//   (38, 0, 200, 90)    the "ProcessView" loop diagram
//   (38, 98, 52, 13)    pressed signal sources; (91, 100, 53, 10) shown-signal marks
//   (145, 94, 90, 17)   pressed blocks; (243, 85, 26, 26) the lamp, plain and pressed
//   (38, 111, 231, 72)  the Equalizer's button rows, pressed buttons, record button
//   (152, 166, 90, 35)  the "ProcessView" switch buttons, set, clear and pressed
#include "platform/core/Geometry.h"
#include "platform/core/Types.h"
#include "res/resource.h"  // IDB_SPRITES, the id CBitmap::LoadBitmap takes

struct SpriteTile {
  int x;
  int y;
  int cx;
  int cy;
};

constexpr int kSpriteSheetWidth = 269;
constexpr int kSpriteSheetHeight = 305;

// ---- root-locus glyphs ------------------------------------------------------
// Groups 0-4 are the blocks P, K, G, L, F; group 6 the closed-loop poles (pole
// column) and transmission zeros (zero column). Group 5 is blank.
constexpr int kSpriteGlyphSize = 7;
constexpr int kSpriteClosedLoopGroup = 6;
constexpr SpriteTile SpriteRootGlyph(int group, bool pole) {
  return {pole ? 0 : 7, 7 * group, kSpriteGlyphSize, kSpriteGlyphSize};
}
// Ink colour of each group's glyphs (index 5 unused).
extern const COLORREF kSpriteGroupInk[7];
constexpr COLORREF kSpriteZeroHighlight =
    RGB(192, 192, 192);  // the light-grey dots of a block zero

// ---- frequency-diagram glyphs -------------------------------------------------
constexpr SpriteTile kSpriteTickPlus3 = {0, 132, 3, 3};  // black plus, curve ticks
constexpr SpriteTile kSpriteTickPlus5 = {0, 127, 5, 5};  // black plus, magnitude ticks
constexpr SpriteTile kSpriteNodeDisc = {5, 132, 5, 5};   // dark-green disc, white corners

// ---- element picker (23 x 23 cells; zone 0 plain, 1-5 lit) ---------------------
// Zones of a cell: 1 "0" (x < 9, y < 8), 2 "1" (x < 9, 8 <= y < 15), 3 a variable
// (x < 9, y >= 15), 4 add a zero (x >= 9, y < 10), 5 add a pole (x >= 9, y >= 10).
constexpr SpriteTile SpriteElementCell(int litZone) {
  return {14, 23 * litZone, 23, 23};
}

// ---- signal picker (37 x 24 rows; kind -1 plain, 0-5 lit) ----------------------
// Six 12 x 12 icons: upper half zero, step, pulse; lower half ramp, sine, noise.
constexpr SpriteTile SpriteSignalRow(int litKind) {
  return {0, 137 + 24 * (litKind + 1), 37, 24};
}

// ---- "ProcessView" loop diagram ---------------------------------------------------
constexpr SpriteTile kSpriteLoopDiagram = {38, 0, 200, 90};
// Item positions inside the diagram: blocks P, K, G, L, F (top-left of 18 x 18),
// signal sources c, v, d, n, the lamp and the six signal toggles r, e, u, y + d,
// z, w (centres), buttons 0-2 (top-left of 18 x 18).
constexpr POINT kLoopBlockPos[5] = {{26, 18}, {71, 18}, {116, 18}, {161, 18}, {116, 55}};
constexpr POINT kLoopSourcePos[4] = {{8, 26}, {102, 7}, {147, 7}, {192, 81}};
constexpr POINT kLoopLampPos = {8, 63};
constexpr POINT kLoopTogglePos[6] = {{49, 19}, {64, 19}, {94, 19}, {155, 19}, {189, 19}, {64, 57}};
constexpr POINT kLoopButtonPos[3] = {{0, 73}, {21, 73}, {39, 73}};

constexpr SpriteTile SpritePressedBlock(int block) {
  return {145 + 18 * block, 94, 18, 17};
}
constexpr SpriteTile SpritePressedSource(int source) {
  return {38 + 13 * source, 98, 13, 13};
}
// Marks of shown loop signals r, e, u, y + d, z, w (the toggles' letters in red).
constexpr SpriteTile kSpriteSignalMarks[6] = {{91, 100, 7, 8},  {98, 100, 6, 7},
                                              {106, 100, 8, 7}, {116, 100, 7, 10},
                                              {125, 100, 6, 7}, {134, 100, 10, 7}};
constexpr SpriteTile kSpriteLampOff = {243, 85, 13, 13};
constexpr SpriteTile kSpriteLampOn = {243, 98, 13, 13};
constexpr SpriteTile kSpriteLampOffPressed = {256, 85, 13, 13};
constexpr SpriteTile kSpriteLampOnPressed = {256, 98, 13, 13};
// Switch buttons: 1 "FindG after each pass", 2 "continuous real time".
constexpr SpriteTile kSpriteFindGSwitchOn = {152, 166, 18, 18};
constexpr SpriteTile kSpriteFindGSwitchOff = {206, 183, 18, 18};
constexpr SpriteTile kSpriteRealtimeSwitchOn = {170, 166, 18, 18};
constexpr SpriteTile kSpriteRealtimeSwitchOff = {224, 183, 18, 18};
constexpr SpriteTile SpritePressedLoopButton(int button) {
  return {188 + 18 * button, 166, 18, 17};
}

// ---- "Performance Equalizer" buttons ------------------------------------------------
// Sort row: buttons 1-11 (sort by criteria 0-8, by the weighted sum, show the
// recorded poles); population row: 12 delete all, 13 delete the worst, 14
// offspring; search row: 17 global, 18 local.
constexpr SpriteTile kSpriteSortRow = {38, 111, 204, 18};
constexpr SpriteTile kSpriteSortPressed[11] = {
    {38, 129, 18, 18},  {56, 129, 18, 18},  {74, 129, 18, 18},  {92, 129, 18, 18},
    {110, 129, 18, 18}, {128, 129, 18, 18}, {146, 129, 18, 18}, {164, 129, 18, 18},
    {185, 129, 18, 18}, {203, 129, 18, 18}, {224, 129, 18, 18}};
constexpr SpriteTile kSpritePopulationRow = {38, 147, 57, 18};
constexpr SpriteTile kSpritePopulationPressed[3] = {
    {95, 147, 18, 18}, {113, 147, 18, 18}, {134, 147, 18, 18}};
constexpr SpriteTile kSpriteRecordOff = {152, 147, 27, 18};
constexpr SpriteTile kSpriteRecordOn = {242, 111, 27, 18};
constexpr SpriteTile kSpriteRecordPressed = {212, 147, 27, 18};
constexpr SpriteTile kSpriteSearchRow = {38, 165, 36, 18};
constexpr SpriteTile kSpriteSearchPressed[2] = {{95, 165, 18, 18}, {113, 165, 18, 18}};

// The sheet's 16 colours (the classic 16-colour palette).
extern const COLORREF kSpritePalette[16];

// Draws the sheet and registers it as bitmap IDB_SPRITES (once; later calls
// do nothing), so that CBitmap::LoadBitmap(IDB_SPRITES) works.
void QxMakeSpriteSheet();
// The colour of a pixel of the sheet (0 outside it), for tests and for code
// that needs a pixel without a device context.
COLORREF SpriteSheetPixel(int x, int y);
