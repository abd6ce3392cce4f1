#include "QorexDoc.h"

CQorexDoc::CQorexDoc() = default;

CQorexDoc::~CQorexDoc() {
  m_models.DeleteAll();
  m_signals.DeleteAll();
  m_modelLibrary.DeleteAll();
  m_signalLibrary.DeleteAll();
}
