#pragma once
// The one table of node kinds. Every kind that exists has one row, keyed by
// the high byte of its type word; the record loader dispatches through it and
// tests take their kind names and their list of kinds from it, so a new kind
// is added here once and everything else follows.
#include "platform/core/Types.h"

#include <span>

class CArchive;
class CMcBasic;

// Every kind code: the high byte of a node's type word, from McKinds.inc.
// Nothing outside this header writes a type word as a literal.
enum McKindCode : BYTE {
#define MC_KIND(codeName, code, name, cls) codeName = code,
#include "MC/McKinds.inc"
#undef MC_KIND
  kMcNoKind = 0xFF  // the base's own type word, and "no node" in records
};

// The type word of a kind with a sub-kind in its low byte.
constexpr WORD McTypeWord(McKindCode code, BYTE subKind = 0) {
  return static_cast<WORD>((code << 8) | subKind);
}
// The kind code of a type word.
constexpr McKindCode McKindOf(WORD type) {
  return static_cast<McKindCode>(type >> 8);
}
// True when node is not null and is of the kind (any sub-kind).
bool McIsKind(const CMcBasic* node, McKindCode code);

// ---- the flag word (CMcBasic::m_flags) -------------------------------------
// Bits every kind reads the same way, then the kind data in the high byte.
// Nothing outside this header writes a flag bit or mask as a number.
enum : WORD {
  kMcMinus = 0x0001,      // bit 0: negates the value (with bit 1: minus-plus)
  kMcPlusMinus = 0x0002,  // bit 1: the second sign bit (plus-minus, minus-plus)
  kMcSignMask = 0x0003,   // both sign bits
  kMcParens = 0x0004,     // bit 2: drawn in parentheses
  kMcBit3 = 0x0008,       // bit 3: nothing to the base; a childless derivative's colour reset
  kMcSignAndParens = 0x0007,
  // Bits 4-5, the kind's variant: a Greek name, a small fraction, a partial
  // derivative, an interval, a product of a summation, a flowing group (bit
  // 4); a closed integral, a framed group (bit 5); list kinds (both).
  kMcVariant = 0x0010,
  kMcVariantHigh = 0x0020,
  kMcVariantMask = 0x0030,
  kMcLevelMask = 0x00C0,  // bits 6-7: size level 0 (largest) to 3
  kMcBaseMask = 0x00FF,   // all the base's bits
  // The high byte: the kind's data (exponent offset of a power, relation and
  // operator code, matrix augmentation column, end kind of a domain, ...).
  kMcKindDataMask = 0xFF00,
  kMcCodeMask = 0x1F00,           // bits 8-12: an operator's or relation's code
  kMcConstant = 0x0100,           // bit 8 of a variable: an upright constant
  kMcDecorationMask = 0x1E00,     // bits 9-12 of a variable or function: decoration
  kMcVariableStyleMask = 0x1F10,  // Greek, constant, decoration: what names differ by
  kMcFunctionStyleMask = 0x0E10,  // Symbol font and decoration codes 1-7
  // Bits 14 and 15, kind data of their own: a number marked as no power's
  // named base, a derivative's layout choices (equal variables, numerator form).
  kMcHighMark = 0x4000,
  kMcHighestMark = 0x8000
};
constexpr int kMcLevelShift = 6;
constexpr int kMcKindDataShift = 8;
constexpr int kMcDecorationShift = 9;
constexpr int kMcMaxLevel = 3;

// One size smaller than level, never beyond the smallest: the level of an
// exponent, a subscript, a root's degree, an integral's limits.
constexpr int McSmallerLevel(int level) {
  return level < kMcMaxLevel ? level + 1 : kMcMaxLevel;
}
// The flag bits of a size level, clamped to 0..3.
constexpr WORD McLevelBits(int level) {
  return static_cast<WORD>((level < 0             ? 0
                            : level > kMcMaxLevel ? kMcMaxLevel
                                                  : level)
                           << kMcLevelShift);
}
constexpr int McLevelOf(WORD flags) {
  return (flags & kMcLevelMask) >> kMcLevelShift;
}
// The high byte of the flags word.
constexpr int McKindData(WORD flags) {
  return flags >> kMcKindDataShift;
}
// The flags with their high byte replaced by data (kept to 8 bits).
constexpr WORD McWithKindData(WORD flags, int data) {
  return static_cast<WORD>((flags & kMcBaseMask) | ((data & 0xFF) << kMcKindDataShift));
}
// The decoration code (bits 9-12) of a variable or a function.
constexpr int McDecorationOf(WORD flags) {
  return (flags & kMcDecorationMask) >> kMcDecorationShift;
}
// The sign two signs make together: the minus bits cancel in pairs, a
// plus-minus of either stays. Only the sign bits of the result are set.
constexpr WORD McMergedSign(WORD a, WORD b) {
  return static_cast<WORD>(((a ^ b) & kMcMinus) | ((a | b) & kMcPlusMinus));
}
// flags with its sign bits replaced by sign's.
constexpr WORD McWithSign(WORD flags, WORD sign) {
  return static_cast<WORD>((flags & ~kMcSignMask) | (sign & kMcSignMask));
}

// ---- layout modes (the mode of CMcBasic::Layout) ----------------------------
enum McLayoutMode : int {
  // The node and everything below it, children first; nothing passed up.
  kMcLayoutFromTop = 0,
  // After a change inside the node: around the children's present boxes,
  // then the parent in this mode, up to the root.
  kMcLayoutAfterChange = 1,
  // A power's named base re-measures itself alone (refreshing the exponent
  // offset it gives the power); nothing passed up.
  kMcLayoutPowerBase = 2
};

// ---- relation codes (CMcEquality, flag bits 8-12) ---------------------------
// The type word's sub-kind is 1 + the code.
enum McRelationCode : int {
  kMcRelEqual = 0,
  kMcRelEquivalent = 1,
  kMcRelProportional = 2,
  kMcRelNotEqual = 3,
  kMcRelApproximate = 4,
  kMcRelCongruent = 5,
  kMcRelLess = 6,
  kMcRelGreater = 7,
  kMcRelLessOrEqual = 8,
  kMcRelGreaterOrEqual = 9,
  kMcRelPerpendicular = 10,
  kMcRelParallel = 11,
  kMcRelTendsTo = 12,
  kMcRelRightTransform = 13,
  kMcRelLeftTransform = 14,
  kMcRelBiTransform = 15,
  kMcRelIncrement = 16,
  kMcRelDecrement = 17,
  kMcRelScale = 18,
  kMcRelDivide = 19,
  kMcRelAnd = 20,
  kMcRelOr = 21,
  kMcRelDefinition = 22,
  kMcRelTestEqual = 23,
  kMcRelCodes = 24  // codes from here to 31 name no relation
};
// The flags of a relation of code (sign and level left 0).
constexpr WORD McRelationFlags(int code) {
  return static_cast<WORD>((code << kMcKindDataShift) & kMcCodeMask);
}
// The type word of a relation of code.
constexpr WORD McRelationType(int code) {
  return McTypeWord(kMcEquality, static_cast<BYTE>(1 + (code & 31)));
}

struct McKind {
  McKindCode code;   // high byte of the type word
  const char* name;  // short name for test output and traces, e.g. "Group"
  // The kind's record loader, called after the type word has been read.
  CMcBasic* (*load)(CArchive& ar);
};

// All kinds, in ascending code order.
std::span<const McKind> McKindTable();
// The row for a type word's high byte, or null when it names no kind.
const McKind* McFindKind(WORD type);
// The row's short name, or "None" for a type word that names no kind.
const char* McKindName(WORD type);
