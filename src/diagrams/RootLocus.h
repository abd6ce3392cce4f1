#pragma once
// The root-locus diagram: the s-plane of one design with the loci of the
// tracked variables, the poles and zeros of the blocks that show them, the
// closed-loop poles and the transmission zeros. A value re + j im lies at
// (originX + trunc(re * scaleX), originY - trunc(im * scaleY)).
//
// Everything shown was computed by the loop numerics; drawing only reads it.
// A document is first turned into a RootLocusScene (pointers into its roots
// and loci, nothing computed), which the two renderings draw:
//   - the screen (and printer) rendering combines 7 x 7 glyphs of the sprite
//     sheet with SRCAND, so white is transparent and glyphs darken what they
//     overlap, and draws each locus fading from its base colour;
//   - the clipboard rendering draws DrawMarker shapes from rectangles and
//     pixels only, in flat colours, and copies nothing from the sprite sheet.
// Non-finite roots and roots far outside the plot are skipped before they are
// turned into pixels; an empty plot draws nothing.
#include "MC/McComplex.h"
#include "platform/core/Geometry.h"

#include <vector>

class CDC;
class CQorexDoc;
class CSIMtrnfn;

// Roots of one group, as the loop numerics keep them: entries 1 .. count.
struct RootLocusRoots {
  int group;  // 0-4 the blocks P, K, G, L, F; 6 closed-loop poles / transmission zeros
  bool poles;
  const McComplex* roots;
  int count;
  // Whose roots they are: the block's element (row by row) and its function,
  // or -1 and the loop determinant for group 6. The pole drag reads them.
  int element = -1;
  const CSIMtrnfn* function = nullptr;
};

// One tracked variable's locus: points 0 .. count - 1 in sweep order.
struct RootLocusLocus {
  const McComplex* points;
  int count;
  int colour;  // 0 red, 1 green, 2 blue, 3 grey, 4 purple
};

struct RootLocusScene {
  POINT origin{400, 200};
  double scaleX = 50;
  double scaleY = 50;
  std::vector<RootLocusLocus> loci;
  std::vector<RootLocusRoots> roots;  // in drawing order
};

// Marker kinds of DrawMarker.
enum {
  kMarkerOpenLoopPole = 0,
  kMarkerOpenLoopZero = 1,
  kMarkerClosedLoopPole = 2,
  kMarkerTransmissionZero = 3,
  kMarkerLocusPoint = 4
};

// The closed-loop group's number in RootLocusRoots::group.
constexpr int kRootGroupClosedLoop = 6;

// Screen base colours of the loci by colour index (red, green, blue, grey,
// purple); a locus of N points adds 150 / N per point to all three.
extern const double kLocusRedBase[5];
extern const double kLocusGreenBase[5];
extern const double kLocusBlueBase[5];
// Clipboard colours of the loci and of the groups 0-4 and 6.
extern const COLORREF kLocusClipboardColour[5];
extern const COLORREF kRootClipboardColour[7];

// The scene of a document: its root-locus origin and scales, its loci, the
// roots of every block whose kBlockShowRoots ("Show poles && zeros") is set, in the
// order P, K, G, L, F, element by element, poles before zeros, then the
// closed-loop poles and the transmission zeros.
RootLocusScene RootLocusSceneOf(const CQorexDoc& doc);

// The pixel of a value, or false when it is not finite or lies more than a
// glyph's half width outside the width x height plot.
bool RootLocusPixel(const RootLocusScene& scene, const McComplex& value, int width, int height,
                    POINT* pixel);
// Screen colour of a locus point offset (the sum of 150 / N so far).
COLORREF LocusPointColour(int colourIndex, double offset);

// The two renderings over a width x height plot.
void DrawRootLocus(CDC* pDC, const RootLocusScene& scene, int width, int height);
void DrawRootLocusMetafile(CDC* pDC, const RootLocusScene& scene, int width, int height);
void DrawRootLocus(CDC* pDC, const CQorexDoc& doc, int width, int height);
void DrawRootLocusMetafile(CDC* pDC, const CQorexDoc& doc, int width, int height);

// A 7 x 7 marker centred on (x, y), from filled rectangles and single pixels
// so that it is recorded as such; any other kind draws nothing.
void DrawMarker(CDC* pDC, int x, int y, int kind, COLORREF color);
