#include "diagrams/QOX_DragGroup.h"

#include "ListGrowth.h"
#include "MC/MC_BASIC.h"
#include "QorexDoc.h"
#include "diagrams/QOX_DragPole.h"
#include "diagrams/RootLocus.h"

#include <cmath>

namespace {

// Half the side of the square around the mouse point, in pixels.
constexpr double kHitPixels = 3.0;
constexpr char kModelLetters[] = "PKGLF";
// Symbol code bit of a pole line (the tip draws the matching glyph).
constexpr WORD kPoleCode = 0x8000;

struct HitBox {
  double re, im, halfRe, halfIm;
  bool Contains(const McComplex& r) const {
    return std::fabs(r.re - re) <= halfRe && std::fabs(r.im - im) <= halfIm;
  }
};

HitBox BoxAt(const CQorexDoc& doc, int x, int y) {
  return {(x - doc.m_ptRlOrigin.x) / doc.m_dRlScaleX, (doc.m_ptRlOrigin.y - y) / doc.m_dRlScaleY,
          kHitPixels / doc.m_dRlScaleX, kHitPixels / doc.m_dRlScaleY};
}

CMcBasic* RightSide(CQorexDoc& doc, int model) {
  CMcBasic* definition = model < doc.m_models.GetCount() ? doc.m_models.GetAt(model) : nullptr;
  return definition != nullptr && definition->m_count >= 2 ? definition->m_children[1] : nullptr;
}

// The expression of element e of a model: child e of a matrix right side
// (null beyond it), or the right side itself for every element.
CMcBasic* ElementExpression(CQorexDoc& doc, int model, int element) {
  CMcBasic* rhs = RightSide(doc, model);
  if (!McIsKind(rhs, kMcMatrix)) return rhs;
  return element >= 0 && element < rhs->m_count ? rhs->m_children[element] : nullptr;
}

// "G.21", "G.21  (2)", "G", "G  (2)", "H", "H  (2)".
CString LabelText(CQorexDoc& doc, const RootLocusRoots& roots, int n) {
  CString text;
  if (roots.group == kRootGroupClosedLoop) {
    if (n == 1)
      text = "H";
    else
      text.Format("H  (%d)", n);
    return text;
  }
  const char letter = kModelLetters[roots.group];
  if (McIsKind(RightSide(doc, roots.group), kMcMatrix)) {
    const int columns = std::max(1, (doc.m_system.*kModelWiring[roots.group].block).m_nCols);
    const int row = roots.element / columns + 1, column = roots.element % columns + 1;
    if (n == 1)
      text.Format("%c.%d%d", letter, row, column);
    else
      text.Format("%c.%d%d  (%d)", letter, row, column, n);
  } else if (n == 1) {
    text.Format("%c", letter);
  } else {
    text.Format("%c  (%d)", letter, n);
  }
  return text;
}

}  // namespace

QOX_DragGroup::QOX_DragGroup(CQorexDoc* doc) : m_pDoc(doc) {
  for (int i = 0; i < m_nCapacity; ++i) m_items.push_back(std::make_unique<QOX_DragPole>());
}

QOX_DragGroup::~QOX_DragGroup() = default;

int QOX_DragGroup::HitTest(int x, int y, BOOL add) {
  const HitBox box = BoxAt(*m_pDoc, x, y);
  if (!add) m_nCount = 0;
  int found = 0;
  const RootLocusScene scene = RootLocusSceneOf(*m_pDoc);
  for (const RootLocusRoots& roots : scene.roots) {
    const bool model = roots.group != kRootGroupClosedLoop;
    for (int i = 1; i <= roots.count; ++i) {
      if (!box.Contains(roots.roots[i])) continue;
      if (model)
        Add(roots.function, ElementExpression(*m_pDoc, roots.group, roots.element), roots.roots[i],
            roots.poles, add);
      else
        Add(nullptr, nullptr, roots.roots[i], roots.poles, add);
      ++found;
    }
  }
  return found;
}

int QOX_DragGroup::GetLabel(int x, int y, CString texts[kMaxLabels], WORD codes[kMaxLabels]) {
  const HitBox box = BoxAt(*m_pDoc, x, y);
  int lines = 0;
  const RootLocusScene scene = RootLocusSceneOf(*m_pDoc);
  for (const RootLocusRoots& roots : scene.roots) {
    int n = 0;
    for (int i = 1; i <= roots.count; ++i)
      if (box.Contains(roots.roots[i])) ++n;
    if (n == 0) continue;
    texts[lines] = LabelText(*m_pDoc, roots, n);
    codes[lines] = static_cast<WORD>((roots.poles ? kPoleCode : 0) | roots.group);
    if (++lines == kMaxLabels) break;
  }
  return lines;
}

void QOX_DragGroup::Add(const CSIMtrnfn* function, CMcBasic* element, McComplex root, BOOL isPole,
                        BOOL add) {
  int slot = 0;
  if (!add) {
    m_nCount = 1;
  } else {
    if (m_nCount == m_nCapacity) {
      m_nCapacity = DoubledCapacity(m_nCapacity);
      while (static_cast<int>(m_items.size()) < m_nCapacity)
        m_items.push_back(std::make_unique<QOX_DragPole>());
    }
    slot = m_nCount++;
  }
  if (function != nullptr)
    m_items[slot]->Begin(function, element, root, isPole, m_pDoc);
  else
    m_items[slot]->BeginValue(root, isPole, m_pDoc);
}

BOOL QOX_DragGroup::DragTo(int x, int y) {
  for (int i = 0; i < m_nCount; ++i) m_items[i]->DragTo(x, y);
  return TRUE;
}

BOOL QOX_DragGroup::DragToEx(int x, int y) {
  for (int i = 0; i < m_nCount; ++i) m_items[i]->DragToEx(x, y, 0.01);
  return TRUE;
}

BOOL QOX_DragGroup::DeleteGrabbed() {
  int removed = 0;
  for (int i = 0; i < m_nCount; ++i) removed += m_items[i]->DeleteFactor();
  m_nCount = 0;
  return removed != 0;
}

void QOX_DragGroup::MoveClosedLoopPoles(CQorexDoc* doc) {
  // The search would move the poles of a loop built with a model's stand-in.
  if (doc != nullptr && doc->m_system.m_nInvalidModels != 0) return;
  m_items[0]->MoveClosedLoopPoles(doc);
}
