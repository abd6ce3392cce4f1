#pragma once
// The one table of node kinds. Every kind that exists has one row, keyed by
// the high byte of its type word; the record loader dispatches through it and
// tests take their kind names and their list of kinds from it, so a new kind
// is added here once and everything else follows.
#include "platform/core/Types.h"

#include <span>

class CArchive;
class CMcBasic;

struct McKind {
  BYTE code;         // high byte of the type word
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
