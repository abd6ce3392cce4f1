#!/usr/bin/python3
"""Reference values of model elements at a design variable's value, exactly.

Writes tests/simulation/data/LimitReference.h beside this script. Each case is
an element numerator / denominator written as text (the test builds the same
text as a tree), the values of its variables and whether the conversion must
take it. The reference is worked out by sympy in exact rationals: every
decimal in the text is the decimal itself, not its nearest double.

  "k->0"   k is 0 and the element is taken in the limit k -> 0: each part is
           a Laurent polynomial c(s) k^m + (higher powers); the limit is
           c_N(s) / c_D(s) where both lowest powers agree (the parts are not
           reduced against each other), and none where they differ.
  "a=1e-200"  the variable has that value: both parts become polynomials in s.
  "q=?"    q is bound to no table entry.

A sum with a term written "+- J" (the plus-minus sign) stands for the pair
factor (r)^2 + J^2 of the rest r of the sum and J, as the conversion reads it.
abs, floor and ceil are the operators; [x >= y] is the indicator 1 or 0 of the
relation. A numerator written "-(...)" negates the whole element: the test puts
that minus on the division, where the editor puts the minus of -(x)/y. A step of these whose limit is the same from both sides is that
constant near the limit.

A case the conversion must refuse still has its exact value written beside it
when one exists (a limit the rounding of doubles cannot show, a value beyond
the double range), so that the table says what a refusal gives up.

Run from the repository root: /usr/bin/python3 tests/simulation/data/make_limit_reference.py
"""
import os
import re

import sympy
from sympy.parsing.sympy_parser import (convert_xor, parse_expr, rationalize,
                                        standard_transformations)

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "LimitReference.h")
MAX_COEFS = 6
s = sympy.Symbol("s")
TRANSFORMS = standard_transformations + (convert_xor, rationalize)

