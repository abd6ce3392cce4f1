#!/usr/bin/python3
"""The Equalizer's cost terms of a 2 x 2 design, computed with NumPy by
equalizer.py's stepping and terms().

The design (the Equalizer cost test's):
  G = [[1/(s+1), 0.5/(2s+1)], [0.3/(s+2), 2/((s+1)(0.5s+1))]],
  K = diag((2 + 2s)/s, (1.5 + 3s)/(2s)) (PI controllers k (1 + T s)/(T s) with
  k = (2, 1.5), T = (1, 2)), P = L = F = I, Ts = 0.05 s.
Coefficients are ascending in s below, as in the system; equalizer.py's
stepping takes them so, nothing is reversed.
Its test run has m = 2 outputs and L = 290 samples: two step blocks, so the
sample weight of the final-value term runs on into the second block, the
time-constant term walks both blocks backwards, and every block counts the
other output's deviation too.

Writes tests/search/data/EqualizerReference.h: the eight terms by criterion,
the integration error estimate, and the weighted cost with the weights
1, 2, ..., 8 by criterion. Run from the repository root:
  /usr/bin/python3 bench/reference/make_equalizer_reference.py
"""
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from equalizer import STORAGE_ORDER, Block, loop, signals, terms  # noqa: E402

OUT = "tests/search/data/EqualizerReference.h"
M = 2
TS = 0.05
G = [([1], [1, 1]), ([0.5], [1, 2]), ([0.3], [2, 1]), ([2], [1, 1.5, 0.5])]
K_GAIN = (2.0, 1.5)
T_INT = (1.0, 2.0)
WEIGHTS = [1, 2, 3, 4, 5, 6, 7, 8]  # by criterion 0 .. 7
C_SIG, V_SIG, D_SIG, N_SIG = signals(M)
L = C_SIG.shape[1]


def identity():
    return [([1], [1]) if r == c else ([0], [1]) for r in range(M) for c in range(M)]


def controller():
    return [([K_GAIN[r], K_GAIN[r] * T_INT[r]], [0, T_INT[r]]) if r == c else ([0], [1])
            for r in range(M) for c in range(M)]


def run(h, steps):
    """z and u of the loop over `steps` samples at step length h."""
    blocks = (Block(identity(), M, M, h), Block(controller(), M, M, h), Block(G, M, M, h),
              Block(identity(), M, M, h), Block(identity(), M, M, h))
    return loop(blocks, (C_SIG, V_SIG, D_SIG, N_SIG), steps)


def main():
    z, u = run(TS, L)
    t = terms(z, u, C_SIG)
    half, _ = run(TS / 2, 40)
    E = np.max(np.abs(z[:, :20] - half[:, 0:40:2]))
    S = 0.0
    for crit in STORAGE_ORDER:
        S += t[crit] * WEIGHTS[crit]
    cost = 10 ** E * S
    with open(OUT, "w") as f:
        f.write("#pragma once\n// Written by bench/reference/make_equalizer_reference.py (NumPy): the\n"
                "// Equalizer's cost terms of the 2 x 2 test design's run (m = 2, L = 290,\n"
                "// Ts = 0.05 s), its integration error estimate and its cost under the\n"
                "// weights 1 .. 8 by criterion.\n\n"
                "// Generated reference data: laid out by this script, not by clang-format.\n"
                "// clang-format off\nnamespace equalizer_reference {\n\n")
        f.write("inline constexpr double kTs = %r;\n" % TS)
        f.write("inline constexpr double kGain[2] = {%r, %r};  // k1 k2\n" % K_GAIN)
        f.write("inline constexpr double kIntegral[2] = {%r, %r};  // T1 T2\n" % T_INT)
        f.write("inline constexpr double kTerms[8] = {\n%s};  // by criterion\n"
                % ",\n".join("    %.17g" % v for v in t))
        f.write("inline constexpr double kIntegrationError = %.17g;\n" % E)
        f.write("inline constexpr double kWeights[8] = {%s};  // by criterion\n"
                % ", ".join("%d" % w for w in WEIGHTS))
        f.write("inline constexpr double kCost = %.17g;\n" % cost)
        f.write("\n}  // namespace equalizer_reference\n// clang-format on\n")
    for i, v in enumerate(t):
        print("T%d %.17g" % (i, v))
    print("E %.17g" % E)
    print("cost %.17g" % cost)


if __name__ == "__main__":
    main()
