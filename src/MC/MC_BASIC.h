#pragma once
// CMcBasic: the abstract base of every expression node, and the editor's caret
// record McCursor.
//
// A formula is a tree of nodes. A node owns its children (deleting a node
// deletes its subtree) and keeps a plain back pointer to its parent. The child
// array always has exactly m_count slots and does not exist while m_count is 0;
// only the tree operations below change it, and they keep every inserted
// node's m_parent right. A removed node is not deleted by the removal.
//
// Flags word: bits 0-1 sign (0 none, 1 minus, 2 plus-minus, 3 minus-plus; bit 0
// alone negates the value), bit 2 parentheses, bits 4-5 kind variant, bits 6-7
// size level 0 (largest) to 3, bits 8-15 kind data. Bit 3 and the high byte
// mean nothing to the base.
//
// Type word: high byte the kind code (McKindCode, McKinds.h), low byte a
// sub-kind the kind derives from its flags. The group's type word is exactly
// McTypeWord(kMcGroup); the base's own is McTypeWord(kMcNoKind).
//
// Every kind derives directly from CMcBasic and overrides the virtual
// operations below, kept in this order. The base destructor deletes the
// children, so no kind deletes them again.
#include "MC/McDepthGuard.h"
#include "MC/McKinds.h"
#include "platform/core/Geometry.h"
#include "platform/core/Types.h"

#include <initializer_list>
#include <vector>

class CArchive;
class CDC;
class CQorexDoc;
class CSIMsystem;
class CMcBasic;
struct McComplex;

// The editor's caret record. side: where the caret stands after a step (0
// before the node, 1 after it, 2 and up inside a number's, name's or
// function's text); fromSide: where it stood when the step began; node: the
// caret node (on entry the node the step starts from); origin: the caret node
// at which the whole move started.
struct McCursor {
  BYTE side = 0;
  BYTE fromSide = 0;
  CMcBasic* node = nullptr;
  CMcBasic* origin = nullptr;

  // Puts the caret at `at` on `atSide`; TRUE, so a caret step can return it.
  BOOL Place(CMcBasic* at, int atSide) {
    node = at;
    side = static_cast<BYTE>(atSide);
    return TRUE;
  }
};

// A node's box: x and y relative to the parent's top-left corner, width and
// height in pixels.
struct McBox {
  LONG x = 0;
  LONG y = 0;
  LONG width = 0;
  LONG height = 0;
};

// Caret directions passed to Navigate and NavigateOut.
enum { kMcLeft = 0, kMcUp = 1, kMcRight = 2, kMcDown = 3 };

// Difference bits of Compare. A result below 2 (equal, or differing only in
// sign) counts as a match.
enum : WORD {
  kMcDiffSign = 0x01,   // sign bits differ
  kMcDiffFlags = 0x02,  // kind flags differ (variable decoration, ...)
  kMcDiffValue = 0x04,  // a kind's own data differs (number, name, code)
  kMcDiffChild = 0x08,  // a child differs
  kMcDiffCount = 0x18,  // the child counts differ
  kMcDiffType = 0x20    // the type words differ
};

// What GetParentType says for a root: a type word no node has.
constexpr WORD kMcRootParentType = McTypeWord(kMcNoKind, 0xFF);

class CMcBasic {
 public:
  // ---- virtual operations, in their fixed order ----------------------------

  // Caret step for an arrow key (direction kMcLeft..kMcDown, modifier 0 or 16).
  // Base: a leaf with two caret sides; steps it cannot take go to the parent.
  // Returns nonzero when the caret moved to cursor->node, cursor->side.
  virtual BOOL Navigate(int direction, int modifier, McCursor* cursor);
  // Whole-node caret step for Ctrl+arrow; no kind overrides it.
  virtual BOOL NavigateOut(int direction, int modifier, McCursor* cursor);
  virtual WORD GetType() const;
  virtual const char* GetName() const;
  // Value of the subtree (own sign included) at the simulator's current step.
  // Base: sets g_bEvalError and yields 0 + 0j. Returns result.
  virtual McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const;
  // Paints the node; (x, y) is the absolute top-left corner of the parent.
  virtual void Draw(CDC* dc, int x, int y) const;
  // Measures the node in one of the McLayoutMode modes: from the top
  // (children first, nothing passed up), after a change (around the
  // children's present boxes, then the parent in the same mode), or a power's
  // base re-measuring itself alone.
  virtual void Layout(CDC* dc, int mode);
  // Writes the node record (header, then the children's records); kinds with
  // a tail write it after calling the base.
  virtual void Store(CArchive& ar) const;
  virtual ~CMcBasic();
  // A deep copy without box and baseline, owned by the caller; base: null.
  virtual CMcBasic* Clone() const;
  // Difference bits (kMcDiff*): type words, sign bits and children only.
  virtual WORD Compare(const CMcBasic* other) const;
  // A new tree, the derivative by variable; options bit 0 = partial.
  virtual CMcBasic* Differentiate(CMcBasic* variable, unsigned options);
  // N = McStepCount(doc) values at t_i = i * sampling time, a new array owned
  // by the caller. Base: sets g_bEvalError, all values 0.
  virtual McComplex* EvaluateVector(CQorexDoc* doc) const;
  // Symbolic layer. Perform returns 1 when this node was replaced and no
  // longer exists; the base recurses into the children and returns 0.
  virtual WORD Perform();
  virtual void Tidy();
  virtual void Isolate(int which);
  virtual void Substitute(CMcBasic** patterns, CMcBasic** replacements, int count);

