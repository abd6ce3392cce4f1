#pragma once
// CMXC_ARJ: a table of definitions, pairs of a pattern and the value bound to
// it, optionally inside an enclosing (outer) table.
//
// Mode 0 is a variable table: patterns are variables, names compared with
// the flags under kMcVariableStyleMask (Greek, constant, decoration). Mode 1 is a function
// table: patterns are functions of plain variables, compared under 0x0E10,
// and each value's parent pointer names its pattern. Any other mode is a plain
// list that is never searched. A search tries this table and then each outer
// table, newest entry first; the first entry whose name, subscript and masked
// flags equal the node's wins.
//
// The table owns its patterns and values; a pattern's sign is carried by its
// value. Record: WORD tag 0xFC00, WORD mode, DWORD count, DWORD capacity, then
// for each entry the pattern's node record and the value's, a lone WORD 0xFF00
// standing for a null pattern or value. The capacity starts at 2, doubles when
// an addition finds the table full, and is stored as it is.
#include "platform/core/Types.h"

#include <memory>

class CArchive;
class CMcBasic;

class CMXC_ARJ {
 public:
  static constexpr WORD kTag = 0xFC00;
  // The most entries a loaded record may allocate.
  static constexpr DWORD kMaxLoadCapacity = 65536;

  explicit CMXC_ARJ(WORD mode);
  virtual ~CMXC_ARJ();
  CMXC_ARJ(const CMXC_ARJ&) = delete;
  CMXC_ARJ& operator=(const CMXC_ARJ&) = delete;

  // Writes the record, tag first.
  void Store(CArchive& ar) const;
  // Reads a record whose tag the caller has read. Null, with nothing held
  // back, for a capacity of 0 or above kMaxLoadCapacity, a count above the
  // capacity or beyond what the input can hold, an entry that does not load,
  // or a null value.
  static CMXC_ARJ* Load(CArchive& ar);

  // Appends the pair, taking both; the pattern's sign moves to the value in
  // modes 0 and 1. Returns 1.
  int Add(CMcBasic* pattern, CMcBasic* value);
  // Deletes the pair at index and closes the gap; nothing for another index.
  void RemoveAt(int index);
  // Binds a new value to the pattern's name. Mode 0 only rebinds a name found
  // in the chain, the pattern's sign merged into the value. Mode 1 rebinds or
  // adds a function of a plain argument list (child 0 a variable, or a node
  // whose children are all unsigned variables), storing a clone of the
  // pattern; a signed pattern is refused. Other modes append. 1 when the
  // value was taken; 0 when it was refused and still belongs to the caller.
  int Define(CMcBasic* pattern, CMcBasic* value);
  // The value bound to node's name, not a copy; null when there is none. In
  // mode 1 the argument must have the shape of the pattern's: a pattern on a
  // single variable takes any argument, otherwise the kinds and child counts
  // must agree.
  CMcBasic* Lookup(const CMcBasic* node) const;
  // Binds every variable of the tree that this table (not the outer ones)
  // does not hold to itself, children first.
  void CollectVariables(const CMcBasic* tree);
  // Moves the values of the last n entries, in order, to the end of node's
  // children and deletes their patterns. 0, with nothing moved, for n outside
  // 0..count, a null value among them, or more than 65,535 children.
  int MoveTailInto(CMcBasic* node, int n);

  // Attaches the enclosing table (not owned); FALSE, with nothing changed,
  // when that would close a loop of tables.
  BOOL SetOuter(CMXC_ARJ* outer);

  WORD GetMode() const { return m_mode; }
  int GetCount() const { return m_count; }
  int GetCapacity() const { return m_capacity; }
  CMcBasic* GetPatternAt(int i) const { return m_patterns[i]; }
  CMcBasic* GetValueAt(int i) const { return m_values[i]; }
  CMXC_ARJ* GetOuter() const { return m_outer; }

 private:
  // The table and index of the newest entry, here or outward, whose pattern
  // names node under the mask; false when there is none.
  bool Find(const CMcBasic* node, WORD mask, const CMXC_ARJ** table, int* index) const;
  // The table of this chain that Find named, reached through the chain's own
  // pointers so that it can be changed.
  CMXC_ARJ* Outward(const CMXC_ARJ* table);
  // Whether this table alone has an entry naming node under the mask.
  bool HoldsName(const CMcBasic* node, WORD mask) const;
  void Grow(int capacity);

  WORD m_mode;
  std::unique_ptr<CMcBasic*[]> m_patterns;
  std::unique_ptr<CMcBasic*[]> m_values;
  CMXC_ARJ* m_outer = nullptr;
  int m_count = 0;
  int m_capacity;
};
