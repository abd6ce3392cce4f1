#pragma once
// CMcMatrix: a rectangular array of expressions in brackets, kind kMcMatrix. The
// children are the elements in row-major order; the row count is the child
// count divided by the column count. The high byte of the flags word is the
// augmentation column count (0: plain; otherwise the columns left of the bar;
// a count not below the column count is ignored).
//
// Only a matrix with a single element has a value; a larger one sets
// g_bEvalError (the simulator reads matrices element by element instead).
// The resizers change a model matrix's shape and keep a diagonal design
// diagonal: new cells on the diagonal copy their upper-left neighbour.
#include "MC/MC_BASIC.h"

class CMcMatrix : public CMcBasic {
 public:
  // No elements yet and one column; creators append the elements and set the
  // column count.
  explicit CMcMatrix(WORD flags);

  // Reads a matrix record after its type word, empty ones included. An
  // element that does not load, a column count of 0 or one that does not
  // divide the element count yield no node.
  static CMcBasic* Load(CArchive& ar);

  // The sub-kinds of the type word, by shape.
  enum Shape : BYTE { kPlain = 1, kRowVector = 2, kColumnVector = 3, kAugmented = 4 };

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  // The kind with the shape as sub-kind.
  WORD GetType() const override;
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  // The common record, then the column count.
  void Store(CArchive& ar) const override;
  CMcBasic* Clone() const override;
  WORD Compare(const CMcBasic* other) const override;
  // A plain matrix: the matrix of the elements' derivatives, simplified. An
  // augmented one stays a formal derivative.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  // Resizers, each by n >= 1. Removing deletes the dropped elements and must
  // leave at least one row or column; a request that would not, or a matrix
  // that is not rectangular, changes nothing and yields FALSE.
  BOOL RemoveColumns(int n);
  BOOL RemoveRows(int n);
  BOOL AddColumns(int n);
  BOOL AddRows(int n);

  // Augmented when there is a bar; a row vector of two or more elements in
  // one row; a column vector of one column; else plain (a single element too).
  Shape GetShape() const;
  int GetColumns() const { return m_columns; }
  void SetColumns(WORD columns) { m_columns = columns; }
  // Rows, counting a last partial row of a matrix that is not rectangular.
  int GetRows() const;
  // The augmentation column count in effect (0 when it is not below the
  // column count).
  int GetAugmentation() const;

  WORD m_columns = 1;

 private:
  // Bracket margin: none when a determinant draws its own bars.
  int BracketMargin(int gap) const;
  // Gives the matrix a new child array of exactly these children.
  void ReplaceCells(CMcBasic** cells, int count);
};
