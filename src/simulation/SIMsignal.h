#pragma once
// CSIMsignal: a sampled multichannel signal, one row per channel and one column
// per sample; sample (channel, k) lies at channel * m_nColumns + k.
//
// The array only grows: a size that needs more than m_nCapacity doubles gets a
// fresh array of exactly that many (old values dropped); a smaller size only
// changes the row and column counts.
#include "platform/core/Types.h"

class CSIMsignal {
 public:
  // One row of 300 samples with room for 300 doubles; samples not set.
  CSIMsignal();
  virtual ~CSIMsignal();
  CSIMsignal(const CSIMsignal&) = delete;
  CSIMsignal& operator=(const CSIMsignal&) = delete;

  // Sample (channel, k); the caller keeps both within the signal.
  double& At(int channel, int k) { return m_pSamples[channel * m_nColumns + k]; }
  double At(int channel, int k) const { return m_pSamples[channel * m_nColumns + k]; }

  WORD m_wFlags;       // bit 0: shown in the signal panes
  double* m_pSamples;  // rows * columns samples, row by row
  int m_nRows;         // channels
  int m_nColumns;      // samples per channel
  int m_nCapacity;     // doubles the array has room for
};
