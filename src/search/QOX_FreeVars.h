#pragma once
// QOX_FreeVars: the free design variables a pattern search varies, one entry
// per variable: its entry in the document's variable table and its
// QOX_PatternAxis (the steps up and down, the side that succeeded last). The
// Equalizer's searches, the tuner and pole dragging each keep one. Room for
// five at first; an append to a full list doubles the room and keeps the
// entries (ListGrowth.h).
//
// The walk over the tunable variables fills it: the variable nodes of
// expression trees in the order the trees hold them (depth first), those
// whose table entry lies from CVARvalues::kFirstFreeEntry up to, not
// including, a bound. Whether a variable met again is listed again is the
// walk's duplicate rule: the Equalizer and pole dragging list each variable
// once; the tuner lists it once per occurrence and so searches it that often.
//
// Window-free; not thread-safe: the tuner keeps its list still while its
// worker runs.
#include "platform/core/Types.h"
#include "search/PatternStep.h"

#include <climits>
#include <initializer_list>
#include <memory>

class CMcBasic;
class CQorexDoc;
class CSIMsystem;

// A walk's duplicate rule.
enum class QOX_Repeats : BYTE {
  kOnce,           // a variable already listed is not listed again
  kPerOccurrence,  // every occurrence is an entry of its own
};

// A walk's bound when every table entry from the first free one on is listed.
inline constexpr int kAnyTableEntry = INT_MAX;

class QOX_FreeVars {
 public:
  static constexpr int kInitialCapacity = 5;
  struct Entry {
    int index;  // the variable's table entry
    QOX_PatternAxis axis;
  };

  // Empty, room for five.
  QOX_FreeVars();

  int Index(int i) const { return m_pEntries[i].index; }
  QOX_PatternAxis& Axis(int i) { return m_pEntries[i].axis; }
  const QOX_PatternAxis& Axis(int i) const { return m_pEntries[i].axis; }
  bool Contains(int index) const;

  void Clear() { m_nCount = 0; }
  // Appends index with both steps 0 and no side remembered; with kOnce only
  // when it is not listed yet.
  void Add(int index, QOX_Repeats repeats);
  // Removes the entry at i, or the first entry of index; the last entry
  // takes its place.
  void RemoveAt(int i);
  void Remove(int index);
  // What every search does first: both steps of entry i PatternStartStep of
  // valueOf(i), no side remembered.
  template <class ValueOf>
  void StartSteps(ValueOf&& valueOf) {
    for (int i = 0; i < m_nCount; ++i) {
      const double step = PatternStartStep(valueOf(i));
      m_pEntries[i].axis = {step, step, QOX_PatternAxis::kNone};
    }
  }

  std::unique_ptr<Entry[]> m_pEntries;
  int m_nCount = 0;
  int m_nCapacity = kInitialCapacity;
};

// ---- the walk over the tunable variables ---------------------------------------------

// The table entry of a variable node that a search may vary (bound, from
// CVARvalues::kFirstFreeEntry on), or -1 for any other node.
int QOX_FreeEntryOf(const CMcBasic* node);

// Whether the block of model slot (SIMmodelSlot) is marked "Allow automatic
// modification".
bool QOX_ModelTunable(const CSIMsystem& system, int slot);

// Lists the variables of tree (null: none) with entries below end.
void QOX_AddTreeVariables(const CMcBasic* tree, int end, QOX_Repeats repeats, QOX_FreeVars& vars);

// Lists the variables of the models of slots, in that order, whose block is
// marked tunable (the right sides of the document's model definitions).
void QOX_AddTunableVariables(const CQorexDoc& doc, std::initializer_list<int> slots, int end,
                             QOX_Repeats repeats, QOX_FreeVars& vars);
