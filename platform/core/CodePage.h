#pragma once
// The two kinds of bytes a CString holds, and the one conversion between them.
//
// Text (captions, menus, messages, what the user types into a control, the
// comments of a design) is in the system's 8-bit code page, Windows-1252, as
// the fonts draw it and the design files store it. A path is the file
// system's bytes (UTF-8 on this system) and opens, saves and is remembered
// as it is; where a path is shown to the user it is turned into text once,
// by QxPathToText.
#include "platform/core/Types.h"

#include <string>
#include <string_view>

// The Unicode character of a Windows-1252 byte; the five bytes the code page
// leaves undefined keep their value, so every byte has a character and back.
char32_t QxWindows1252ToUnicode(BYTE byte);

// The Windows-1252 byte of a Unicode character; false (byte untouched) when
// the code page has none.
bool QxUnicodeToWindows1252(char32_t character, BYTE* byte);

// The text of a path, for showing it: its UTF-8 decoded and written in
// Windows-1252, '?' for each character the code page cannot hold and for
// each byte that is not UTF-8.
std::string QxPathToText(std::string_view path);
