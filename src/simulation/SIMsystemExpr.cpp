// The effective models as formulas: the five blocks, the loop products, the
// return difference and the two determinants, each an equality with its name
// on the left, for the "View Effective Models" dialog.
#include "simulation/SIMsystem.h"

#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_operator.h"
#include "MC/Mc_variable.h"

#include <array>
#include <initializer_list>

namespace {

// A block's name: upright, underlined twice as a matrix.
constexpr WORD kBlockNameFlags = 0x0500;
// In the Symbol face the letter F shows as a capital phi.
constexpr WORD kPhiFlags = 0x0010;

CMcBasic* BlockName(const char* name) {
  return new CMcVariable(name, "", kBlockNameFlags);
}

// X(s)
CMcBasic* FunctionHead(const char* name) {
  return new CMcFunction(new CMcVariable("s", "", 0), name, "", 0);
}

CMcBasic* Phi(const char* subscript) {
  return new CMcVariable("F", subscript, kPhiFlags);
}

CMcBasic* ProductOf(std::initializer_list<const char*> names) {
  auto* product = new CMcListmult(0);
  for (const char* name : names) product->AppendChild(BlockName(name));
  return product;
}

CMcBasic* ReturnDifference() {
  auto* sum = new CMcListsum(0);
  sum->AppendChild(BlockName("I"));
  sum->AppendChild(ProductOf({"F", "L", "G", "K"}));
  return sum;
}

CMcBasic* Equals(CMcBasic* left, CMcBasic* right) {
  return new CMcEquality(left, right, 0);
}

// |inner| = Phi_numerator / Phi_o/l: a determinant as the ratio of two
// characteristic polynomials.
CMcBasic* DeterminantRatio(CMcBasic* inner, const char* numerator) {
  auto* det = new CMcOperator(inner, CMcOperator::Flags(CMcOperator::kDeterminant));
  return Equals(det, new CMcDivision(Phi(numerator), Phi("o/l"), 0));
}

// What stands for a model computed from one that does not convert: upright
// words, no value of the stand-in.
constexpr char kNotConverted[] = "cannot be converted";

CMcBasic* NotConverted() {
  return new CMcVariable(kNotConverted, "", kMcConstant);
}

// The blocks each equality is computed from (bit 1 << slot).
constexpr unsigned kFromGK = 1u << kModelG | 1u << kModelK;
constexpr unsigned kFromLGK = kFromGK | 1u << kModelL;
constexpr unsigned kFromFLGK = kFromLGK | 1u << kModelF;

// The eleven equalities, appended to list in their order. One computed from a
// refused model (m_nInvalidModels) says so instead of showing a value.
void AppendModels(const CSIMsystem& s, CMcBasic* list, bool factored) {
  const unsigned refused = s.m_nInvalidModels;
  auto matrix = [&](const CSIMtrnmx& m, unsigned from) {
    if (refused & from) return NotConverted();
    return factored ? m.ToFactoredExpr() : m.ToPolyExpr();
  };
  auto single = [&](const CSIMtrnfn& t) {
    if (refused & kFromFLGK) return NotConverted();
    return factored ? t.ToFactoredExpr() : t.ToPolyExpr();
  };
  const std::array<std::pair<const char*, const CSIMtrnmx*>, 5> blocks = {
      {{"P", &s.m_P}, {"K", &s.m_K}, {"G", &s.m_G}, {"L", &s.m_L}, {"F", &s.m_F}}};
  for (int i = 0; i < kModelCount; ++i)
    list->AppendChild(Equals(FunctionHead(blocks[i].first), matrix(*blocks[i].second, 1u << i)));
  list->AppendChild(Equals(ProductOf({"G", "K"}), matrix(s.m_GK, kFromGK)));
  list->AppendChild(Equals(ProductOf({"L", "G", "K"}), matrix(s.m_LGK, kFromLGK)));
  list->AppendChild(Equals(ProductOf({"F", "L", "G", "K"}), matrix(s.m_FLGK, kFromFLGK)));
  list->AppendChild(Equals(ReturnDifference(), matrix(s.m_IFLGK, kFromFLGK)));
  list->AppendChild(Equals(DeterminantRatio(ReturnDifference(), "c/l"), single(s.m_detIFLGK)));
  // A single-channel loop has no transmission-zero determinant to show.
  CMcBasic* zeros = DeterminantRatio(ProductOf({"F", "L", "G", "K"}), "t/z");
  if (s.m_FLGK.m_nRows * s.m_FLGK.m_nCols == 1)
    list->AppendChild(zeros);
  else
    list->AppendChild(Equals(zeros, single(s.m_detFLGK)));
}

}  // namespace

// The blocks are held in the simulation form of their denominators; the
// conversions need the normal form, so they are toggled there and back.
void CSIMsystem::ToExpressions(CMcBasic* polyList, CMcBasic* factoredList) {
  const std::array<CSIMtrnmx*, 5> blocks = {&m_P, &m_K, &m_G, &m_L, &m_F};
  for (CSIMtrnmx* block : blocks) block->PrepareSimulation();
  if (factoredList != nullptr) AppendModels(*this, factoredList, true);
  if (polyList != nullptr) AppendModels(*this, polyList, false);
  for (CSIMtrnmx* block : blocks) block->PrepareSimulation();
}
