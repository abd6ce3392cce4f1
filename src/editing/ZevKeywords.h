#pragma once
// The keywords of the formula editor: 25 constant tables of 186 words, one per
// last character typed, and the item code each word runs. A word is matched
// against the end of the editor's keystroke log, trying a table's entries
// from the last to the first, so a table lists shorter words before the longer
// ones that end like them ("sec" before "cosec").
#include "platform/core/Types.h"

#include <span>

struct ZevKeyword {
  char word[10];  // at most 9 characters and the zero
  DWORD code;     // action, length (= the word's length), parameter
};

// The table a last logged character selects: one per lower-case letter "a" to
// "y" except "k", one for every character that is not an ASCII letter or digit
// and for "2"; upper-case letters, "k", "z" and the other digits select none
// (an empty span).
std::span<const ZevKeyword> ZevKeywordTable(BYTE lastCharacter);

// Every table, in the order "other", then "a" to "y" without "k".
std::span<const std::span<const ZevKeyword>> ZevKeywordTables();
