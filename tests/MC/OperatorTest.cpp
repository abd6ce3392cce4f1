// Operators: every code's value against std::complex in both evaluation
// paths, the factorial against std::tgamma, the codes without a value, the
// type word under stray flag bits, comparison, and the layout of the operand
// between, under, before and after the marks.
#include "McTestSupport.h"

#include <complex>

using namespace mctest;

namespace {

using C = std::complex<double>;
using Op = CMcOperator;

// A leaf of fixed value that counts how often the vector path reached it.
class CountingLeaf : public ValueLeaf {
 public:
  explicit CountingLeaf(McComplex value) : ValueLeaf(value) {}
  McComplex* EvaluateVector(CQorexDoc* doc) const override {
    ++m_vectors;
    return ValueLeaf::EvaluateVector(doc);
  }
  mutable int m_vectors = 0;
};

}  // namespace

// The reference for each code with a value is the standard library's complex
// arithmetic; the node's minus negates both parts, in Evaluate and in every
// element of EvaluateVector alike.
TEST(Operator, EveryCodeAgreesWithStdComplexWithAndWithoutMinus) {
  const struct {
    int code;
    std::function<C(C)> reference;
  } rows[] = {
      {Op::kDeterminant, [](C z) { return z; }},
      {Op::kAbsolute, [](C z) { return C(std::abs(z)); }},
      {Op::kNorm, [](C z) { return C(std::norm(z)); }},
      {Op::kFloor, [](C z) { return C(std::floor(z.real()), std::floor(z.imag())); }},
      {Op::kCeiling, [](C z) { return C(std::ceil(z.real()), std::ceil(z.imag())); }},
      {Op::kConjugate, [](C z) { return std::conj(z); }},
      {Op::kToLeftOf, [](C z) { return z; }},
      {Op::kToRightOf, [](C z) { return z; }},
      {Op::kNot, [](C z) { return C(z == C(0) ? 1.0 : 0.0); }},
      {Op::kReal, [](C z) { return C(std::real(z)); }},
      {Op::kImaginary, [](C z) { return C(std::imag(z)); }},
      {Op::kArgument, [](C z) { return C(std::arg(z)); }},
      {Op::kBracket, [](C z) { return z; }},
  };
  const C operands[] = {{-2.5, 1.5}, {3, 4}, {0, 0}, {-1, 0}, {0, 2}, {0.3, -0.7}, {2.1, -3.9}};
  auto doc = SignalDoc(3);
  g_bEvalError = 0;
  for (const auto& row : rows) {
    for (WORD sign : {0, 1}) {
      for (const C z : operands) {
        Op node(new ValueLeaf(Mc(z)), Op::Flags(row.code, sign));
        const C expected = row.reference(z) * (sign ? -1.0 : 1.0);
        const McComplex value = Eval(&node);
        SCOPED_TRACE(std::string(node.GetName()) + (sign ? " negated" : "") + " of (" +
                     std::to_string(z.real()) + ", " + std::to_string(z.imag()) + ")");
        EXPECT_TRUE(Near(value, Mc(expected), 1e-15));
        Values vector(node.EvaluateVector(doc.get()));
        for (int k = 0; k < 3; ++k) EXPECT_TRUE(Same(vector[k], value)) << "sample " << k;
        EXPECT_FALSE(TakeEvalError());
      }
    }
  }
}

// The factorial is Gamma(re + 1) by a series good to about 1e-11 over the
// whole numbers up to 20; a negative or non-real operand is not a number,
// a numeric failure that leaves the flag alone.
TEST(Operator, FactorialAgainstTgamma) {
  g_bEvalError = 0;
  for (int n = 0; n <= 20; ++n) {
    Op node(Real(n), Op::Flags(Op::kFactorial));
    const double expected = std::tgamma(n + 1.0);
    EXPECT_NEAR(Eval(&node).re, expected, 1e-10 * expected) << n << "!";
  }
  Op negated(Real(3), Op::Flags(Op::kFactorial, 1));
  const McComplex minusSix = Eval(&negated);
  EXPECT_NEAR(minusSix.re, -6.0, 6e-12);
  EXPECT_TRUE(minusSix.im == 0.0 && std::signbit(minusSix.im));
  for (const McComplex z : {McComplex{-1, 0}, McComplex{2, 1}}) {
    Op node(new ValueLeaf(z), Op::Flags(Op::kFactorial));
    EXPECT_TRUE(std::isnan(Eval(&node).re)) << z.re << " + " << z.im << "j";
  }
  EXPECT_FALSE(TakeEvalError());
}