# numerator, denominator, values, taken (else refused), why
CASES = [
    ("s + 1/k", "s + 2/k", "k->0", True, "both parts grow like 1/k"),
    ("s/k^2 + 3", "(s + 1)/k^2", "k->0", True, "the s term decides"),
    ("s^2/k^3 + s/k^2 + 1", "2*s^2/k^3 + 3/k", "k->0", True, "only the lowest power stays"),
    ("(1/k + s)^2", "(2/k + 1)^2", "k->0", True, "powers of sums"),
    ("(1/k + s)*(1/k - s)", "1/k^2 + 1", "k->0", True,
     "a cross term cancelled above the power kept"),
    ("1/k^2 + 1/k - 1/k + s", "2/k^2 + s", "k->0", True,
     "a sum cancelled above the power kept"),
    ("c/k + s", "1/k + s", "c=3 k->0", True, "another variable keeps its value"),
    ("-(s + 1/k)", "s + 2/k", "k->0", True, "a negated element keeps its sign in the limit"),
    ("2/k - s", "(s + 1)*(2/k + s)", "k->0", True, "a variable dead time of order 1 at 0"),
    ("s/(a + 1) + 1/k", "s + 2/k", "a=0 k->0", True,
     "the second variable at 0 in a divisor gives the limit"),
    ("(10.1/a + 20.2/a - 30.3/a)*a^2 + s", "s + 1", "a->0", True,
     "a rounding leftover above the power kept"),
    ("(1.000000000000003/a - 1/a)*a + 2 + s", "s + 1", "a->0", True,
     "a rough share of a coefficient that rounding bounds well"),
    ("1", "s/k + 1", "k->0", False, "the element vanishes"),
    ("s/k + 1", "1", "k->0", False, "the element grows without bound"),
    ("(1/k)^0.5 + s", "s + 2", "k->0", False, "the element grows without bound"),
    ("(1/k^2)^0.5 + s", "1/k + 2", "k->0", False, "no limit: 1 from above, -1 from below"),
    ("1/k + 1 - 1/k + s", "s + 2", "k->0", False, "a cancelled sum hides the constant term"),
    ("(1 + k)/k - 1/k + s", "s + 2", "k->0", False, "a cancelled sum hides the constant term"),
    ("10.1/a + 20.2/a - 30.3/a + 1", "30.3/a - 10.1/a - 20.2/a + s + 2", "a->0", False,
     "sums cancel only within rounding"),
    ("100.1/a + 200.2/a - 300.3/a + s", "300.3/a - 100.1/a - 200.2/a + s + 1", "a->0", False,
     "sums cancel only within rounding"),
    ("q/k + s + 1/k", "s + 2/k", "k->0 q=?", False, "q has no value"),
    ("(10.1/a + 20.2/a - 30.3/a)*a + s", "s + 1", "a->0", False,
     "a rounding leftover leaves the power kept unknown"),
    ("1e16/a + 1/a - 1e16/a + s/a", "1/a + s/a", "a->0", False,
     "a term that rounding swallowed leaves its power unknown"),
    ("(1e16/a + 1/a - 1e16/a)*a + s", "s + 1", "a->0", False,
     "an unknown power multiplied into the one kept"),
    ("(1e16/a + 1/a - 1e16/a)/(1/a) + s", "s + 1", "a->0", False,
     "an unknown power divided into the one kept"),
    ("(1.000000000000003/a - 1/a)*a + s", "s + 1", "a->0", False,
     "a kept coefficient known to some percent only"),
    ("(1.00000001 - 1)/a + s/a", "1/a + s/a", "a->0", False,
     "a kept coefficient that the rounding of the numbers read leaves rough"),
    ("(1.00000002 - 1)/a + s/a", "1/a + s/a", "a->0", False,
     "a kept coefficient known to 1.5 times the share allowed"),
    ("(1/(1.000000000000003 - 1) + 3.3e21)/a + s/a", "1/a + s/a", "a->0", False,
     "the inverse of a rough divisor is rougher than its first order says"),
    ("(((1.000000000000003 - 1)*1e15)^8 + 8.5e11)/a + s/a", "1/a + s/a", "a->0", False,
     "the power of a rough base is rougher than its first order says"),
    ("abs(k)/k + s", "s + 1", "k->0", False, "|k| / k is 1 above 0 and -1 below"),
    ("abs(k^2)/k^2 + s", "s + 1", "k->0", True, "|k^2| is k^2 on both sides"),
    ("abs(1/k) + s", "1/k + s", "k->0", False, "|1/k| is 1/k above 0 and -1/k below"),
    ("abs(2/k^3) + s", "1/k^3 + s", "k->0", False, "|2/k^3| is 2/k^3 above 0 and -2/k^3 below"),
    ("abs(2/k^2) + s", "1/k^2 + s", "k->0", True, "|2/k^2| is 2/k^2 on both sides"),
    ("floor(1 + k)/k + s", "1/k + s", "k->0", False, "floor(1 + k) is 1 above 0 and 0 below"),
    ("ceil(k - 1)/k + s", "1/k + s", "k->0", False, "ceil(k - 1) is 0 above 0 and -1 below"),
    ("floor(1.5 + k)/k + s", "1/k + s", "k->0", True, "floor(1.5 + k) is 1 on both sides"),
    ("[k >= 0]/k + s", "1/k + s", "k->0", False, "[k >= 0] is 1 above 0 and 0 below"),
    ("1e200*1e200/k + s", "1/k + s", "k->0", False, "a product overflows"),
    ("1e308/k + 1e308/k + s/k", "1/k + s/k", "k->0", False, "a sum overflows"),
    ("1e-200*1e-200/k + s", "1/k + 1", "k->0", False, "a product underflows"),
    ("1e-160*1e-160/k + s", "1/k + 1", "k->0", False, "a product is subnormal"),
    ("(a^2/a)/a", "1", "a=1e-150", True, "a^2 is a normal number"),
    ("(a^2/a)/a", "1", "a=1e-200", False, "a^2 underflows"),
    ("(a^2/a)/a", "1", "a=1e-300", False, "a^2 underflows"),
    ("a*a/a/a", "1", "a=1e-200", False, "a a underflows"),
    ("a^2*3e199*s + 1", "s + 2e100*a", "a=1e-100", True, "every product is a normal number"),
    ("a^-2 + s", "s + 1", "a=1e-200", False, "a power overflows"),
    ("s + 1/a", "s + 1", "a=1e308", False, "a quotient is subnormal"),
    ("s + 2^-1074", "s + 1", "", False, "a power is subnormal"),
    ("(1e-160/a)^2 + s/a", "1/a^2", "a->0", False, "a power in the limit is subnormal"),
    ("1", "(1e-160*s + 1)^2*1e306", "", False, "a product in a convolution is subnormal"),
    ("1", "(1e-160*s + 1 +- 1)*1e306", "", False, "a square in a conjugate pair is subnormal"),
]


def parse(text):
    # A term written "+- J" makes its sum r the pair factor r^2 + J^2.
    text = re.sub(r"\(([^()]*) \+- ([^()]*)\)", r"((\1)**2 + (\2)**2)", text)
    text = re.sub(r"\[([^]]*) >= ([^]]*)\]", r"Heaviside(\1 - (\2), 1)", text)
    text = text.replace("abs(", "Abs(").replace("ceil(", "ceiling(")
    # The design variables are real; s stays complex.
    names = {c: sympy.Symbol(c, real=True) for c in set(text) if c.isalpha() and c not in "es"}
    return parse_expr(text, local_dict=names, transformations=TRANSFORMS)


