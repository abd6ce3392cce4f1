#pragma once
// QOX_HistVar: a document's population of recorded designs. Each entry holds
// one design's nine performance criteria (0 best, 1 worst), its closed-loop
// poles and the values of every variable of the document's table. The
// population is shown and edited in the history strip, sorted and culled by
// the Equalizer, and stored in the document file.
//
// Entries are moved by their pointers only: appends grow the four slot arrays
// by doubling, and the deletions shift slots without copying an entry's data.
// The front (index 0) holds the oldest entry until a sort reorders them.
//
// Record (little-endian): DWORD count, DWORD capacity, DWORD nVars, nVars flag
// bytes, then per entry DWORD nRoots, nRoots pairs of doubles (re, im), the
// nine criteria and the nVars values as doubles.
#include "MC/McComplex.h"
#include "platform/core/Types.h"

#include <vector>

class CArchive;
class CQorexDoc;

class QOX_HistVar {
 public:
  static constexpr int kCriteria = 9;
  static constexpr int kInitialCapacity = 64;
  // The largest capacity a file may give. A population never holds more than
  // "Max population" (at most 10000) plus one entry, so a saved capacity stays
  // at or below 16384; anything far beyond that is a damaged file, refused
  // before it can ask for huge slot arrays.
  static constexpr int kMaxLoadedCapacity = 1 << 16;

  // An empty population for doc: four slot arrays of 64 and a flag array of
  // one byte. The document calls Reset next.
  explicit QOX_HistVar(CQorexDoc* doc);
  virtual ~QOX_HistVar();
  QOX_HistVar(const QOX_HistVar&) = delete;
  QOX_HistVar& operator=(const QOX_HistVar&) = delete;

  // Empties the population and matches it to the document's variable table
  // again: m_nVars becomes the table's count, and a variable is marked fixed
  // when one of the document's signal definitions uses it. The capacity stays.
  void Reset();

  // Appends the current design with its nine criteria: its closed-loop poles
  // and its variable values. When the count then exceeds g_nHistoryLimit, the
  // oldest entries go in one step and the newest 3/4 of the limit (at least
  // one) stay.
  void Add(const double (&criteria)[kCriteria]);

  // Gives the newest entry the document's current closed-loop poles; nothing
  // when the population is empty.
  void UpdateLast();

  // Reorder the entries by score, largest first, so that the best designs
  // end up at the back: the weighted sum of the criteria, or criterion k
  // (0 .. 8). Equal scores come out in no particular order; a score that is
  // not a number counts as the worst.
  void SortByWeights(const double (&weights)[kCriteria]);
  void SortByCriterion(int k);
  // Removes trunc(count * g_dKillFraction) entries of largest weighted score;
  // the others keep their order.
  void KillWorst(const double (&weights)[kCriteria]);

  // Frees every entry.
  void KillAll();
  // Each takes an index 0 <= i < m_nCount (the callers clamp it).
  void Delete(int i);      // entry i; the later ones move up
  void DeleteUpTo(int i);  // entries 0 .. i; the rest move to the front
  void DeleteFrom(int i);  // entries i .. m_nCount - 1

  // Stores the record, or loads one in place of the whole population; a
  // loaded criterion that is not finite becomes 1.0 (the worst), the others
  // are clamped into 0 .. 1. A
  // damaged record (counts beyond the capacity or beyond what is left of the
  // input, a capacity out of range, a short read) leaves the population as it
  // was, marks the archive failed and gives FALSE.
  BOOL Serialize(CArchive& ar);

  CQorexDoc* m_pDoc;      // the owning document
  double** m_ppCriteria;  // per entry: the nine criteria
  McComplex** m_ppRoots;  // per entry: its m_pRootCounts[e] closed-loop poles
  double** m_ppValues;    // per entry: m_nVars variable values in table order
  BYTE* m_pFixed;         // per variable: 1 when a signal definition uses it
  int* m_pRootCounts;     // per entry: the number of its poles
  int m_nVars;            // variables per entry
  int m_nCount;           // entries
  int m_nCapacity;        // slots in each of the four per-entry arrays

 private:
  void FreeEntry(int e);
  // Moves entry from's slots to entry to (to <= from); from's slots are left as they were.
  void MoveEntry(int to, int from);
  // Doubles the four slot arrays, keeping the used slots.
  void Grow();
  // Drops the oldest entries so that keep entries stay.
  void KeepNewest(int keep);
  // Entry indices ordered by descending score (scores[e] of entry e).
  std::vector<int> OrderByScore(const std::vector<double>& scores) const;
  std::vector<double> WeightedScores(const double (&weights)[kCriteria]) const;
  // Puts entry order[i] at position i; order holds every entry once.
  void Permute(const std::vector<int>& order);
  void Store(CArchive& ar) const;
  // Loads into this population, freshly made; FALSE at the first damage.
  // Every entry it has made belongs to it, so its destructor cleans up.
  BOOL Load(CArchive& ar);
  void Swap(QOX_HistVar& other);
};
