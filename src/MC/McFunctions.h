#pragma once
// What a function node computes: the built-in functions of one complex
// argument, the functions of a two-element list, the random-number pair and
// the one-letter signal functions that read the loop simulator's signals.
//
// Every formula works in complex double precision through the McComplex
// operations; none tests its domain, so poles and branch points yield the
// infinities and NaNs of the arithmetic and never set g_bEvalError.
// The inverse functions use the textbook logarithmic forms with the principal
// square root, so on a branch cut the sign of a zero imaginary part decides
// the side (asin 2 = pi/2 - 1.317i). acosh is ln(z + sqrt(z^2 - 1)), which in
// the left half-plane is an inverse of cosh other than the principal one.
#include "MC/McComplex.h"
#include "platform/core/Types.h"

class CSIMsignal;
class CSIMsystem;

enum class McBuiltin {
  None,
  Asin,
  Acos,
  Atan,
  Asinh,
  Acosh,
  Atanh,
  Sin,
  Cos,
  Tan,
  Sinh,
  Cosh,
  Tanh,
  Sec,
  Cosec,
  Sech,
  Cosech,
  Cot,
  Coth,
  Sign,
  Srand,
  Rand,  // the random pair
  Atan2,
  Rem,
  Polar  // functions of a two-element list
};

// The built-in function a name denotes (exact, case-sensitive), or None.
McBuiltin McFindBuiltin(const char* name);
bool McIsListBuiltin(McBuiltin f);

// Value of a one-argument built-in (not Srand or Rand) at z, without sign.
McComplex McEvaluateBuiltin(McBuiltin f, const McComplex& z);

// Value of a list function: a and b are the list's first and second element.
//   atan2: atan2(a.re, b.re)            (a is the ordinate)
//   rem:   fmod of the real parts; fmod of the imaginary parts when either
//          is non-zero, else exactly 0
//   polar: a.re (cos b.re + i sin b.re) (modulus, then angle)
McComplex McEvaluateListBuiltin(McBuiltin f, const McComplex& a, const McComplex& b);

// The random generator: one 32-bit state per thread, 1 when the thread
// starts; a draw steps state = state * 214013 + 2531011 (mod 2^32) and
// yields (state >> 16) & 0x7FFF, 0 .. 32767 (divide by McRandMax).
constexpr double McRandMax = 32767.0;
void McRandSeed(DWORD seed);
int McRandDraw();
// The seed that srand takes from its argument: the modulus truncated toward
// zero (reduced modulo 2^32; 0 for a value that is not finite).
DWORD McRandSeedOf(const McComplex& z);

// Signal access. The letter of a one-letter name that reads a signal
// (c d e n r u v w y z), or 0 for any other name.
char McSignalLetter(const char* name);
// Channel a subscript selects: 0 when empty, else atoi(subscript) - 1.
int McSignalChannel(const char* subscript);
// Sample index of time x: x / ts truncated toward zero and clamped to
// 0 .. columns - 1; a quotient that is not finite or lies outside the 32-bit
// range reads sample 0.
int McSampleIndex(double x, double ts, int columns);
// Clamps a step number to 0 .. columns - 1.
int McClampSample(int k, int columns);
// The signal a letter reads. The whole-run path reads y + d for the letter y
// (the post-compensator's input, the measured output of a simulation); the
// sample path reads the process output y.
const CSIMsignal* McSignalOf(const CSIMsystem* sys, char letter, bool wholeRun);
// (sample (channel, k), 0); (NaN, 0) for a missing signal, a channel outside
// its rows or a signal without samples. k must be clamped already.
McComplex McSignalSample(const CSIMsignal* signal, int channel, int k);
