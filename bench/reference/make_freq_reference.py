#!/usr/bin/python3
"""Reference values for the frequency engine's tests, computed with NumPy.

Writes tests/simulation/data/FreqReference.h for two loops on the default grid
(w_k = 0.001 r^k, k = 0 .. 199, r = (1000 / 0.001)^(1/200), advanced by
repeated multiplication as the engine does):
  the 3 x 3 design: G = [1/(s+1), 0.5/(2s+1), 0.2/(s+3); 0.3/(s+2),
      2/((s+1)(0.5s+1)), 0.4/(s+1); 0.1/(s+4), 0.2/(s+2), 1.5/(s+1)^2],
      K = diag(k_i (1 + T_i s) / (T_i s)), k = (2, 1.5, 1), T = (1, 2, 1),
      L = F = I;
  the 2 x 2 example: G = [1/(s+1), 2/(s+3); 1/(s+1), 1/(s+1)], K = L = I,
      F = diag(2, 0.5).
Q = L G K (jw) is formed here as the product of the evaluated blocks, not
from the engine's multiplied-out transfer functions. At the band frequencies
(grid points 0, 5, ..., 195) it stores:
  the inverse Q^-1 (numpy.linalg.inv);
  the characteristic loci, the eigenvalues of F Q (numpy.linalg.eigvals);
  each eigenvalue mu of Q with the moduli of its unit eigenvector's entries
      (numpy.linalg.eig), from which the misalignment angles follow;
  for the 2 x 2 example, the Ostrowski radii of Q^-1 with the diagonal gains
      of F, computed here from numpy's inverse (column- or row-based,
      whichever violates dominance less);
and the first and last grid frequency, and one element of degree 60,
(1 + 2s) / (1 + s + ... + s^60), at 900 rad/s.

Polynomials are written in ascending powers of s, as the system holds them;
numpy.polyval wants descending powers, so each is reversed (p[::-1]) where it
is evaluated.

Run from the repository root: /usr/bin/python3 bench/reference/make_freq_reference.py
"""
import numpy as np

OUT = "tests/simulation/data/FreqReference.h"
TIE = 1e-12  # the engine's tolerance for equal band sums
STEPS, TICK = 200, 5
W_MIN, W_MAX = 0.001, 1000.0


def grid():
    r = (W_MAX / W_MIN) ** (1.0 / STEPS)
    w, out = W_MIN, []
    for _ in range(STEPS):
        out.append(w)
        w *= r
    return out


def evaluate(num, den, w):
    """num(jw) / den(jw) of ascending coefficient lists."""
    s = 1j * w
    return np.polyval(np.array(num[::-1], dtype=float), s) / np.polyval(
        np.array(den[::-1], dtype=float), s)


def block(cells, w):
    return np.array([[evaluate(n, d, w) for (n, d) in row] for row in cells])


ONE, ZERO = ([1.0], [1.0]), ([0.0], [1.0])

G3 = [[([1], [1, 1]), ([0.5], [1, 2]), ([0.2], [3, 1])],
      [([0.3], [2, 1]), ([2], [1, 1.5, 0.5]), ([0.4], [1, 1])],
      [([0.1], [4, 1]), ([0.2], [2, 1]), ([1.5], [1, 2, 1])]]
K3 = [[([k * 1.0, k * T], [0, T]) if i == j else ZERO for j in range(3)]
      for i, (k, T) in enumerate([(2, 1), (1.5, 2), (1, 1)])]
I3 = [[ONE if i == j else ZERO for j in range(3)] for i in range(3)]

G2 = [[([1], [1, 1]), ([2], [3, 1])], [([1], [1, 1]), ([1], [1, 1])]]
I2 = [[ONE, ZERO], [ZERO, ONE]]
F2 = [[([2], [1]), ZERO], [ZERO, ([0.5], [1])]]


def loop(G, K, L, F, w):
    Q = block(L, w) @ block(G, w) @ block(K, w)
    return Q, block(F, w) @ Q


def zero_gains(F):
    return [F[i][i][0][0] / F[i][i][1][0] for i in range(len(F))]


def exceeds(a, b):
    """a > b by more than rounding (1e-12 of the larger): equal sums keep the columns."""
    return a - b > TIE * max(abs(a), abs(b))


