// The caret walks of every kind: arrow keys visit both sides of each node
// (and with modifier 16 the inside of a name or a typed number), take the
// vertical steps between the parts, and every walk ends.
#include "McTestSupport.h"

#include <map>

using namespace mctest;

namespace {

// The nodes of a test tree, one letter each, and the builders that name them.
struct Named : std::map<char, CMcBasic*> {
  CMcBasic* operator()(char letter, CMcBasic* node) { return (*this)[letter] = node; }
  CMcBasic* Leaf(char letter) { return (*this)(letter, Box(1, 1, 1)); }
  // The node in a group, which ends the walks that leave it.
  CMcBasic* Group(char letter, CMcBasic* node) {
    return (*this)('g', new CMcGroup((*this)(letter, node), "", 0));
  }
};

// Presses an arrow key from (node, side) until the caret no longer moves (at
// most 64 presses); the positions the caret took, start included, as text:
// "f0 n0 n1 f1" is node f side 0, then node n side 0, ...
std::string Walk(const Named& named, CMcBasic* node, int side, int direction, int modifier) {
  auto stop = [&] {
    char letter = '?';
    for (const auto& [l, n] : named) letter = n == node ? l : letter;
    char text[16];
    std::snprintf(text, sizeof text, "%c%d", letter, side);
    return std::string(text);
  };
  std::string stops = stop();
  for (int i = 0; i < 64; ++i) {
    McCursor cursor;
    cursor.node = cursor.origin = node;
    cursor.side = cursor.fromSide = static_cast<BYTE>(side);
    if (!node->Navigate(direction, modifier, &cursor)) return stops;
    node = cursor.node;
    side = cursor.side;
    stops += ' ';
    stops += stop();
  }
  ADD_FAILURE() << "the caret walk did not end: " << stops;
  return stops;
}

struct CaretCase {
  const char* what;
  std::function<CMcBasic*(Named&)> build;  // the root
  // "R+ f0 f2 x0": the arrow (L U R D; + for modifier 16), then the stops of
  // the walk, the first its start.
  std::vector<const char*> walks;
  const char* typed = nullptr;  // the number being typed at node r
};

}  // namespace

