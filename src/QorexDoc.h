#pragma once
// CQorexDoc: one control-system design. So far it holds what numeric
// evaluation and the expression engine read: the variable table, the loop
// system and the four expression lists (models, signals and their libraries).
#include "MC/MXC_BIN.h"
#include "VARvalues.h"
#include "platform/ui/Document.h"
#include "simulation/SIMsystem.h"

class CQorexDoc : public CDocument {
 public:
  CQorexDoc();
  // Deletes the trees of the four expression lists.
  ~CQorexDoc() override;
  CQorexDoc(const CQorexDoc&) = delete;
  CQorexDoc& operator=(const CQorexDoc&) = delete;

  CVARvalues m_vars;         // variable table; entry 1 is the time variable t
  CSIMsystem m_system;       // the loop computed from the definitions
  CMXC_BIN m_models;         // five model definitions
  CMXC_BIN m_signals;        // nine signal definitions
  CMXC_BIN m_modelLibrary;   // stored models
  CMXC_BIN m_signalLibrary;  // stored signals
};
