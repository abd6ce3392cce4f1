#include "MC/McKinds.h"

#include "MC/MC_BASIC.h"

#include "MC/MC_GROUP.h"
#include "MC/MC_LIMIT.h"
#include "MC/MC_LOG.h"
#include "MC/MC_NULL.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/MC_ROOT.h"
#include "MC/MC_SUM.h"
#include "MC/Mc_declaration.h"
#include "MC/Mc_derivative.h"
#include "MC/Mc_desktop.h"
#include "MC/Mc_division.h"
#include "MC/Mc_domain.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_function.h"
#include "MC/Mc_integral.h"
#include "MC/Mc_listbody.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"

namespace {

constexpr McKind kKinds[] = {
    {kMcGroup, "Group", &CMcGroup::Load},
    {kMcReal, "Real", &CMcReal::Load},
    {kMcFunction, "Function", &CMcFunction::Load},
    {kMcVariable, "Variable", &CMcVariable::Load},
    {kMcNull, "Null", &CMcNull::Load},
    {kMcMatrix, "Matrix", &CMcMatrix::Load},
    {kMcDeclaration, "Declaration", &CMcDeclaration::Load},
    {kMcListbody, "Listbody", &CMcListbody::Load},
    {kMcOperator, "Operator", &CMcOperator::Load},
    {kMcDomain, "Domain", &CMcDomain::Load},
    {kMcDivision, "Division", &CMcDivision::Load},
    {kMcRoot, "Root", &CMcRoot::Load},
    {kMcPower, "Power", &CMcPower::Load},
    {kMcLog, "Log", &CMcLog::Load},
    {kMcListsum, "Listsum", &CMcListsum::Load},
    {kMcListmult, "Listmult", &CMcListmult::Load},
    {kMcEvalat, "Evalat", &CMcEvalat::Load},
    {kMcIntegral, "Integral", &CMcIntegral::Load},
    {kMcDerivative, "Derivative", &CMcDerivative::Load},
    {kMcEquality, "Equality", &CMcEquality::Load},
    {kMcLimit, "Limit", &CMcLimit::Load},
    {kMcSum, "Sum", &CMcSum::Load},
    {kMcDesktop, "Desktop", &CMcDesktop::Load},
};

}  // namespace

std::span<const McKind> McKindTable() {
  return kKinds;
}

const McKind* McFindKind(WORD type) {
  const McKindCode code = McKindOf(type);
  for (const McKind& kind : kKinds) {
    if (kind.code == code) return &kind;
  }
  return nullptr;
}

bool McIsKind(const CMcBasic* node, McKindCode code) {
  return node != nullptr && McKindOf(node->GetType()) == code;
}

const char* McKindName(WORD type) {
  const McKind* kind = McFindKind(type);
  return kind ? kind->name : "None";
}
