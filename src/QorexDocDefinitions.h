#pragma once
// Building the document's definitions: shared by its default design
// (QorexDoc.cpp) and its resizers (QorexDocShape.cpp), for nothing else.
#include "platform/core/Types.h"

class CMcBasic;

namespace qoxdoc {

// Table entries of the variables the definitions name.
constexpr WORD kEntryS = 0;
constexpr WORD kEntryT = 1;
constexpr WORD kEntryF11 = 5;

// A variable bound to its table entry.
CMcBasic* NewVariable(const char* name, const char* subscript, WORD entry);
// name_subscript(t).
CMcBasic* NewSignalOfT(const char* name, const char* subscript);
// The definition of a slot, named from the loop's wiring: name(s) = rhs for
// a model, name_subscript(t) = rhs for a signal. Takes rhs.
CMcBasic* NewDefinition(bool model, int slot, CMcBasic* rhs);

}  // namespace qoxdoc
