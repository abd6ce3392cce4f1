#pragma once
// The diagram kinds: the low four bits of the view's diagram word
// (CQorexView::m_wDiagram) and of a frequency node's diagram byte, and the
// index of a diagram's scales and origin in the document (m_diagView); the
// other bits of the diagram byte and a node's cell byte. No window code: the
// frequency engine (src/simulation) reads them too.
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

// ---- a frequency node's diagram byte (CSIMfreq::m_nodeFlags, m_nPickDiagram) --
// The kind in bits 0-3, then the node's marks. Plain bytes, so that a kind
// and marks combine without mixing two enumerations.
inline constexpr BYTE kNodeSpare = 0x10;      // bit 4: means nothing, carried along unchanged
inline constexpr BYTE kNodeShowLabel = 0x20;  // bit 5: the node's frequency is written beside it
inline constexpr BYTE kNodeHertz = 0x40;      // bit 6: that frequency is shown and edited in Hz
// Bits 4-6: what a pick takes over from the picked node.
inline constexpr BYTE kNodeMarks = kNodeSpare | kNodeShowLabel | kNodeHertz;
// Bit 7: the second quantity of a two-quantity diagram, the phase of the
// Bode diagram or the angle of the characteristic Bode diagram.
inline constexpr BYTE kNodeSecondQuantity = 0x80;

// ---- a frequency node's cell byte (CSIMfreq::m_nodeCell) -----------------------
// The row in bits 4-7, the column in bits 0-3 (of a characteristic diagram,
// the branch). Each index is 0 to 15: NodeCell keeps the column's low four
// bits and the byte's low eight.
constexpr BYTE NodeCell(int row, int col) {
  return static_cast<BYTE>(row * 16 + (col & 0x0F));
}
constexpr int CellRow(BYTE cell) {
  return cell >> 4;
}
constexpr int CellCol(BYTE cell) {
  return cell & 0x0F;
}
