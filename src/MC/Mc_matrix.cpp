#include "MC/Mc_matrix.h"

#include "GlobalResources.h"
#include "MC/MC_REAL.h"
#include "MC/MXC_TERM.h"
#include "MC/McComplex.h"
#include "MC/Mc_operator.h"
#include "platform/core/Archive.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <vector>

namespace {

// Column widths and row extents of a laid-out matrix; a last partial row of a
// matrix that is not rectangular counts as a row.
struct MatrixGrid {
  std::vector<int> width;    // per column: widest element
  std::vector<int> ascent;   // per row: largest baseline
  std::vector<int> descent;  // per row: largest height below the baseline
};

MatrixGrid Measure(CMcBasic* const* cells, int count, int columns, int rows) {
  MatrixGrid grid{std::vector<int>(columns, 0), std::vector<int>(rows, 0),
                  std::vector<int>(rows, 0)};
  for (int i = 0; i < count; ++i) {
    const CMcBasic* e = cells[i];
    const int r = i / columns, c = i % columns;
    grid.width[c] = std::max<int>(grid.width[c], e->m_box.width);
    grid.ascent[r] = std::max<int>(grid.ascent[r], e->m_baseline);
    grid.descent[r] = std::max<int>(grid.descent[r], e->m_box.height - e->m_baseline);
  }
  return grid;
}

CMcBasic* CloneOrZero(const CMcBasic* cell) {
  CMcBasic* copy = cell ? cell->Clone() : nullptr;
  return copy ? copy : new CMcReal(0.0, 0);
}

}  // namespace

CMcMatrix::CMcMatrix(WORD flags) : CMcBasic(flags) {}

CMcBasic* CMcMatrix::Load(CArchive& ar) {
  // An empty matrix is what the editor can leave behind: it must load back.
  CMcBasic* node = LoadList(
      ar, [](WORD flags) -> CMcBasic* { return new CMcMatrix(flags); }, 0);
  if (node == nullptr) return nullptr;
  WORD columns = 0;
  ar >> columns;
  if (ar.HasFailed() || columns == 0 || node->m_count % columns != 0) {
    delete node;
    return nullptr;
  }
  static_cast<CMcMatrix*>(node)->m_columns = columns;
  return node;
}

// ---- caret -------------------------------------------------------------------

BOOL CMcMatrix::Navigate(int direction, int modifier, McCursor* cursor) {
  return NavigateGrid(direction, modifier, cursor, m_columns);
}

// ---- kind ----------------------------------------------------------------------

WORD CMcMatrix::GetType() const {
  return McTypeWord(kMcMatrix, GetShape());
}

const char* CMcMatrix::GetName() const {
  switch (GetShape()) {
    case kAugmented:
      return "Augmented matrix";
    case kRowVector:
      return "Row vector";
    case kColumnVector:
      return m_count == 0 ? "Matrix" : "Column vector";
    default:
      return "Matrix";
  }
}

CMcMatrix::Shape CMcMatrix::GetShape() const {
  if (GetAugmentation() != 0) return kAugmented;
  if (m_columns == m_count && m_count >= 1) return m_count == 1 ? kPlain : kRowVector;
  if (m_columns == 1) return kColumnVector;
  return kPlain;
}

int CMcMatrix::GetRows() const {
  const int nc = std::max<int>(1, m_columns);
  return (m_count + nc - 1) / nc;
}

int CMcMatrix::GetAugmentation() const {
  const int a = McKindData(m_flags);
  return a < m_columns ? a : 0;
}

// ---- evaluation ------------------------------------------------------------------

McComplex* CMcMatrix::Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const {
  if (m_count != 1) return CMcBasic::Evaluate(result, doc, sim);
  m_children[0]->Evaluate(result, doc, sim);
  if (m_flags & kMcMinus) *result = McComplexNeg(*result);
  return result;
}

McComplex* CMcMatrix::EvaluateVector(CQorexDoc* doc) const {
  if (m_count == 0) return CMcBasic::EvaluateVector(doc);
  McComplex* values = m_children[0]->EvaluateVector(doc);
  if (m_count > 1) {
    g_bEvalError = 1;
    return values;
  }
  if (m_flags & kMcMinus) {
    const int n = McStepCount(doc);
    for (int i = 0; i < n; ++i) values[i] = McComplexNeg(values[i]);
  }
  return values;
}

// ---- layout and drawing --------------------------------------------------------

int CMcMatrix::BracketMargin(int gap) const {
  // A determinant draws its own bars around a plain, unsigned matrix.
  if (GetSign() == 0 && GetAugmentation() == 0 &&
      GetParentType() == CMcOperator::TypeOf(CMcOperator::kDeterminant))
    return 0;
  return gap;
}

