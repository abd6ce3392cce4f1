#pragma once
// What the frequency engine needs from the design search: the Performance
// Equalizer's pattern search over the free design variables. The numerics
// hold no window, so the application installs the "Performance Equalizer"
// bar, which implements this interface; tests install one that records the
// calls. While none is installed nothing is searched.
//
// A search started with mode bit 0x2000 costs every trial point with the
// engine's CSIMfreq::FrequencyCost on the bar's document; bit 0x8000 asks for
// the global search instead of the local one.
#include "platform/core/Types.h"

inline constexpr WORD kSearchFrequencyCost = 0x2000;
inline constexpr WORD kSearchGlobal = 0x8000;

class CSIMsearchUi {
 public:
  virtual ~CSIMsearchUi() = default;
  // Rebuilds the set of free design variables: those of the models marked
  // "Allow automatic modification", less those of the other models.
  virtual void CollectFreeVariables() = 0;
  // Searches the free variables with this mode word, then recalculates and
  // shows the bar's document.
  virtual void Optimize(WORD mode) = 0;
};

// The installed implementation (not owned), or null. User-interface thread.
void SetSearchUi(CSIMsearchUi* ui);
CSIMsearchUi* GetSearchUi();
