#include "tests/support/TunableK.h"

#include "tests/support/TreeBuilders.h"

namespace qxtest {

void TunableK(CQorexDoc& doc, std::optional<double> kp) {
  delete doc.m_models.GetAt(kModelK)->SetChildAt(trees::Variable("kp"), 1);
  doc.UpdateUsedVariables();
  if (kp) doc.m_vars.m_pValue[doc.m_vars.Find("kp", "", 0)] = *kp;
  doc.Recalculate();
}

}  // namespace qxtest
