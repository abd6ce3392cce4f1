#!/usr/bin/python3
"""Closed-loop poles of the 2 x 2 drag design, computed with NumPy.

The design (the pole-drag benchmark's and the view's drag test's):
  G = [[1/(s+1), 0.5/(2s+1)], [0.3/(s+2), 2/((s+1)(0.5s+1))]],
  K = diag(k_i (1 + 1/(T_i s))), P = L = F = I.
The closed-loop poles are the zeros of det(I + G K). With every element over
its own denominator, det(I + G K) = N / D; the zeros of N that are also zeros
of D cancel (the system cancels them while forming the products), the rest are
the poles. Polynomials are written here in descending powers, as numpy.poly1d
wants them (the system holds ascending powers).

Writes tests/diagrams/data/DragReference.h: the poles of design A (k = (2,
1.5), T = (1, 2)) and of design B (the variables below), each sorted by
decreasing imaginary part. Run from the repository root:
  /usr/bin/python3 bench/reference/make_drag_reference.py
"""
import numpy as np

P = np.poly1d
OUT = "tests/diagrams/data/DragReference.h"
DESIGN_A = (2.0, 1.0, 1.5, 2.0)  # k1, T1, k2, T2
DESIGN_B = (3.0, 1.0, 1.8, 2.0)


def closed_loop_poles(k1, T1, k2, T2):
    n11, d11 = P([1]), P([1, 1])
    n12, d12 = P([0.5]), P([2, 1])
    n21, d21 = P([0.3]), P([1, 2])
    n22, d22 = P([2]), P([1, 1]) * P([0.5, 1])
    nk1, dk1 = P([k1 * T1, k1]), P([T1, 0])
    nk2, dk2 = P([k2 * T2, k2]), P([T2, 0])
    N = (d11 * dk1 + n11 * nk1) * (d22 * dk2 + n22 * nk2) * d12 * d21 \
        - n12 * n21 * nk1 * nk2 * d11 * d22
    D = d11 * d22 * d12 * d21 * dk1 * dk2
    roots = list(np.roots(N.coeffs))
    for d in np.roots(D.coeffs):
        near = [i for i, r in enumerate(roots) if abs(r - d) < 1e-6]
        if near:
            roots.pop(near[0])
    return sorted(roots, key=lambda r: (-r.imag, -r.real))


def table(name, roots):
    rows = ",\n".join("    {%.17g, %.17g}" % (r.real, r.imag) for r in roots)
    return "inline constexpr double %s[][2] = {\n%s};\n" % (name, rows)


def main():
    a = closed_loop_poles(*DESIGN_A)
    b = closed_loop_poles(*DESIGN_B)
    with open(OUT, "w") as f:
        f.write("#pragma once\n// Written by bench/reference/make_drag_reference.py (NumPy): the\n"
                "// closed-loop poles of the 2 x 2 drag design at two sets of variables,\n"
                "// by decreasing imaginary part.\n\nnamespace dragref {\n\n")
        f.write("inline constexpr double kVariablesA[4] = {%r, %r, %r, %r};  // k1 T1 k2 T2\n"
                % DESIGN_A)
        f.write("inline constexpr double kVariablesB[4] = {%r, %r, %r, %r};\n" % DESIGN_B)
        f.write(table("kPolesA", a))
        f.write(table("kPolesB", b))
        f.write("\n}  // namespace dragref\n")
    for r in a:
        print("A", r)
    for r in b:
        print("B", r)


if __name__ == "__main__":
    main()
