#pragma once
// Small helpers that the edit actions of several files of CZevMcEdit share:
// the node tests and makers they all use and the name buffer of a variable or
// a function. Internal to the editor engine; no window header.
#include "MC/MC_BASIC.h"

#include <string>

namespace zev {

bool IsPlaceholder(const CMcBasic* node);
bool IsAddition(const CMcBasic* node);
// A plain multiplication (product flags 0 or 1), not a cross or dot product.
bool IsMultiplication(const CMcBasic* node);
// A relation of the code (McRelationCode).
bool IsRelation(const CMcBasic* node, int code);
// An empty placeholder of the size level, with the sign bits of sign.
CMcBasic* NewPlaceholder(int level, WORD sign = 0);

// The buffer "name\0subscript\0" of a variable or a function, both zeros kept.
std::string ReadNameBuffer(const CMcBasic* node);
// Replaces the buffer of a variable or a function by bytes (both zeros
// included; the length fits 16 bits).
void WriteNameBuffer(CMcBasic* node, const std::string& bytes);

// Levels of the deepest path below node, node itself counting 1, as the
// record loader counts them; 0 for null. Iterative: the tree handed in may be
// deep.
int TreeDepth(const CMcBasic* node);

}  // namespace zev
