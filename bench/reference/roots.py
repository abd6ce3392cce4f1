#!/usr/bin/python3
"""The root-finding benchmark of bench/roots.cpp, run through numpy.roots.

Generates the same 10,000 stable polynomials per degree (4, 8, 16, 32, 64)
with the same generator, operation for operation (see bench/roots.cpp; the
coefficient sums printed first must equal the C++ program's), then times
numpy.roots (eigenvalues of the companion matrix) per polynomial and reports
the worst backward residual max |p(r)| / sum |a_i| |r|^i.

The generator works in ascending powers of s, as the system does; numpy.roots
wants descending powers, so each coefficient vector is reversed for the call
(the reversal happens before timing).

Run: /usr/bin/python3 bench/reference/roots.py [count]
"""
import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from splitmix64 import SplitMix64  # noqa: E402

DEGREES = [4, 8, 16, 32, 64]


def stable_polynomials(degree, count):
    rng = SplitMix64(0x5EED0000 + degree)
    polys = []
    for _ in range(count):
        c = [1.0]
        for _ in range(degree // 2):
            u1, u2, u3 = rng.uniform(), rng.uniform(), rng.uniform()
            if u3 < 0.5:
                x, y = -(0.1 + 1.9 * u1), 0.1 + 1.9 * u2
                q0, q1 = x * x + y * y, -2 * x
            else:
                r1, r2 = -(0.1 + 1.9 * u1), -(0.1 + 1.9 * u2)
                q0, q1 = r1 * r2, -(r1 + r2)
            n = len(c)
            at = lambda j: c[j] if 0 <= j < n else 0.0
            c = [q0 * at(j) + q1 * at(j - 1) + at(j - 2) for j in range(n + 2)]
        polys.append(c)  # ascending in s
    return polys


def backward_residual(ascending, roots):
    a = np.array(ascending[::-1])  # descending for np.polyval
    values = np.abs(np.polyval(a, roots))
    scale = np.polyval(np.abs(a), np.abs(roots))
    return float(np.max(values / scale))


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 10000
    for degree in DEGREES:
        polys = stable_polynomials(degree, count)
        total = 0.0
        for p in polys:
            for v in p:
                total += v
        descending = [np.array(p[::-1]) for p in polys]
        start = time.perf_counter()
        found = [np.roots(d) for d in descending]
        elapsed = time.perf_counter() - start
        worst = max(backward_residual(p, r) for p, r in zip(polys, found))
        print("degree %2d: coefficient sum %.17g  numpy.roots %.2f us/poly  worst residual %.3g"
              % (degree, total, elapsed / count * 1e6, worst))


if __name__ == "__main__":
    main()