void CMcMatrix::Layout(CDC* dc, int mode) {
  const int level = GetLevel();
  const int h = g_fontHeight[kFontItalic][level];
  const int g = h / 4;
  const int nc = std::max<int>(1, m_columns);
  const int nr = GetRows();
  const int aug = GetAugmentation();
  if (mode == kMcLayoutFromTop) {
    // Large matrices are set one size smaller.
    const int childLevel = m_count <= 16 ? level : level + 1;
    for (int i = 0; i < m_count; ++i) {
      m_children[i]->SetLevel(childLevel);
      m_children[i]->Layout(dc, kMcLayoutFromTop);
    }
  }
  const MatrixGrid grid = Measure(m_children, m_count, nc, nr);
  int height = std::max(nr - 1, 0) * (g + 2);
  for (int r = 0; r < nr; ++r) height += grid.ascent[r] + grid.descent[r];
  int width = (nc - 1) * (g + 2);
  for (int c = 0; c < nc; ++c) width += grid.width[c];
  const int m = BracketMargin(g);
  if (aug != 0) width += g + 2;
  width += 2 * m;
  m_box.width = width;
  m_box.height = height;
  m_baseline = static_cast<WORD>(std::max(0, (height - h) / 2 + g_fontAscent[kFontItalic][level]));
  const CRect margins = LayoutSignAndParens();

  // Elements centred in their columns, baselines aligned in each row.
  int y = margins.top;
  for (int r = 0; r < nr; ++r) {
    int x = m + margins.left;
    for (int c = 0; c < nc && r * nc + c < m_count; ++c) {
      CMcBasic* e = m_children[r * nc + c];
      e->m_box.x = x + grid.width[c] / 2 - e->m_box.width / 2;
      e->m_box.y = y + grid.ascent[r] - e->m_baseline;
      x += grid.width[c] + g + 2;
      if (c + 1 == aug) x += g + 2;
    }
    y += grid.ascent[r] + grid.descent[r] + g + 2;
  }
  RelayoutParent(dc, mode);
}

void CMcMatrix::Draw(CDC* dc, int x, int y) const {
  x += m_box.x;
  y += m_box.y;
  for (int i = 0; i < m_count; ++i) m_children[i]->Draw(dc, x, y);
  const CRect mg = DrawSignAndParens(dc, x, y);
  const int level = GetLevel();
  const int h = g_fontHeight[kFontItalic][level];
  const int W = m_box.width, H = m_box.height;
  const int color = ColorIndex(dc->GetTextColor());
  if (BracketMargin(h / 4) != 0) {
    dc->SelectObject(g_pens[(h > 19 && H + W > 300) ? 2 : 1][color]);
    dc->MoveTo(x + mg.left + 2 + h / 10, y + mg.top);
    dc->LineTo(x + mg.left + 1, y + mg.top);
    dc->LineTo(x + mg.left + 1, y + H - mg.bottom);
    dc->LineTo(x + mg.left + 3 + h / 10, y + H - mg.bottom);
    dc->MoveTo(x + W - mg.right - 2 - h / 10, y + mg.top);
    dc->LineTo(x + W - mg.right - 1, y + mg.top);
    dc->LineTo(x + W - mg.right - 1, y + H - mg.bottom);
    dc->LineTo(x + W - mg.right - 3 - h / 10, y + H - mg.bottom);
  }
  const int aug = GetAugmentation();
  if (aug != 0 && aug <= m_count) {
    // The bar stands right of the widest element of the last column before it.
    const int nc = std::max<int>(1, m_columns);
    int widest = 0;
    for (int i = aug - 1; i < m_count; i += nc)
      widest = std::max<int>(widest, m_children[i]->m_box.width);
    const CMcBasic* e = m_children[aug - 1];
    const int bx = x + h / 8 + 1 + e->m_box.x + e->m_box.width / 2 + widest / 2;
    dc->SelectObject(g_pens[1][color]);
    dc->MoveTo(bx, y);
    dc->LineTo(bx, y + H);
  }
}

// ---- records, copies, comparison -----------------------------------------------

void CMcMatrix::Store(CArchive& ar) const {
  CMcBasic::Store(ar);
  ar << m_columns;
}

CMcBasic* CMcMatrix::Clone() const {
  CMcMatrix* copy = new CMcMatrix(m_flags);
  copy->m_columns = m_columns;
  std::vector<CMcBasic*> cells;
  cells.reserve(m_count);
  for (int i = 0; i < m_count; ++i) cells.push_back(CloneOrZero(m_children[i]));
  copy->AdoptChildren(cells);
  return copy;
}

