#!/usr/bin/python3
"""The Performance Equalizer's weighted cost of bench/equalizer.cpp in NumPy,
and a Nelder-Mead search over it.

The 3 x 3 reference design (G below, K = diag(k_i (1 + 1/(T_i s))) with
T = (1, 2, 1), P = L = F = I, Ts = 0.003 s) is run through the Equalizer's
test: m = 3 outputs, L = 100 m + 90 samples; output i steps at sample 100 i,
v is 0.5 over L - 90 .. L - 76, d 0.5 over L - 60 .. L - 46, and the noise
2 r / 32767 - 1 from the run-time library's generator seeded with 1 fills
L - 30 .. L - 1 of every row.

Each transfer-function element is stepped as the system steps it: one RK4
step per sample with the input held, which for x' = A x + B u is exactly
x <- T(hA) x + h S(hA) B u (T, S the Taylor polynomials of exp and
(exp(z) - 1)/z of degrees 4 and 3); the output is read from the state
before the step. The process sees the control action one sample late.
Coefficients are ascending in s, as in the system; the realisation is the
controllable canonical form of the ascending coefficients.

The cost: the eight terms of the Equalizer, summed in the weights' storage
order, times 10^(E) with E the integration error estimate (the first 20
samples re-run at half the sampling time), times the magnitude knee factor.

Run: /usr/bin/python3 bench/reference/equalizer.py [maxfev]
The start cost must equal the one bench_equalizer prints (1e-9 relative);
maxfev is the evaluation count of its OptimizeGlobal workload.
"""
import sys
import time

import numpy as np

TS = 0.003
M = 3
L = 100 * M + 90
KNEE = 300.0
SUPPRESSION = 1.0
# Weights by criterion 0..7 and the storage order in which S is added.
WEIGHTS = [50, 50, 20, 20, 0, 0, 0, 10]
STORAGE_ORDER = [0, 7, 1, 2, 3, 5, 4, 6]
START = [2.0, 1.5, 1.0]
T_INT = [1.0, 2.0, 1.0]
# num, den ascending in s, row by row.
G = [([1], [1, 1]), ([0.5], [1, 2]), ([0.2], [3, 1]),
     ([0.3], [2, 1]), ([2], [1, 1.5, 0.5]), ([0.4], [1, 1]),
     ([0.1], [4, 1]), ([0.2], [2, 1]), ([1.5], [1, 2, 1])]


def element(num, den):
    """(A, B, C, D) of num/den (ascending), controllable canonical form."""
    den = [float(c) for c in den]
    num = [float(c) for c in num] + [0.0] * (len(den) - len(num))
    m = len(den) - 1
    if m == 0:
        return None, None, None, num[0] / den[0]
    a = [-c / den[m] for c in den[:m]]
    dm = 1.0 / den[m]
    A = np.zeros((m, m))
    A[:-1, 1:] = np.eye(m - 1)
    A[-1, :] = a
    B = np.zeros(m)
    B[-1] = dm
    # y = sum b_i x_i + b_m (dm u + sum a_i x_i)
    C = np.array(num[:m]) + num[m] * np.array(a)
    return A, B, C, num[m] * dm


class Block:
    """A matrix of elements stepped together: states stacked in one vector."""

    def __init__(self, elements, rows, cols, h):
        self.rows, self.cols = rows, cols
        parts = [element(n, d) for n, d in elements]
        n = sum(0 if p[0] is None else p[0].shape[0] for p in parts)
        A = np.zeros((n, n))
        B = np.zeros((n, cols))
        C = np.zeros((rows, n))
        D = np.zeros((rows, cols))
        at = 0
        for idx, (a, b, c, d) in enumerate(parts):
            r, col = divmod(idx, cols)
            D[r, col] = d
            if a is None:
                continue
            k = a.shape[0]
            A[at:at + k, at:at + k] = a
            B[at:at + k, col] = b
            C[r, at:at + k] = c
            at += k
        hA = h * A
        I = np.eye(n)
        hA2 = hA @ hA
        hA3 = hA2 @ hA
        self.phi = I + hA + hA2 / 2 + hA3 / 6 + hA3 @ hA / 24
        self.gamma = h * (I + hA / 2 + hA2 / 6 + hA3 / 24) @ B
        self.C, self.D = C, D
        self.x = np.zeros(n)

    def step(self, u):
        y = self.C @ self.x + self.D @ u
        self.x = self.phi @ self.x + self.gamma @ u
        return y


def identity():
    return [([1], [1]) if r == c else ([0], [1]) for r in range(3) for c in range(3)]


def controller(k):
    return [([k[r], k[r] * T_INT[r]], [0, T_INT[r]]) if r == c else ([0], [1])
            for r in range(3) for c in range(3)]