def settled(part, k):
    """part with each step of k that has one limit from both sides replaced by it."""
    for step in part.atoms(sympy.floor, sympy.ceiling, sympy.Heaviside):
        above, below = (sympy.limit(step, k, 0, side) for side in "+-")
        if above == below:
            part = part.subs(step, above)
    return part


def laurent_lead(part, k):
    """(c(s), m) with part = c(s) k^m + higher powers of k; None if no such form."""
    num, den = sympy.fraction(sympy.cancel(sympy.together(part)))
    try:
        pn, pd = sympy.Poly(num, k), sympy.Poly(den, k)
    except sympy.PolynomialError:
        return None
    if s in pd.free_symbols or any(not c.is_polynomial(s) for c in pn.coeffs()):
        return None
    low_n = min(m[0] for m in pn.monoms())
    low_d = min(m[0] for m in pd.monoms())
    lead = sympy.expand(pn.coeff_monomial(k ** low_n) / pd.coeff_monomial(k ** low_d))
    return lead, low_n - low_d


def ascending(poly):
    coefs = sympy.Poly(poly, s).all_coeffs()[::-1]
    assert len(coefs) <= MAX_COEFS
    return coefs


def reference(numerator, denominator, values):
    """Ascending coefficients (num, den) of the exact answer, or (None, text)."""
    n, d = parse(numerator), parse(denominator)
    limit = None
    for item in values.split():
        name, _, value = item.replace("->", "=").partition("=")
        if value == "?":
            return None, "no value"
        if "->" in item:
            limit = sympy.Symbol(name, real=True)
        else:
            symbol = sympy.Symbol(name, real=True)
            n, d = n.subs(symbol, sympy.Rational(value)), d.subs(symbol, sympy.Rational(value))
    if limit is None:
        return (ascending(sympy.expand(n)), ascending(sympy.expand(d))), None
    n, d = settled(n, limit), settled(d, limit)
    ln, ld = laurent_lead(n, limit), laurent_lead(d, limit)
    if ln is None or ld is None:
        sides = [sympy.limit(n / d, limit, 0, side) for side in "+-"]
        return None, "tends to %s from above, to %s from below" % tuple(map(sympy.sstr, sides))
    if ln[1] != ld[1]:
        return None, "vanishes" if ln[1] > ld[1] else "grows without bound"
    return (ascending(ln[0]), ascending(ld[0])), None


def shown(coefs):
    """A polynomial in s for the note; long rationals as six digits."""
    short = [c if len(str(c)) <= 12 else sympy.Float(c, 6) for c in coefs]
    return sympy.sstr(sum(c * s ** i for i, c in enumerate(short)))


def main():
    lines = []
    for numerator, denominator, values, taken, why in CASES:
        ref, text = reference(numerator, denominator, values)
        if taken:
            assert ref is not None, (numerator, denominator, text)
        num, den = ref if ref else ([], [])
        if ref is not None:
            note = "%s; exactly (%s) / (%s)" % (why, shown(num), shown(den))
        else:
            note = why if text in why else "%s; %s" % (why, text)
        if not taken:
            num, den = [], []  # refused: the exact answer is only told
        lines.append('    {"%s", "%s", "%s", %s, %d, {%s}, %d, {%s},\n     "%s"},\n' % (
            numerator, denominator, values, "true" if taken else "false", len(num),
            ", ".join(repr(float(c)) for c in num), len(den),
            ", ".join(repr(float(c)) for c in den), note))
    with open(OUT, "w") as f:
        f.write("// Generated by tests/simulation/data/make_limit_reference.py (sympy %s); "
                "do not edit.\n" % sympy.__version__)
        f.write("// Model elements numerator / denominator at their variables' values, the\n"
                "// limit where a variable tends to 0; coefficients ascending in s, exact\n"
                "// rationals rounded once. A refused case tells its exact answer only.\n")
        f.write("#pragma once\n// Generated reference data: laid out by its script, not by "
                "clang-format.\n// clang-format off\n\n")
        f.write("struct LimitReferenceCase {\n  const char* numerator;\n  const char* denominator;\n"
                "  const char* values;\n  bool taken;\n  int nNum;\n  double num[%d];\n"
                "  int nDen;\n  double den[%d];\n  const char* note;\n};\n\n"
                % (MAX_COEFS, MAX_COEFS))
        f.write("inline constexpr LimitReferenceCase kLimitReference[] = {\n")
        f.writelines(lines)
        f.write("};\n")


if __name__ == "__main__":
    main()
