#pragma once
// QOX_DragGroup: the document's record of the roots grabbed in its root-locus
// diagram. It finds the roots under a mouse point (the roots the diagram
// shows, in its scene's order: P, K, G, L, F element by element, poles before
// zeros, then the closed-loop poles and the transmission zeros), names them
// for the hover tip, starts one QOX_DragPole per grabbed root, passes every
// mouse position on to them, deletes a grabbed factor from its model, and
// moves the closed-loop poles for the document's command.
//
// A root lies under the point (x, y) when it is within 3 pixels on both axes
// of the point's s-plane value ((x - originX) / scaleX, (originY - y) /
// scaleY). The document owns exactly one group from construction to
// destruction. User-interface thread only.
#include "platform/core/String.h"
#include "platform/core/Types.h"

#include "MC/McComplex.h"

#include <memory>
#include <vector>

class CMcBasic;
class CQorexDoc;
class CSIMtrnfn;
class QOX_DragPole;

class QOX_DragGroup {
 public:
  static constexpr int kMaxLabels = 10;

  // Two idle slots, nothing grabbed.
  explicit QOX_DragGroup(CQorexDoc* doc);
  virtual ~QOX_DragGroup();
  QOX_DragGroup(const QOX_DragGroup&) = delete;
  QOX_DragGroup& operator=(const QOX_DragGroup&) = delete;

  // Grabs the roots under the point (replacing the grab unless add); returns
  // how many lie there. Without add the group holds the last of them.
  int HitTest(int x, int y, BOOL add);
  // The tip lines for the roots under the point: per element one line for its
  // poles and one for its zeros, then the closed-loop poles and the
  // transmission zeros, each with its symbol code; at most ten. Returns the
  // number of lines.
  int GetLabel(int x, int y, CString texts[kMaxLabels], WORD codes[kMaxLabels]);
  // Records one grabbed root: a model root when function is given (element
  // its expression, possibly null), a loop root otherwise.
  void Add(const CSIMtrnfn* function, CMcBasic* element, McComplex root, BOOL isPole, BOOL add);
  // Every grabbed root one step towards the point (DragToEx: with the global
  // stage, tolerance 0.01). Always TRUE.
  BOOL DragTo(int x, int y);
  BOOL DragToEx(int x, int y);
  // Removes each grabbed root's factor from its model; empties the group.
  // TRUE when at least one was removed.
  BOOL DeleteGrabbed();
  // The closed-loop improvement on the object of slot 0.
  void MoveClosedLoopPoles(CQorexDoc* doc);

  // The object of a slot (0 .. m_nCapacity - 1).
  QOX_DragPole* Item(int slot) const { return m_items[slot].get(); }

  // ---- data -----------------------------------------------------------------
  CQorexDoc* m_pDoc;                                   // the owning document (not owned)
  std::vector<std::unique_ptr<QOX_DragPole>> m_items;  // one per slot; idle above m_nCount
  int m_nCount = 0;
  int m_nCapacity = 2;
};