def signals(m=M):
    """The test signals of m outputs: c, v, d and n, m rows of 100 m + 90 samples."""
    L = 100 * m + 90
    c = np.zeros((m, L))
    for i in range(m):
        c[i, 100 * i:] = 1.0
    v = np.zeros((m, L))
    v[:, 100 * m:100 * m + 15] = 0.5
    d = np.zeros((m, L))
    d[:, 100 * m + 30:100 * m + 45] = 0.5
    n = np.zeros((m, L))
    state = 1
    for i in range(m):
        for k in range(L):
            if k >= 100 * m + 60:
                state = (state * 214013 + 2531011) & 0xFFFFFFFF
                n[i, k] = 2.0 * ((state >> 16) & 0x7FFF) / 32767.0 - 1.0
    return c, v, d, n


C_SIG, V_SIG, D_SIG, N_SIG = signals()


def loop(blocks, sigs, steps):
    """z and u of the loop of blocks (P, K, G, L, F) driven by sigs (c, v, d,
    n) over `steps` samples."""
    P, K, Gb, Lb, F = blocks
    c, v, d, n = sigs
    m = c.shape[0]
    z = np.zeros((m, steps))
    u = np.zeros((m, steps))
    for t in range(steps):
        r = P.step(c[:, t])
        uv = u[:, t - 1] + v[:, t - 1] if t > 0 else np.zeros(m)
        y = Gb.step(uv)
        z[:, t] = Lb.step(y + d[:, t])
        w = F.step(z[:, t] + n[:, t])
        u[:, t] = K.step(r - w)
    return z, u


def run(k, h, steps):
    """z and u of the loop over `steps` samples at step length h."""
    blocks = (Block(identity(), 3, 3, h), Block(controller(k), 3, 3, h), Block(G, 3, 3, h),
              Block(identity(), 3, 3, h), Block(identity(), 3, 3, h))
    return loop(blocks, (C_SIG, V_SIG, D_SIG, N_SIG), steps)


def terms(z, u, R=None):
    """The eight cost terms of the run z, u against the setpoint R (m rows of
    100 m + 90 samples; the reference design's by default)."""
    R = C_SIG if R is None else R
    m, L = R.shape
    Y = z
    t = np.zeros(8)
    g = 1.0
    for i in range(m):
        for k in range(100 * i, 100 * i + 100):
            t[0] += np.sum((R[:, k] - Y[:m, k]) ** 2) + g * (1 - Y[i, k]) ** 2
            g *= 1.05
    t[0] /= 100
    g = 1.0
    for i in range(m):
        for k in range(100 * i + 99, 100 * i - 1, -1):
            t[1] += g * (1 - Y[i, k]) ** 2
            g *= 1.05
    t[1] /= 100
    for i in range(m):
        for k in range(100 * i, 100 * i + 98):
            a, b, c = Y[i, k], Y[i, k + 1], Y[i, k + 2]
            if b < a:
                t[2] += a - b
            if abs(b - c) > abs(a - b):
                t[2] += abs(b - c) - abs(a - b)
    s = sum(np.max(np.abs(R[j, 100 * i:100 * i + 100] - Y[j, 100 * i:100 * i + 100]))
            for i in range(m) for j in range(m) if j != i)
    t[3] = (s + 1) * s * 100
    weights = np.arange(1, 31)
    for idx, first in ((4, L - 90), (5, L - 60)):
        t[idx] = sum(np.sum(weights * (R[i, L - 91] - Y[i, first:first + 30]) ** 2) for i in range(m))
    for i in range(m):
        dev = np.abs(R[i, L - 91] - Y[i, L - 30:L])
        t[6] += np.sum(dev) + 30 * np.max(dev)
    t[7] = 10 * sum(np.max(np.abs(u[i, :L - 90])) for i in range(u.shape[0]))
    return t


def cost(k):
    z, u = run(k, TS, L)
    t = terms(z, u)
    S = 0.0
    for crit in STORAGE_ORDER:
        S += t[crit] * WEIGHTS[crit]
    half, _ = run(k, TS / 2, 40)
    E = np.max(np.abs(z[:, :20] - half[:, 0:40:2]))
    largest = np.max(np.abs(k))
    knee = 1.0 if largest <= KNEE else np.exp(largest - KNEE)
    total = knee * (10 ** (E * SUPPRESSION) * S)
    return total if np.isfinite(total) else 1e300


def main():
    from scipy.optimize import minimize

    maxfev = int(sys.argv[1]) if len(sys.argv) > 1 else 510
    start = cost(np.array(START))
    print(f"start cost {start:.17g}")
    n = 20
    t0 = time.perf_counter()
    for _ in range(n):
        cost(np.array(START))
    per = (time.perf_counter() - t0) / n
    print(f"one evaluation {per * 1e3:.3f} ms, {1 / per:.1f} evaluations/s")
    t0 = time.perf_counter()
    res = minimize(cost, START, method="Nelder-Mead", options={"maxfev": maxfev})
    wall = time.perf_counter() - t0
    print(f"Nelder-Mead: {res.nfev} evaluations in {wall:.3f} s ({res.nfev / wall:.1f}/s), "
          f"final cost {res.fun:.9g} at k = {np.array2string(res.x, precision=5)}")


if __name__ == "__main__":
    main()
