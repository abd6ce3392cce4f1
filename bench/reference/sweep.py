#!/usr/bin/python3
"""The frequency sweep of bench/recalculate.cpp (Sweep/N), run through NumPy
over the whole stack of frequencies at once.

The 3 x 3 design of the recalculation benchmark (L = F = I, K diagonal PI),
on the grid w_k = 0.001 r^k, k = 0 .. N - 1, r = (1000 / 0.001)^(1/N),
advanced by repeated multiplication, for N = 200, 1,000 and 10,000:
  evaluation  L G K (jw) from the polynomials of its elements (numerator and
              denominator products, formed once beforehand) by numpy.polyval,
              and F L G K by numpy.matmul;
  inverse     numpy.linalg.inv of the stack;
  bands       at every 5th point, Gershgorin radii of Q and Q^-1 by columns
              and rows with the engine's choice, and Ostrowski's radii;
  loci        numpy.linalg.eigvals of F L G K, and numpy.linalg.eig of L G K
              with the gains (dB) and misalignment angles of its eigenvectors.
Reports microseconds per point for each part and in all (median of several
runs), and the checksum bench/recalculate.cpp prints: the sum of the moduli of
the loci and of the inverse.

Coefficients are written in ascending powers of s, as the system holds them;
numpy.polyval wants descending powers, so each is reversed (p[::-1]) when the
stack is evaluated.

Run: /usr/bin/python3 bench/reference/sweep.py [repeats]
"""
import sys
import time

import numpy as np

TICK = 5
G = [[([1], [1, 1]), ([0.5], [1, 2]), ([0.2], [3, 1])],
     [([0.3], [2, 1]), ([2], [1, 1.5, 0.5]), ([0.4], [1, 1])],
     [([0.1], [4, 1]), ([0.2], [2, 1]), ([1.5], [1, 2, 1])]]
K = [(2.0, 1.0), (1.5, 2.0), (1.0, 1.0)]  # k_i (1 + T_i s) / (T_i s)
F_GAINS = np.ones(3)


def asc_mul(a, b):
    """Product of two ascending coefficient lists."""
    return list(np.convolve(a, b))


def lgk_polynomials():
    """L G K with L = I and K diagonal: element (r, c) is G(r, c) K(c, c)."""
    cells = []
    for r in range(3):
        for c in range(3):
            k, T = K[c]
            num, den = G[r][c]
            cells.append((np.array(asc_mul(num, [k, k * T])[::-1]),
                          np.array(asc_mul(den, [0.0, T])[::-1])))  # descending for polyval
    return cells


def grid(n):
    r = (1000.0 / 0.001) ** (1.0 / n)
    w, out = 0.001, np.empty(n)
    for k in range(n):
        out[k] = w
        w *= r
    return out


def exceeds(a, b):
    """a > b by more than rounding (1e-12 of the larger), as the engine compares band sums."""
    return a - b > 1e-12 * np.maximum(np.abs(a), np.abs(b))


def choose_rows(col, row, diag):
    """Rows when the columns violate dominance more, or as much with a larger
    total; sums equal within rounding keep the columns."""
    vc = np.where(diag < col, col - diag, 0.0).sum(axis=1)
    vr = np.where(diag < row, row - diag, 0.0).sum(axis=1)
    sc, sr = col.sum(axis=1), row.sum(axis=1)
    return exceeds(vc, vr) | (~exceeds(vr, vc) & exceeds(sc, sr))


def bands(Q, Qi):
    Qb, Qib = np.abs(Q[::TICK]), np.abs(Qi[::TICK])
    diag, diag_inv = np.diagonal(Qb, axis1=1, axis2=2), np.diagonal(Qib, axis1=1, axis2=2)
    col, row = Qb.sum(axis=1) - diag, Qb.sum(axis=2) - diag
    col_inv, row_inv = Qib.sum(axis=1) - diag_inv, Qib.sum(axis=2) - diag_inv
    g = np.abs(F_GAINS + np.diagonal(Qi[::TICK], axis1=1, axis2=2))
    ratio_col, ratio_row = col_inv / g, row_inv / g
    n = Q.shape[1]
    others = ~np.eye(n, dtype=bool)
    phi = np.array([np.max(np.where(others[i], ratio_col, 0.0), axis=1) for i in range(n)]).T
    psi = np.array([np.max(np.where(others[i], ratio_row, 0.0), axis=1) for i in range(n)]).T
    ost_col, ost_row = phi * col_inv, psi * row_inv
    direct = np.where(choose_rows(col, row, diag)[:, None], row, col)
    inverse = np.where(choose_rows(col_inv, row_inv, diag_inv)[:, None], row_inv, col_inv)
    ostrowski = np.where(choose_rows(ost_col, ost_row, diag_inv)[:, None], ost_row, ost_col)
    return direct, row, inverse, ostrowski


def sweep(cells, w):
    times = {}
    t0 = time.perf_counter()
    s = 1j * w
    Q = np.empty((w.size, 3, 3), dtype=complex)
    for i, (num, den) in enumerate(cells):
        Q[:, i // 3, i % 3] = np.polyval(num, s) / np.polyval(den, s)
    FQ = np.matmul(np.eye(3) * F_GAINS, Q)
    t1 = time.perf_counter()
    Qi = np.linalg.inv(Q)
    t2 = time.perf_counter()
    band = bands(Q, Qi)
    t3 = time.perf_counter()
    loci = np.linalg.eigvals(FQ)
    mu, V = np.linalg.eig(Q)
    norms = np.sqrt((np.abs(V) ** 2).sum(axis=1))
    angles = np.degrees(np.arccos(np.abs(np.diagonal(V, axis1=1, axis2=2)) / norms))
    gains = 20 * np.log10(np.abs(mu))
    t4 = time.perf_counter()
    times = {"evaluation": t1 - t0, "inverse": t2 - t1, "bands": t3 - t2, "loci": t4 - t3}
    checksum = np.abs(loci).sum() + np.abs(Qi).sum()
    return times, checksum, (band, gains, angles)


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    cells = lgk_polynomials()
    for n in (200, 1000, 10000):
        w = grid(n)
        runs = [sweep(cells, w) for _ in range(repeats)]
        parts = {key: np.median([r[0][key] for r in runs]) / n * 1e6 for key in runs[0][0]}
        total = np.median([sum(r[0].values()) for r in runs]) / n * 1e6
        print("numpy sweep %5d points: %.2f us/point (evaluation %.2f, inverse %.2f, bands %.2f,"
              " loci %.2f); checksum %.12g"
              % (n, total, parts["evaluation"], parts["inverse"], parts["bands"], parts["loci"],
                 runs[0][1]))


if __name__ == "__main__":
    main()
