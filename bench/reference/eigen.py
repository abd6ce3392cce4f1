#!/usr/bin/python3
"""The eigenvalue benchmark of bench/eigen.cpp, run through numpy.linalg.

Generates the same 1,000 random complex matrices per order (2, 3, 4, 8) with
the same generator, operation for operation (see bench/eigen.cpp; the entry
sums printed first must equal the C++ program's), then times per matrix:
  eigvals stack   numpy.linalg.eigvals on the (1000, n, n) stack in one call,
                  as a vectorised sweep would use it,
  eig stack       numpy.linalg.eig on the stack (eigenvalues and eigenvectors),
  eigvals loop    numpy.linalg.eigvals called once per matrix,
  eig loop        numpy.linalg.eig called once per matrix,
and the worst |A z - w z| / (|A| |z|) of eig's pairs. Each figure is the best
of five runs. Matrices are row-major in both programs; nothing is reversed.

Run: /usr/bin/python3 bench/reference/eigen.py
"""
import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from splitmix64 import SplitMix64  # noqa: E402

ORDERS = [2, 3, 4, 8]
COUNT = 1000
REPEATS = 5


def matrices(n):
    rng = SplitMix64(0xE16E0000 + n)
    flat = [2 * rng.uniform() - 1 for _ in range(COUNT * 2 * n * n)]
    total = 0.0
    for v in flat:
        total += v
    parts = np.array(flat).reshape(COUNT, n, n, 2)
    return parts[..., 0] + 1j * parts[..., 1], total


def best_of(run):
    best = float("inf")
    for _ in range(REPEATS):
        start = time.perf_counter()
        run()
        best = min(best, time.perf_counter() - start)
    return best / COUNT * 1e6


def worst_residual(a, w, z):
    r = np.matmul(a, z) - z * w[:, None, :]
    rel = np.linalg.norm(r, axis=1) / (np.linalg.norm(a, axis=(1, 2))[:, None]
                                       * np.linalg.norm(z, axis=1))
    return float(rel.max())


def main():
    print("numpy %s" % np.__version__)
    for n in ORDERS:
        a, total = matrices(n)
        w, z = np.linalg.eig(a)
        print("order %d: entry sum %.17g" % (n, total))
        print("  eigvals stack %6.2f us/matrix   eig stack %6.2f us/matrix   "
              "eigvals loop %6.2f us/matrix   eig loop %6.2f us/matrix   worst residual %.3g"
              % (best_of(lambda: np.linalg.eigvals(a)), best_of(lambda: np.linalg.eig(a)),
                 best_of(lambda: [np.linalg.eigvals(m) for m in a]),
                 best_of(lambda: [np.linalg.eig(m) for m in a]), worst_residual(a, w, z)))


if __name__ == "__main__":
    main()
