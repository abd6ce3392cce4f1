"""The seeded generator that bench/SplitMix64.h runs, operation for operation:
splitmix64 in 64-bit unsigned arithmetic, and uniform() = (next >> 11) * 2^-53,
in [0, 1) with every value exact. Imported by the reference scripts whose
benchmarks draw the same numbers (roots.py, eigen.py).
"""

MASK = (1 << 64) - 1


class SplitMix64:
    def __init__(self, seed):
        self.state = seed & MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
        return z ^ (z >> 31)

    def uniform(self):
        return float(self.next() >> 11) * 2.0 ** -53