  // ---- tree operations -----------------------------------------------------
  // All keep m_count equal to the number of slots and set the inserted node's
  // m_parent. Indices out of range and nodes that are not children change
  // nothing (the result says so).

  // Puts newChild in oldChild's slot; returns oldChild, or null when it is not
  // a child. oldChild's m_parent is left as it was.
  CMcBasic* ReplaceChild(CMcBasic* newChild, CMcBasic* oldChild);
  // Stores node at index; returns the node that stood there (null: bad index).
  CMcBasic* SetChildAt(CMcBasic* node, int index);
  void AppendChild(CMcBasic* node);
  // Inserts before (after = FALSE) or after the sibling; appends when the
  // sibling is not a child.
  void InsertChildNextTo(CMcBasic* node, CMcBasic* sibling, BOOL after);
  // Inserts before or after the child at index; the only child of a childless
  // node. An index beyond the children appends.
  void InsertChildAt(CMcBasic* node, int index, BOOL after);
  // Takes node out of the array; returns it, or null when it is not a child.
  CMcBasic* RemoveChild(CMcBasic* node);
  CMcBasic* RemoveChildAt(int index);
  // Index of child among the children, -1 when it is none of them.
  int IndexOfChild(const CMcBasic* child) const;

  // Replaces every subtree matching pattern (Compare below 2) by a clone of
  // replacement carrying the merged sign. May delete this node: keep no
  // pointer to it afterwards. Does nothing to a matching root.
  void SubstituteOne(CMcBasic* pattern, CMcBasic* replacement);

  // ---- records -------------------------------------------------------------
  // Reads the header after the type word; FALSE when the input ran out or
  // the stored box lies beyond +-2^24 pixels, which no layout gives.
  static BOOL LoadHeader(CArchive& ar, WORD* childCount, McBox* box, WORD* baseline, WORD* flags);
  // Reads one node record; a new tree owned by the caller, or null when the
  // record is damaged, truncated, nested too deeply, holds a desktop below
  // its top or stands for no node.
  static CMcBasic* LoadNode(CArchive& ar);
  // Reads count child records into children (appended); on a failure deletes
  // the ones this call read and returns FALSE. Grows only as records arrive,
  // so a false count cannot drive a large allocation.
  static BOOL LoadChildren(CArchive& ar, int count, std::vector<CMcBasic*>& children);
  // Reads the header and the two children of a two-child record (division,
  // power, relation, declaration); FALSE (nothing left allocated) when the
  // record is refused.
  static BOOL LoadPair(CArchive& ar, CMcBasic** first, CMcBasic** second, McBox* box,
                       WORD* baseline, WORD* flags);
  // Reads a two-child record through LoadPair into the node make builds from
  // the two children and the flags, with the stored box and baseline; null
  // when the record is refused.
  static CMcBasic* LoadPairAs(CArchive& ar,
                              CMcBasic* (*make)(CMcBasic* first, CMcBasic* second, WORD flags));
  // Reads a three-child record (summation, evaluate-at, domain) into the node
  // make builds from the three children and the flags, with the stored box
  // and baseline; null when the record is refused (no third child read).
  static CMcBasic* LoadTripleAs(CArchive& ar, CMcBasic* (*make)(CMcBasic* first, CMcBasic* second,
                                                                CMcBasic* third, WORD flags));
  // Reads an n-ary record of at least minCount children into the node make
  // builds from the flags, with the stored box and baseline; null when the
  // record is refused. Sums and products need two children; a list body or a
  // matrix the editor left with fewer must load back.
  static CMcBasic* LoadList(CArchive& ar, CMcBasic* (*make)(WORD flags), int minCount = 2);
  // Gives a childless node exactly these children, setting their parents.
  void AdoptChildren(const std::vector<CMcBasic*>& children);
  // Appends each part that is not null, in order: the constructors of kinds
  // of fixed parts, which an editor may build before it has every part.
  void AppendParts(std::initializer_list<CMcBasic*> parts);

