#pragma once
// Font resolution and the two single-byte code pages.
//
// Faces: "Times New Roman" draws with Liberation Serif, "Arial" with Liberation
// Sans, "Courier New" with Liberation Mono; DejaVu supplies what they lack. A
// "Symbol" face maps each byte through the Symbol code page and draws with the
// serif face. Every other face reads bytes 0x80 and up as Windows-1252.
//
// Fixed metrics: while switched on (tests of layout code), every font of cell
// height h (h = |lfHeight|, 16 when 0) measures ascent = h*4/5, descent =
// h - ascent, internal and external leading 0, and every character is
// lfWidth wide when lfWidth > 0, else h/2 (at least 1); text is drawn as one
// solid box per non-blank character filling its cell, so pictures do not
// depend on glyph shapes.
#include "platform/core/CodePage.h"
#include "platform/gdi/GdiTypes.h"

void QxSetFixedFontMetrics(bool on);
bool QxFixedFontMetrics();

// The Unicode character of a Symbol code page byte; 0 for a byte without one.
char32_t QxSymbolToUnicode(BYTE byte);
// True for a face name that reads the Symbol code page ("Symbol", any case).
bool QxIsSymbolFace(const char* faceName);

// The text path's cache of resolved fonts and shaped texts (on by default).
// Off, every call resolves and shapes again, as a reference for tests.
void QxSetTextCacheEnabled(bool on);
bool QxTextCacheEnabled();
// What the calling thread's cache answered since it was last cleared: texts
// found, and texts shaped or measured anew.
struct QxTextCacheCounts {
  long long hits = 0;
  long long misses = 0;
};
QxTextCacheCounts QxGetTextCacheCounts();
// Empties the calling thread's cache and its counts.
void QxClearTextCache();
