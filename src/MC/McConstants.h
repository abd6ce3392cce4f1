#pragma once
// Written complex constants and their values, and small queries on trees.
//
// Constant folding works on values, not on trees: McConstantValue reads a
// subtree that is a written complex constant, McValueToExpression writes a
// value back as the smallest such subtree. A written constant ("literal") is
// one of
//   a            a real number node (type word exactly that of a real)
//   j            the constant variable "j": no subscript, flags & (kMcPlusMinus |
//   kMcVariableStyleMask) ==
//                kMcConstant (constant, not Greek, undecorated, no plus-minus)
//   b*j, j*b     a product (type word 0x0F01) of exactly these two factors
//   a + ib       a two-term sum (type word exactly 0x0E00) of a real and one
//                of the two forms above, in either order
// where no node carries a plus-minus or minus-plus sign, and every node's
// minus bit negates what it holds: the sign of a part is the exclusive or of
// the minus bits on its way down from the literal's root.
//
// Near-whole parts snap to whole numbers: a part v with
// | |v| - floor(|v| + 0.5) | <= g_dSnapTolerance becomes the nearest whole
// number (halves away from zero), so parts smaller than the tolerance vanish.
// A NaN sum of the parts gives a lone real node holding it; infinities are
// never snapped and stay real nodes of infinite magnitude.
//
// Every new tree and array belongs to the caller (arrays freed with delete[]).
#include "MC/McComplex.h"
#include "platform/core/Types.h"

class CMcBasic;
class CMXC_BIN;

// ---- conversions ----------------------------------------------------------------

// TRUE, with the value in *value, when node is a written constant; FALSE
// otherwise (*value may then have been partly written).
BOOL McConstantValue(const CMcBasic* node, McComplex* value);

// The smallest written constant of re + j im after snapping: a real, j, the
// product b*j, or the sum of a real and one of those. Flag bit 0 negates the
// value; bit 1 (plus-minus) is carried into the result's flags.
CMcBasic* McValueToExpression(double re, double im, WORD flags);
// The same, with the imaginary product written j*b.
CMcBasic* McValueToExpression2(double re, double im, WORD flags);

// The values of a matrix's elements in order (or of a single node), with its
// column count and the number of values; null when an element is not a
// written constant.
McComplex* McConstantValues(const CMcBasic* node, int* columns, int* count);
// A new matrix of the given columns whose elements are McValueToExpression2
// of the values, each with flags.
CMcBasic* McValuesToMatrix(const McComplex* values, WORD columns, int count, WORD flags);

// The smallest (largest) element of a list of written constants. The size of
// a value is its real part when it is real and its modulus otherwise; the
// first of equal sizes wins. The list (a plain matrix) is taken over: when
// every element is constant it is deleted and the result is the winner
// carrying the list's sign; otherwise (not a plain matrix, no elements, an
// element that is not constant) the result is the function "min" ("max")
// applied to it.
CMcBasic* McFoldMin(CMcBasic* list);
CMcBasic* McFoldMax(CMcBasic* list);

// ---- tree queries (children in index order, a node before its children) -----------

// The first variable of the tree that is not a constant, or null.
CMcBasic* McFindFreeVariable(CMcBasic* tree);
int McCountNodes(const CMcBasic* tree);
// A leaf has depth 1.
int McTreeDepth(const CMcBasic* tree);
// Subtrees equal to pattern up to sign (Compare below 2); the inside of a
// match is not searched.
int McCountOccurrences(const CMcBasic* tree, const CMcBasic* pattern);
// Adds those subtrees themselves (not copies) to list.
void McCollectMatches(CMcBasic* tree, const CMcBasic* pattern, CMXC_BIN* list);
// Appends to listNode a sign-free clone of every node whose type word is type
// and, when matchFlags is nonzero, whose flags equal flagsPattern apart from
// the sign bits. The search goes on inside a match; the tree is not changed.
void McCollectKind(const CMcBasic* tree, WORD type, WORD flagsPattern, int matchFlags,
                   CMcBasic* listNode);
// Where pattern occurs: a one-column matrix with one row per match, each row
// a matrix of the child indices on the way down from the root (a match at the
// root is the row (NaN)); a real NaN when there is no match.
CMcBasic* McFindPaths(const CMcBasic* tree, const CMcBasic* pattern);
