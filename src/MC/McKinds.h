#pragma once
// The one table of node kinds. Every kind that exists has one row, keyed by
// the high byte of its type word; the record loader dispatches through it and
// tests take their kind names and their list of kinds from it, so a new kind
// is added here once and everything else follows.
#include "platform/core/Types.h"

#include <span>

class CArchive;
class CMcBasic;

// Every kind code, existing and coming: the high byte of a node's type word.
// Nothing outside this header writes a type word as a literal.
enum McKindCode : BYTE {
  kMcGroup = 0x00,
  kMcReal = 0x01,
  kMcFunction = 0x02,
  kMcVariable = 0x03,
  kMcNull = 0x04,
  kMcMatrix = 0x05,
  kMcDeclaration = 0x06,
  kMcListbody = 0x07,
  kMcOperator = 0x08,
  kMcDomain = 0x09,
  kMcDivision = 0x0A,
  kMcRoot = 0x0B,
  kMcPower = 0x0C,
  kMcLog = 0x0D,
  kMcListsum = 0x0E,
  kMcListmult = 0x0F,
  kMcEvalat = 0x10,
  kMcIntegral = 0x11,
  kMcDerivative = 0x12,
  kMcEquality = 0x13,
  kMcLimit = 0x14,
  kMcSum = 0x15,
  kMcDesktop = 0xFE,
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