def ostrowski(Q, Qi, f):
    """The Ostrowski band of the inverse, as the engine chooses it."""
    b = Q.shape[0]
    col = [sum(abs(Qi[r, i]) for r in range(b) if r != i) for i in range(b)]
    row = [sum(abs(Qi[i, c]) for c in range(b) if c != i) for i in range(b)]
    g = [abs(f[i] + Qi[i, i]) for i in range(b)]
    ratio_col = [col[i] / g[i] for i in range(b)]
    ratio_row = [row[i] / g[i] for i in range(b)]
    ost_col = [max([0.0] + [ratio_col[k] for k in range(b) if k != i]) * col[i] for i in range(b)]
    ost_row = [max([0.0] + [ratio_row[k] for k in range(b) if k != i]) * row[i] for i in range(b)]
    d = [abs(Qi[i, i]) for i in range(b)]
    vc = sum(ost_col[i] - d[i] for i in range(b) if d[i] < ost_col[i])
    vr = sum(ost_row[i] - d[i] for i in range(b) if d[i] < ost_row[i])
    sc, sr = sum(ost_col), sum(ost_row)
    rows = exceeds(vc, vr) or (not exceeds(vr, vc) and exceeds(sc, sr))
    return ost_row if rows else ost_col


def rows_of(values):
    return ["{" + ", ".join("%.17g" % v for v in line) + "}" for line in values]


def complex_parts(z):
    out = []
    for v in np.ravel(z):
        out += [v.real, v.imag]
    return out


def write_array(f, name, lines, width):
    f.write("inline const double %s[][%d] = {\n" % (name, width))
    for line in rows_of(lines):
        f.write("    %s,\n" % line)
    f.write("};\n")


def design(f, tag, G, K, L, F, ws):
    inverse, loci, eig, ost = [], [], [], []
    n = len(G)
    for k in range(0, STEPS, TICK):
        Q, FQ = loop(G, K, L, F, ws[k])
        Qi = np.linalg.inv(Q)
        inverse.append(complex_parts(Qi))
        loci.append(complex_parts(np.linalg.eigvals(FQ)))
        mu, V = np.linalg.eig(Q)
        line = []
        for j in range(n):
            v = V[:, j] / np.linalg.norm(V[:, j])
            line += [mu[j].real, mu[j].imag] + list(np.abs(v))
        eig.append(line)
        ost.append(ostrowski(Q, Qi, zero_gains(F)))
    f.write("// %s: Q^-1 row by row (re, im), the eigenvalues of F Q, and per eigenvalue\n"
            "// of Q {re, im, |v_0|, .., |v_n-1|} of its unit eigenvector, at grid points 0, 5, ...\n" % tag)
    write_array(f, "kInverse%s" % tag, inverse, 2 * n * n)
    write_array(f, "kLoci%s" % tag, loci, 2 * n)
    write_array(f, "kEigen%s" % tag, eig, n * (2 + n))
    return ost


def main():
    ws = grid()
    with open(OUT, "w") as f:
        f.write("#pragma once\n// clang-format off\n")
        f.write("// Made by bench/reference/make_freq_reference.py (NumPy %s).\n" % np.__version__)
        f.write("namespace freqref {\n")
        f.write("inline const double kFirstFrequency = %.17g;\n" % ws[0])
        f.write("inline const double kLastFrequency = %.17g;\n" % ws[-1])
        f.write("inline const int kBandFrequencies = %d;  // grid points 0, %d, ...\n"
                % (STEPS // TICK, TICK))
        design(f, "3", G3, K3, I3, I3, ws)
        ost = design(f, "2", G2, I2, I2, F2, ws)
        f.write("// The 2 x 2 example's Ostrowski radii of the inverse, per band frequency.\n")
        write_array(f, "kOstrowski2", ost, 2)
        num, den = [1.0, 2.0], [1.0] * 61
        v = evaluate(num, den, 900.0)
        f.write("// (1 + 2s) / (1 + s + ... + s^60) at 900 rad/s.\n")
        f.write("inline const double kDegree60At900[2] = {%.17g, %.17g};\n" % (v.real, v.imag))
        f.write("}  // namespace freqref\n")


if __name__ == "__main__":
    main()
