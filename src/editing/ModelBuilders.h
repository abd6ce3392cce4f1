#pragma once
// The two builders of "Edit Models", without a window: they write expression
// trees into a model definition X(s) = right side (an equality whose second
// child is a matrix of elements or one element).
//
// Controller: every element of the Controller becomes a proportional, PD, PI
// or PID expression with fresh design variables k, D, I, iT subscripted by
// the element (ElementSubscript.h: "12", from the tenth row or column on
// "1_12"), N pure integrators in front:
//   P    k / s^N
//   PD   k (1 + s D) / (s^N (1 + s / iT))
//   PI   k (1 + s I) / (s^N I)                           N >= 1
//   PID  k (1 + s I + s^2 D I) / (s^N I (1 + s / iT))    N >= 1
// D and iT are bound in the variable table as they are built and set to 0.1
// and 20, also when they already existed; k and I are bound later, with the
// rest of the definition.
//
// Dead time: an element E becomes E Np / Dp, the rational approximation of
// exp(-sT) of order n in x = sT/2:
//   Np = sum (-x)^k / d_k,  Dp = sum x^k / d_k,  k = 0 .. n.
// Up to order 4 d_k = k! (the cut exponential series of exp(-sT/2) over that
// of exp(sT/2), whose denominator is stable there); from order 5 on, where that
// denominator has roots in the right half-plane, d_k is the Pade divisor
// (2n)! k! (n-k)! / ((2n-k)! n! 2^k), which makes Np / Dp the n/n Pade
// approximant, stable at every order.
// Both are written divided by Dp's leading coefficient (T/2)^n / d_n, so that
// Dp is monic: Dp = sum a_k s^k, a_k = (d_n / d_k) (2 / T)^(n-k), and Np's
// term k is Dp's with the sign (-1)^k. Written as they stand, the leading
// coefficients fall below the coefficient zero threshold (T = 0.1, n = 10
// gives 5e-16) and the model would lose degree; monic, a_n = 1 survives it
// for every T. T is a number (the terms a_k s^k) or a design variable tau
// (Greek t, subscript row, column and the model's letter, its table value set
// to T; the terms C_k s^k / tau^(n-k), C_k = a_k T^(n-k)), so the form holds
// for whatever value the variable takes.
#include "platform/core/Types.h"

#include <vector>

class CMcBasic;
class CVARvalues;

enum ControllerType : int { kControllerP, kControllerPD, kControllerPI, kControllerPID };
enum ControllerShape : int { kShapeFull, kShapeDiagonal, kShapeUpper, kShapeLower };

// Rows and columns of a definition's right side: a matrix's, else 1 x 1.
void DefinitionSize(const CMcBasic* definition, int* rows, int* cols);

// One controller element (row and col 0-based); a type number below 0 builds
// as 0, one below 1 as 1 for PI and PID. vars may be null (nothing bound).
CMcBasic* BuildControllerElement(int row, int col, int type, int typeNumber, CVARvalues* vars);

struct ControllerSpec {
  int shape = kShapeFull;
  int type = kControllerP;
  int typeNumber = 0;
  bool square = true;
};
// Replaces the elements of the Controller definition: square first (when
// asked and not square) to n x n, n the Process's column count; elements off
// the shape are 0. A right side that is no matrix gets one element
// (subscript 11).
void BuildController(CMcBasic* controller, const CMcBasic* process, const ControllerSpec& spec,
                     CVARvalues* vars);

struct DeadTimeSpec {
  int row = 0;  // 0-based
  int col = 0;
  double amount = 1.0;
  int order = 1;
  bool fixed = false;
};
// d_k of the approximant of order n (1 <= k <= n): k! up to order 4, the Pade
// divisor from order 5 on, both as running products.
double DeadTimeDivisor(int k, int order);
// a_0 .. a_n of the monic Dp for the amount T (a_n = 1), as a running product
// from the top; empty for an order outside 1 .. 100.
std::vector<double> DeadTimeDenominator(double amount, int order);
// Whether the approximation of this amount and order exists in doubles: every
// a_k of |T| finite and normal, and every root of Dp in the open left
// half-plane (a negative T mirrors them, as asked); for T = 0 it is exactly 1.
// False for an order outside 1 .. 100, and where the coefficients over- or
// underflow.
bool DeadTimeFitsDoubles(double amount, int order);
// Multiplies element (row, col) of model slot `model`'s definition by the
// approximation. False, nothing changed, for an element outside the right
// side, a definition without one, or an amount and order that do not fit
// doubles (DeadTimeFitsDoubles). A fixed amount of 0 is the factor 1: true,
// the element left as it is; a variable one is written, tau bound at 0.
bool AddDeadTime(CMcBasic* definition, int model, const DeadTimeSpec& spec, CVARvalues* vars);
