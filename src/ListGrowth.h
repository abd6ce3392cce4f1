#pragma once
// The growth rule of the system's growable lists: an entry that arrives at a
// full list doubles its room, and the list keeps the entries it holds. Several
// of these rooms are saved with a design (the variable table, the population,
// the variable loci, the definition tables) and checked against that rule when
// it loads, so every such list grows by this one rule.
//
// Window-free and engine-free: the engine, the numerics and the windows all use it.
#include <memory>
#include <utility>

// The room of a full list once the next entry arrives: twice what it was. A
// list that never had room gets room for one.
constexpr int DoubledCapacity(int capacity) {
  return capacity > 0 ? 2 * capacity : 1;
}

// Reallocates array to capacity entries (at least keep), moving its first
// keep entries across; the others are value-initialised.
template <class T>
void ReallocateKeeping(std::unique_ptr<T[]>& array, int keep, int capacity) {
  std::unique_ptr<T[]> larger(new T[static_cast<size_t>(capacity)]());
  for (int i = 0; i < keep; ++i) larger[i] = std::move(array[i]);
  array = std::move(larger);
}

// The same for an array that its owner deletes with delete[].
template <class T>
void ReallocateKeeping(T*& array, int keep, int capacity) {
  T* larger = new T[static_cast<size_t>(capacity)]();
  for (int i = 0; i < keep; ++i) larger[i] = std::move(array[i]);
  delete[] array;
  array = larger;
}
