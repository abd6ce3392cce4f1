#pragma once
// CMXC_BIN: a growable list of expression trees, as the document keeps its
// models, signals and their libraries.
//
// The list owns its trees only for DeleteAll and Load: its destructor releases
// the array alone, so an owner calls DeleteAll before letting it go. Lists
// filled by CollectMatching and CollectFlagged borrow nodes that still belong
// to their trees and are dropped without DeleteAll.
//
// Record: the item count as a DWORD, then each tree's node record.
#include "platform/core/Types.h"

class CArchive;
class CMcBasic;

class CMXC_BIN {
 public:
  CMXC_BIN();
  virtual ~CMXC_BIN();
  CMXC_BIN(const CMXC_BIN&) = delete;
  CMXC_BIN& operator=(const CMXC_BIN&) = delete;

  // Appends a tree (the capacity doubles when the list is full); returns its index.
  int Add(CMcBasic* node);
  // Deletes every tree held; the array and the capacity stay.
  void DeleteAll();
  // Exchanges the held trees, array and capacity with other's.
  void Swap(CMXC_BIN& other);
  // Every item must be a tree (no null items).
  void Store(CArchive& ar) const;
  // Replaces the held trees by the ones read. FALSE, with the list empty, when
  // a record yields no node: the caller then refuses the whole input rather
  // than read on out of step.
  BOOL Load(CArchive& ar);
  // Appends clones of the items to node's children; FALSE (nothing changed)
  // for an empty list or when an item cannot be cloned.
  BOOL AppendClonesTo(CMcBasic* node) const;
  // Adds every node of tree (preorder) whose type word masked equals value,
  // unless an item already held matches it (Compare below 2).
  void CollectMatching(CMcBasic* tree, WORD value, WORD mask);
  // TRUE when tree (or, for a null tree, any item) holds a variable bound to
  // the table entry index.
  BOOL ContainsVariable(const CMcBasic* tree, int index) const;
  // Adds every node of tree (preorder) whose sign is plus-minus or minus-plus.
  void CollectFlagged(CMcBasic* tree);

  CMcBasic* GetAt(int i) const { return m_items[i]; }
  // The right side (second child) of definition i; null for an index outside
  // the list or an item without two sides.
  const CMcBasic* RightSideAt(int i) const;
  int GetCount() const { return m_count; }

  CMcBasic** m_items;
  int m_count = 0;
  int m_capacity;
};