// Vector and matrix operators (curl among them) and the codes that name no
// operator (all called "Operator") have no value: 0 with the flag, from Evaluate after the operand,
// and from EvaluateVector without evaluating the operand at all.
TEST(Operator, CodesWithoutValueSetTheFlag) {
  auto doc = SignalDoc(4);
  const int codes[] = {Op::kAverage,
                       Op::kCurl,
                       Op::kDivergence,
                       Op::kLaplacian,
                       Op::kGradient,
                       Op::kAdjoint,
                       Op::kTranspose,
                       Op::kReserved,
                       Op::kOperator,
                       23,
                       31};
  for (int code : codes) {
    auto* operand = new CountingLeaf({2, 3});
    Op node(operand, Op::Flags(code, 1));
    if (code >= Op::kOperator) {
      EXPECT_STREQ(node.GetName(), "Operator") << code;
    }
    g_bEvalError = 0;
    EXPECT_TRUE(Same(Eval(&node), {0, 0})) << code;
    EXPECT_TRUE(TakeEvalError()) << code;
    Values vector(node.EvaluateVector(doc.get()));
    EXPECT_TRUE(TakeEvalError()) << code;
    EXPECT_EQ(operand->m_vectors, 0) << code;
  }
}

// Bits 13 to 15 of the flags are no part of the code: a damaged record or a
// paste that carries them still stores and loads an operator of its code,
// and keeps the bits.
TEST(Operator, StrayFlagBitsKeepTheKind) {
  for (WORD high : {0x00, 0x16, 0xE1, 0xFF}) {
    const WORD flags = static_cast<WORD>(high << 8 | 0x41);
    Op node(new CMcVariable("x", "", 0), flags);
    EXPECT_EQ(node.GetType(), Op::TypeOf(high & 31)) << std::hex << high;
    const Bytes bytes = Record(&node);
    EXPECT_EQ(McKindOf(static_cast<WORD>(bytes[0] | bytes[1] << 8)), kMcOperator);
    NodePtr back = Load(bytes);
    ASSERT_NE(back, nullptr) << std::hex << high;
    EXPECT_EQ(back->GetType(), node.GetType());
    EXPECT_EQ(back->m_flags, flags);
    EXPECT_EQ(back->Compare(&node), 0);
  }
}

TEST(Operator, CompareSeesCodeSignAndOperand) {
  Op floor(Real(2), Op::Flags(Op::kFloor));
  const struct {
    const char* what;
    CMcBasic* other;
    WORD diff;
  } rows[] = {
      {"clone", floor.Clone(), 0},
      {"negated", new Op(Real(2), Op::Flags(Op::kFloor, 1)), kMcDiffSign},
      {"another operand", new Op(Real(3), Op::Flags(Op::kFloor)), kMcDiffChild},
      {"another code", new Op(Real(2), Op::Flags(Op::kCeiling)), kMcDiffType},
      {"no operand", new Op(nullptr, Op::Flags(Op::kFloor)), kMcDiffCount},
      {"another kind", Real(2), kMcDiffType},
  };
  for (const auto& row : rows) {
    NodePtr other(row.other);
    EXPECT_EQ(floor.Compare(other.get()), row.diff) << row.what;
  }
}

using OperatorLayout = LayoutFixture;

