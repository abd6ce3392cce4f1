#include "simulation/SIMsignal.h"

CSIMsignal::CSIMsignal()
    : m_wFlags(0), m_pSamples(new double[300]), m_nRows(1), m_nColumns(300), m_nCapacity(300) {}

CSIMsignal::~CSIMsignal() {
  delete[] m_pSamples;
}
