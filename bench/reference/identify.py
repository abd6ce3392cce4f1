#!/usr/bin/python3
"""Process identification of bench/identify.cpp in NumPy, fitted with
scipy.optimize.least_squares.

The design: G = b (1 - tau s/2) / ((a s + 1)(1 + tau s/2)) under the fixed PI
controller K = (1 + s) / (2 s), P = L = F = 1, true values b = 2, a = 3,
tau = 0.5. The setpoint is a square wave, 1 over the first half of each
period and 0 over the second; v = d = n = 0.

Each transfer-function element is stepped as the system steps it: one RK4
step per sample with the input held, x <- T(hA) x + h S(hA) B u (T, S the
Taylor polynomials of exp and (exp(z) - 1)/z of degrees 4 and 3); the output
is read from the state before the step. The process sees the control action
one sample late. The residual is the measured y + d minus the simulated one.

Run:
  /usr/bin/python3 bench/reference/identify.py header > tests/search/data/IdentifyReference.h
      the noise-free run of 400 samples at Ts = 0.05 s (square period 5 s), the
      same run with seeded normal noise (sigma 0.05), and the fit of the noisy run
      from (1, 1, 1)
  /usr/bin/python3 bench/reference/identify.py bench
      the benchmark: 10,000 samples at Ts = 0.05 s, square period 100 s,
      noise-free, fitted from (1, 1, 1); prints wall time, evaluations and errors
"""
import sys
import time

import numpy as np
from scipy.optimize import least_squares

TRUE = np.array([2.0, 3.0, 0.5])
START = np.array([1.0, 1.0, 1.0])


def stepper(num, den, h):
    """(phi, gamma, C, D) of num/den (ascending) in controllable canonical form."""
    den = [float(c) for c in den]
    num = [float(c) for c in num] + [0.0] * (len(den) - len(num))
    m = len(den) - 1
    a = [-c / den[m] for c in den[:m]]
    dm = 1.0 / den[m]
    A = np.zeros((m, m))
    A[:-1, 1:] = np.eye(m - 1)
    A[-1, :] = a
    B = np.zeros(m)
    B[-1] = dm
    C = np.array(num[:m]) + num[m] * np.array(a)
    hA = h * A
    I = np.eye(m)
    hA2 = hA @ hA
    hA3 = hA2 @ hA
    phi = I + hA + hA2 / 2 + hA3 / 6 + hA3 @ hA / 24
    gamma = h * (I + hA / 2 + hA2 / 6 + hA3 / 24) @ B
    return phi, gamma, C, num[m] * dm


def square(n, h, period):
    t = np.arange(n) * h
    return np.where(np.fmod(t, period) < period / 2, 1.0, 0.0)


def simulate(p, c, h):
    """y + d of the loop for parameters p = (b, a, tau) and setpoint c."""
    b, a, tau = p
    gphi, ggam, gC, gD = stepper([b, -b * tau / 2], [1.0, a + tau / 2, a * tau / 2], h)
    kphi, kgam, kC, kD = stepper([0.5, 0.5], [0.0, 1.0], h)
    gx = np.zeros(gphi.shape[0])
    kx = np.zeros(kphi.shape[0])
    n = len(c)
    yd = np.zeros(n)
    u = 0.0
    for t in range(n):
        uv = u if t > 0 else 0.0
        y = gC @ gx + gD * uv
        gx = gphi @ gx + ggam * uv
        yd[t] = y
        e = c[t] - y
        u = kC @ kx + kD * e
        kx = kphi @ kx + kgam * e
    return yd


def fit(c, measured, h):
    calls = [0]

    def residual(p):
        calls[0] += 1
        return measured - simulate(p, c, h)

    r = least_squares(residual, START, xtol=1e-15, ftol=1e-15, gtol=1e-15)
    return r.x, calls[0]


def c_array(name, values):
    lines = [f"inline constexpr double {name}[] = {{"]
    for i in range(0, len(values), 4):
        lines.append("    " + ", ".join(f"{v:.17g}" for v in values[i:i + 4]) + ",")
    lines.append("};")
    return "\n".join(lines)


def header():
    n, h, period, sigma = 400, 0.05, 5.0, 0.05
    c = square(n, h, period)
    clean = simulate(TRUE, c, h)
    noisy = clean + np.random.default_rng(20261207).normal(0.0, sigma, n)
    p, calls = fit(c, noisy, h)
    print("#pragma once")
    print("// Made by bench/reference/identify.py header: the identification design's")
    print(f"// run of {n} samples at Ts = {h} s from a square setpoint of period {period} s,")
    print(f"// noise-free and with seeded normal noise of sigma {sigma}, and the")
    print(f"// least-squares fit of the noisy run from (1, 1, 1) ({calls} evaluations).")
    print("namespace identify_reference {")
    print(f"inline constexpr int kSamples = {n};")
    print(f"inline constexpr double kTs = {h};")
    print(f"inline constexpr double kFit[3] = {{{p[0]:.17g}, {p[1]:.17g}, {p[2]:.17g}}};")
    print(c_array("kClean", clean))
    print(c_array("kNoisy", noisy))
    print("}  // namespace identify_reference")


def bench():
    n, h, period = 10000, 0.05, 100.0
    c = square(n, h, period)
    measured = simulate(TRUE, c, h)
    t0 = time.perf_counter()
    simulate(START, c, h)
    one = time.perf_counter() - t0
    t0 = time.perf_counter()
    p, calls = fit(c, measured, h)
    wall = time.perf_counter() - t0
    err = np.abs(p - TRUE) / TRUE
    print(f"one evaluation: {one * 1e3:.3f} ms")
    print(f"least_squares: {wall:.3f} s, {calls} evaluations, {wall / calls * 1e3:.3f} ms each")
    print(f"b = {p[0]:.12g}, a = {p[1]:.12g}, tau = {p[2]:.12g}; relative errors "
          f"{err[0]:.2e} {err[1]:.2e} {err[2]:.2e}")


if __name__ == "__main__":
    {"header": header, "bench": bench}[sys.argv[1] if len(sys.argv) > 1 else "bench"]()
