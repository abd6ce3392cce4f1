#pragma once
// The subscript that names a design variable after a model element, row and
// column counted from 0: their 1-based numbers run together ("12") while both
// are single digits, the names stored designs already carry; from the tenth
// row or column on an underscore separates them ("1_11", "11_1"), so that no
// two elements share a name. The formula editor takes "_" into a subscript,
// and the variable table and the file keep it as any other character.
#include <string>

inline std::string ElementSubscript(int row, int col) {
  const bool runTogether = row < 9 && col < 9;
  return std::to_string(row + 1) + (runTogether ? "" : "_") + std::to_string(col + 1);
}
