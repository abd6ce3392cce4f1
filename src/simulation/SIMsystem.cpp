#include "simulation/SIMsystem.h"

CSIMsystem::CSIMsystem() : m_dTs(0.0), m_nSteps(0), m_nStep(0), m_pDoc(nullptr) {
  m_c.m_wFlags |= 1;
  m_yd.m_wFlags |= 1;
}

CSIMsystem::~CSIMsystem() = default;