CMcBasic* CMcMatrix::Differentiate(CMcBasic* variable, unsigned options) {
  if (GetShape() == kAugmented) return CMcBasic::Differentiate(variable, options);
  auto* derivative = new CMcMatrix(m_flags);
  derivative->m_columns = m_columns;
  std::vector<CMcBasic*> cells;
  cells.reserve(m_count);
  for (int i = 0; i < m_count; ++i)
    cells.push_back(McDerivativeOf(m_children[i], variable, options));
  derivative->AdoptChildren(cells);
  return CMXC_TERM::Simplify(derivative);
}

WORD CMcMatrix::Compare(const CMcBasic* other) const {
  WORD diff = CMcBasic::Compare(other);
  if (diff == kMcDiffType) return diff;
  if (static_cast<const CMcMatrix*>(other)->m_columns != m_columns) diff |= kMcDiffValue;
  return diff;
}

// ---- resizers ---------------------------------------------------------------------

void CMcMatrix::ReplaceCells(CMcBasic** cells, int count) {
  delete[] m_children;
  m_children = count ? cells : nullptr;
  if (!count) delete[] cells;
  m_count = static_cast<WORD>(count);
  for (int i = 0; i < count; ++i) cells[i]->m_parent = this;
}

BOOL CMcMatrix::RemoveColumns(int n) {
  const int nc = m_columns;
  if (n < 1 || n >= nc || m_count % nc != 0) return FALSE;
  const int nr = m_count / nc, keep = nc - n;
  CMcBasic** cells = new CMcBasic*[keep * nr];
  int w = 0;
  for (int i = 0; i < m_count; ++i) {
    if (i % nc < keep)
      cells[w++] = m_children[i];
    else
      delete m_children[i];
  }
  ReplaceCells(cells, w);
  m_columns = static_cast<WORD>(keep);
  return TRUE;
}

BOOL CMcMatrix::RemoveRows(int n) {
  const int nc = std::max<int>(1, m_columns);
  if (m_count % nc != 0) return FALSE;
  const int nr = m_count / nc;
  if (n < 1 || n >= nr) return FALSE;
  const int keep = (nr - n) * nc;
  CMcBasic** cells = new CMcBasic*[keep];
  for (int i = 0; i < m_count; ++i) {
    if (i < keep)
      cells[i] = m_children[i];
    else
      delete m_children[i];
  }
  ReplaceCells(cells, keep);
  return TRUE;
}

BOOL CMcMatrix::AddColumns(int n) {
  const int nc = std::max<int>(1, m_columns);
  if (n < 1 || m_count % nc != 0) return FALSE;
  const int nr = m_count / nc;
  const long long wide = static_cast<long long>(nc) + n;
  if (wide > 0xFFFF || wide * nr > 0xFFFF) return FALSE;
  const int newNc = static_cast<int>(wide);
  CMcBasic** cells = new CMcBasic*[newNc * nr];
  // Row-major, so a new diagonal cell's upper-left neighbour already exists.
  for (int r = 0; r < nr; ++r) {
    for (int c = 0; c < newNc; ++c) {
      CMcBasic*& cell = cells[r * newNc + c];
      if (c < nc)
        cell = m_children[r * nc + c];
      else if (r == c)
        cell = CloneOrZero(cells[(r - 1) * newNc + c - 1]);
      else
        cell = new CMcReal(0.0, 0);
    }
  }
  ReplaceCells(cells, newNc * nr);
  m_columns = static_cast<WORD>(newNc);
  return TRUE;
}

BOOL CMcMatrix::AddRows(int n) {
  const int nc = std::max<int>(1, m_columns);
  if (n < 1 || m_count % nc != 0) return FALSE;
  const int nr = m_count / nc;
  const long long total = (static_cast<long long>(nr) + n) * nc;
  if (total > 0xFFFF) return FALSE;
  CMcBasic** cells = new CMcBasic*[total];
  for (int i = 0; i < m_count; ++i) cells[i] = m_children[i];
  for (int i = m_count; i < total; ++i) {
    const int r = i / nc, c = i % nc;
    cells[i] = (r == c && r >= 1) ? CloneOrZero(cells[(r - 1) * nc + c - 1]) : new CMcReal(0.0, 0);
  }
  ReplaceCells(cells, static_cast<int>(total));
  m_columns = static_cast<WORD>(nc);
  return TRUE;
}