TEST(Caret, WalksOfEveryKind) {
  const CaretCase cases[] = {
      {"fraction",
       [](Named& n) { return n.Group('f', new CMcDivision(n.Leaf('n'), n.Leaf('d'), 0)); },
       {"R f0 n0 n1 f1", "L f1 n1 n0 f0", "D n1 d1", "U d0 n0", "U d1 n1", "D f0 d0",
        "R d0 d1 f1"}},
      {"power",
       [](Named& n) { return n.Group('p', new CMcPower(n.Leaf('b'), n.Leaf('e'), 0)); },
       {"R p0 b0 b1 p1", "L p1 b1 b0 p0", "U b1 e0", "D e0 b1", "R e0 e1 p1", "U p1 e1"}},
      {"relation",
       [](Named& n) {
         return n.Group('q',
                        new CMcEquality(n.Leaf('a'), n.Leaf('b'), McRelationFlags(kMcRelGreater)));
       },
       {"R q0 a0 a1 b0 b1 q1", "L q1 b1 b0 a1 a0 q0", "U a1", "D a1", "U q0", "D q0"}},
      {"declaration",
       [](Named& n) { return n.Group('q', new CMcDeclaration(n.Leaf('a'), n.Leaf('b'), 0)); },
       {"R q0 a0 a1 b0 b1 q1", "L q1 b1 b0 a1 a0 q0", "U a1", "D a1", "U q0", "D q0"}},
      {"floor",
       [](Named& n) {
         return n.Group('o', new CMcOperator(n.Leaf('a'), CMcOperator::Flags(CMcOperator::kFloor)));
       },
       {"R o0 a0 a1 o1", "L o1 a1 a0 o0", "U a1", "D a0", "U o0", "D o1"}},
      {"cube root",
       [](Named& n) { return n.Group('r', new CMcRoot(n.Leaf('a'), n.Leaf('n'), 0)); },
       {"R r0 a0 a1 r1", "L r1 a1 a0 r0", "U r0 n0", "U a1 n1", "D n1 a0", "R n0 n1 r1", "D r0"}},
      {"logarithm",
       [](Named& n) { return n.Group('l', new CMcLog(n.Leaf('a'), n.Leaf('b'), 0)); },
       {"R l0 a0 a1 l1", "L l1 a1 a0 l0", "D l0 b0", "D a1 b1", "U b1 a0", "U l1", "R b0 b1 l1"}},
      {"derivative by x and y",
       [](Named& n) {
         return n.Group('d', ListOf<CMcDerivative>(0, {n.Leaf('e'), n.Leaf('x'), n.Leaf('y')}));
       },
       {"R d0 e0 e1 d1", "L d1 e1 e0 d0", "D d0 x0", "D e1 y1", "D e0 x0", "U y1 e1",
        "R x0 x1 y0 y1 d1", "L y1 y0 x1 x0 d0", "U d1 e1"}},
      {"derivative of one child, walked as the childless D",
       [](Named& n) { return n.Group('d', ListOf<CMcDerivative>(0, {n.Leaf('e')})); },
       {"R d0 d1", "L d1 d0", "U d0"}},
      {"integral over x",
       [](Named& n) {
         return n.Group('i',
                        new CMcIntegral(n.Leaf('f'), n.Leaf('a'), n.Leaf('b'), n.Leaf('x'), 0));
       },
       {"R i0 f0 f1 x0 x1 i1", "L i1 x1 x0 f1 f0 i0", "U i0 b0", "D i1 a1", "U a0 b0", "D b1 a1",
        "U f0 b1", "D x0 a1", "R a0 a1 f0 f1 x0 x1 i1", "L b0 i0"}},
      {"line integral",
       [](Named& n) {
         return n.Group('i',
                        new CMcIntegral(n.Leaf('f'), n.Leaf('a'), n.Leaf('b'), n.Leaf('x'), 0x100));
       },
       {"R i0 f0 f1 i1", "L i1 f1 f0 i0", "R b0 b1 f0 f1 i1"}},
      {"sin x",
       [](Named& n) { return n.Group('f', Fn("sin", n('x', new CMcVariable("x", "", 0)))); },
       {"R+ f0 f2 f3 f4 x0 x1 f1", "L+ f1 x1 x0 f4 f3 f2 f0", "R f0 x0 x1 f1"}},
      {"y_12(t): after y, at the subscript's start, after 1, after 2",
       [](Named& n) { return n.Group('y', Fn("y", n('t', Time()), 0, "12")); },
       {"R+ y0 y2 y3 y4 y5 t0 t1 y1"}},
      {"limit",
       [](Named& n) { return n.Group('l', new CMcLimit(n.Leaf('e'), n.Leaf('a'), 0)); },
       {"R l0 e0 e1 l1", "L l1 e1 e0 l0", "D e1 a1", "U a0 e0", "D l0 a0", "U l1", "R a0 a1 l1",
        "L a1 a0 l0"}},
      {"summation",
       [](Named& n) { return n.Group('s', new CMcSum(n.Leaf('t'), n.Leaf('b'), n.Leaf('u'), 0)); },
       {"R s0 t0 t1 s1", "L s1 t1 t0 s0", "U s0 u0", "D s1 b1", "U t0 u1", "D t0 b1", "U b0 u0",
        "D u1 b1", "R b0 b1 t0 t1 s1", "L u0 s0"}},
      {"evaluate at",
       [](Named& n) {
         return n.Group('v', new CMcEvalat(n.Leaf('x'), n.Leaf('b'), n.Leaf('u'), 0));
       },
       {"R v0 x0 x1 v1", "L v1 x1 x0 v0", "U x1 u0", "D x1 b0", "L b0 x1 x0 v0", "R u0 u1 v1",
        "U b1 u1", "D u0 b0", "U v1 u1", "D v0 b0"}},
      {"domain a < v <= b as the left side of a relation",
       [](Named& n) {
         CMcBasic* d = n('d', new CMcDomain(n.Leaf('v'), n.Leaf('a'), n.Leaf('b'), 0x0200));
         return n.Group('q', new CMcEquality(d, n.Leaf('c'), McRelationFlags(kMcRelGreater)));
       },
       {"R q0 d0 a0 a1 v0 v1 b0 b1 d1 c0 c1 q1", "L q1 c1 c0 d1 b1 b0 v1 v0 a1 a0 d0 q0", "U v0",
        "D b1", "U d0"}},
      {"domain v in [a; b)",
       [](Named& n) {
         return n.Group('d', new CMcDomain(n.Leaf('v'), n.Leaf('a'), n.Leaf('b'), 0x0310));
       },
       {"R d0 v0 v1 a0 a1 b0 b1 d1", "L d1 b1 b0 a1 a0 v1 v0 d0", "D a0"}},
      {"list",
       [](Named& n) {
         return n.Group('l', ListOf<CMcListbody>(0, {n.Leaf('a'), n.Leaf('b'), n.Leaf('c')}));
       },
       {"D a1 b1 c1", "R l0 a0 a1 l1", "L l1 c1 c0 l0", "R b1 l1"}},
      {"2 x 3 matrix",
       [](Named& n) {
         std::vector<CMcBasic*> cells;
         for (char c : std::string("abcdef")) cells.push_back(n.Leaf(c));
         return n.Group('m', Matrix(3, cells));
       },
       {"R a0 a1 b0 b1 c0 c1 m1", "R d0 d1 e0 e1 f0 f1 m1", "D b1 e1", "U e0 b0", "U d1 a1",
        "L d0 m0", "R c1 m1", "U a0", "D f1"}},
      {"desktop",
       [](Named& n) {
         CMcBasic* desktop = n('k', new CMcDesktop(0));
         desktop->AppendChild(new CMcGroup(n('a', new CMcNull(0)), "", 0));
         desktop->AppendChild(n('b', new CMcNull(0)));
         return desktop;
       },
       {"R a0 a1", "L a1 a0", "R b0 b1", "L b1 b0"}},
      {"typed 123",
       [](Named& n) { return n('r', new CMcReal(123.0, 0)); },
       {"R+ r0 r2 r3 r1", "L+ r1 r3 r2 r0"},
       "123"},
      {"typed 7", [](Named& n) { return n('r', new CMcReal(7.0, 0)); }, {"R+ r0 r1"}, "7"},
      {"ab_c",
       [](Named& n) { return n('v', new CMcVariable("ab", "c", 0)); },
       {"R+ v0 v2 v3 v4 v1", "L+ v1 v4 v3 v2 v0"}},
      {"ab",
       [](Named& n) { return n('v', new CMcVariable("ab", "", 0)); },
       {"R+ v0 v2 v1", "L+ v1 v2 v0"}},
      {"x", [](Named& n) { return n('v', new CMcVariable("x", "", 0)); }, {"R+ v0 v1", "L+ v1 v0"}},
  };
  for (const CaretCase& c : cases) {
    SCOPED_TRACE(c.what);
    Named named;
    NodePtr root(c.build(named));
    std::unique_ptr<FocusScope> focus;
    if (c.typed) focus = std::make_unique<FocusScope>(named.at('r'), c.typed);
    for (const std::string walk : c.walks) {
      const size_t start = walk.find(' ') + 1;
      const int direction = static_cast<int>(std::string("LURD").find(walk[0]));
      EXPECT_EQ(Walk(named, named.at(walk[start]), walk[start + 1] - '0', direction,
                     walk[1] == '+' ? 16 : 0),
                walk.substr(start))
          << walk;
    }
    for (const auto& [letter, node] : named)
      for (int side = 0; side < 2; ++side)
        for (int direction = 0; direction < 4; ++direction)
          for (int modifier : {0, 16}) Walk(named, node, side, direction, modifier);
  }
}
