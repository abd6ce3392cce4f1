#pragma once
// The diagram kinds: the low four bits of the view's diagram word
// (CQorexView::m_wDiagram) and of a frequency node's diagram byte, and the
// index of a diagram's scales and origin in the document (m_diagView). No
// window code: the frequency engine (src/simulation) reads them too.
#include "platform/core/Types.h"

enum : WORD {
  kDiagramRootLocus = 0,
  kDiagramNyquist = 1,
  kDiagramInverseNyquist = 2,
  kDiagramNichols = 3,
  kDiagramBode = 4,
  kDiagramCharNyquist = 5,  // the first of the characteristic diagrams
  kDiagramCharBode = 6,
  kDiagramCount = 7,
  kDiagramTypeMask = 0x000F
};

// The kind in the low four bits of a diagram word or byte.
constexpr int DiagramKindOf(unsigned diagram) {
  return static_cast<int>(diagram & kDiagramTypeMask);
}
// Whether the kind draws characteristic loci (branches) rather than cells.
constexpr bool IsCharacteristicDiagram(int kind) {
  return kind >= kDiagramCharNyquist;
}