  // ---- family helpers (kinds call them from their overrides) ----------------
  // A caret step that leaves this node: the node becomes the caret node and
  // its parent takes the same step. FALSE at a root.
  BOOL PassOn(int direction, int modifier, McCursor* cursor);
  // Caret steps with the caret beside a node drawn around its parts (limit,
  // summation, evaluate-at, derivative, integral): up and down enter upPart
  // and downPart on the caret's side (a null part passes the step on); from
  // before the node right enters child 0 before it, from after the node left
  // enters lastPart after it; the other steps pass on.
  BOOL NavigateOnFrame(int direction, int modifier, McCursor* cursor, CMcBasic* upPart,
                       CMcBasic* downPart, CMcBasic* lastPart);
  // Where the column of a node of three parts stands: child 0, with child 2
  // over child 1 in a column beside it.
  enum ColumnSide { kColumnBefore, kColumnAfter };
  // Caret steps through such a node (summation: the limits before the term;
  // evaluate-at: the values after the expression). Beside the node it is
  // NavigateOnFrame. From a part, up and down cross the column and pass on
  // past its ends; a column part reached from child 0 gets the caret on the
  // side facing child 0, otherwise on the caret's side. A step toward the
  // column's side leaves the node; one toward child 0's side enters child 0
  // from the column, or leaves the node from child 0.
  BOOL NavigateWithColumn(int direction, int modifier, McCursor* cursor, ColumnSide column);
  // Caret steps through a node of two sides (relations, declarations): the
  // first side, then the second; up and down go to the parent.
  BOOL NavigatePair(int direction, int modifier, McCursor* cursor);
  // Caret steps through an n-ary list laid out in a line (sums, products).
  BOOL NavigateList(int direction, int modifier, McCursor* cursor);
  // Caret steps through children in rows of `columns` (a matrix; a list body
  // is one column): left and right leave the node at a row's ends, up and
  // down move by a row and leave it above the first row or below the last.
  BOOL NavigateGrid(int direction, int modifier, McCursor* cursor, int columns);
  // Difference bits of two nodes of two children: type words, signs, then
  // both children in order (children are compared only when both have two).
  WORD ComparePair(const CMcBasic* other) const;
  // Difference bits of two n-ary lists: type words, signs, counts, then the
  // children in any order (each takes the first equal child left unmatched).
  WORD CompareList(const CMcBasic* other) const;
  // The layout of a node without its children: an empty content box, then
  // sign and parentheses, then the parent again (after a change).
  void LayoutEmpty(CDC* dc, int mode);
  // The first step of the layout of a main part (child 0) with smaller parts
  // beside it (the others): a sum's limits, a limit's approach, the values of
  // an evaluation. A node without its `parts` children is laid out as empty
  // and the answer is false: the caller stops. Else, with kMcLayoutFromTop,
  // the main part is laid out at the node's level and the smaller parts one
  // size smaller; h and a are the cell height and ascent of the italic font
  // at the node's level, and the caller places the parts.
  bool LayoutMainAndSmallerParts(CDC* dc, int mode, int parts, int& h, int& a);
  // The last step of a Layout after a change: the parent grows around the new
  // box. A power's base re-measuring itself leaves the parent alone, as the
  // power asked and lays itself out next.
  void RelayoutParent(CDC* dc, int mode);

  // ---- sign and parentheses (margins as left, top, right, bottom) ----------
  // Adds the sign prefix and the node's own parentheses to the laid-out
  // content box; may set or clear flag bit 2 and move m_baseline.
  CRect LayoutSignAndParens();
  // Draws them with the node's own top-left corner at (x, y).
  CRect DrawSignAndParens(CDC* dc, int x, int y) const;
  // Margins of parentheses around an inner box with the given baseline.
  CRect LayoutParens(const McBox& box, int baseline) const;
  // Draws parentheses around an inner box placed at (x + box.x, y + box.y).
  CRect DrawParens(CDC* dc, int x, int y, const McBox& box, int baseline) const;

  // ---- small readers -------------------------------------------------------
  // An unsigned term of a sum other than its first is drawn with a "+".
  bool HasPlusPrefix() const;
  int GetSign() const { return m_flags & kMcSignMask; }
  int GetLevel() const { return McLevelOf(m_flags); }
  void SetLevel(int level) {
    m_flags = static_cast<WORD>((m_flags & ~kMcLevelMask) | McLevelBits(level));
  }
  CMcBasic* GetParent() const { return m_parent; }
  // Type word of the parent, or kMcRootParentType for a root.
  WORD GetParentType() const;

  CMcBasic(const CMcBasic&) = delete;
  CMcBasic& operator=(const CMcBasic&) = delete;

  // ---- data ----------------------------------------------------------------
  WORD m_flags;
  WORD m_count = 0;
  WORD m_baseline = 0;
  McBox m_box;
  CMcBasic** m_children = nullptr;
  CMcBasic* m_parent = nullptr;

 protected:
  explicit CMcBasic(WORD flags) : m_flags(flags) {}
  // Sets the box and baseline a record stored.
  void SetStoredLayout(const McBox& box, WORD baseline) {
    m_box = box;
    m_baseline = baseline;
  }
  // Deletes every child and releases the array (m_count becomes 0).
  void DeleteChildren();

 private:
  void DrawSign(CDC* dc, int x, int y) const;
};