// With H = 20: floor(x) is W H / 80 = 5 pixels plus 1 wider on each side,
// the operand at l + 6; a mark before the operand takes the room on the left
// (Re: 2 + 2 * 6); a mark after it leaves W H / 40 on the right; the average
// lifts the operand by 2 + H / 20 for its bar. Re(x) needs no parentheses,
// Re(x + 1) gets them (H / 3 = 6 on each side), the bracket always. Codes
// that name no operator lay out like code 21.
TEST_F(OperatorLayout, OperandPlacedByTheMark) {
  const struct {
    const char* what;
    int code;
    WORD sign, operandType;
    bool parens;
    const char* geometry;
  } rows[] = {
      {"floor(x)", Op::kFloor, 0, McTypeWord(kMcVariable), false, "22x20/16 6,0"},
      {"-floor(x)", Op::kFloor, 1, McTypeWord(kMcVariable), false, "32x20/16 16,0"},
      {"|x + 1|", Op::kAbsolute, 0, McTypeWord(kMcListsum), false, "16x20/16 3,0"},
      {"Re(x)", Op::kReal, 0, McTypeWord(kMcVariable), false, "24x20/16 14,0"},
      {"Re(x + 1)", Op::kReal, 0, McTypeWord(kMcListsum), true, "36x20/16 20,0"},
      {"Re of a matrix", Op::kReal, 0, McTypeWord(kMcMatrix, CMcMatrix::kPlain), false,
       "24x20/16 14,0"},
      {"conj(x)", Op::kConjugate, 0, McTypeWord(kMcVariable), false, "16x20/16 1,0"},
      {"x!", Op::kFactorial, 0, McTypeWord(kMcVariable), false, "16x20/16 1,0"},
      {"average of x", Op::kAverage, 0, McTypeWord(kMcVariable), false, "12x23/19 2,3"},
      {"average of x + 1", Op::kAverage, 0, McTypeWord(kMcListsum), false, "12x23/19 2,3"},
      {"(x)", Op::kBracket, 0, McTypeWord(kMcVariable), true, "24x20/16 8,0"},
      {"code 21", Op::kOperator, 0, McTypeWord(kMcListsum), true, "28x20/16 7,0"},
      {"code 25", 25, 0, McTypeWord(kMcListsum), true, "28x20/16 7,0"},
  };
  for (const auto& row : rows) {
    Op node(Box(10, 20, 16, row.operandType), Op::Flags(row.code, row.sign));
    node.Layout(nullptr, kMcLayoutFromTop);
    EXPECT_EQ(node.OperandHasParens(), row.parens) << row.what;
    EXPECT_EQ(Geometry(&node), row.geometry) << row.what;
  }
}

// Drawn in red: the floor's bars span the content's height with feet at the
// bottom turned inwards, the ceiling's at the top; codes without a mark draw
// nothing of their own.
TEST_F(OperatorLayout, DelimitersDrawBarsWithFeet) {
  for (int code : {int{Op::kFloor}, int{Op::kCeiling}, int{Op::kOperator}, 25}) {
    Op node(Box(10, 20, 16, McTypeWord(kMcVariable)), Op::Flags(code));
    node.Layout(nullptr, kMcLayoutFromTop);
    Canvas canvas(60, 40);
    canvas.dc()->SetTextColor(RGB(255, 0, 0));
    node.Draw(canvas.dc(), 10, 10);
    if (code > Op::kCeiling) {
      EXPECT_EQ(canvas.InkCount(), 0) << code;
      continue;
    }
    const int xl = 10 + 1, xr = 10 + node.m_box.width - 1, top = 10, bottom = 10 + 20 - 1;
    EXPECT_EQ(canvas.dc()->GetPixel(xl, top + 10), RGB(255, 0, 0)) << code;
    EXPECT_TRUE(canvas.Ink(xr, top + 10)) << code;
    const int feet = code == Op::kFloor ? bottom : top;
    const int open = code == Op::kFloor ? top : bottom;
    EXPECT_TRUE(canvas.Ink(xl + 2, feet) && canvas.Ink(xr - 2, feet)) << code;
    EXPECT_FALSE(canvas.Ink(xl + 2, open) || canvas.Ink(xr - 2, open)) << code;
    EXPECT_EQ(canvas.InkInRow(top + 10, xl + 2, xr - 1), 0) << "nothing between the bars";
  }
}
