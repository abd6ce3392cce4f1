#pragma once
// The profile store: the settings the framework keeps per user, in an INI
// file $XDG_CONFIG_HOME/<registry key>/<profile name>.ini (~/.config when
// XDG_CONFIG_HOME is unset), one [section] per registry section, one
// entry=value per line. Section and entry names compare without case.
//
// Every read looks at the file as it is now; reading never creates anything.
// Writing creates the folders and replaces the file as a whole through
// QxFileReplacement, so a crash or a failed write leaves the old profile
// (through a symbolic link, the link's target). Thread-safe.
#include "platform/core/String.h"
#include "platform/core/Types.h"

#include <string>

namespace QxProfile {

// The folder under the configuration home ("Plenthoria"); empty: none.
void SetRegistryKey(LPCSTR company);
// The file's name without ".ini"; "Quorvathine" unless set.
void SetProfileName(LPCSTR name);
// The INI file's full path as things are set now.
std::string GetPath();

// The value as a signed decimal integer; a missing entry, or a value that is
// not wholly such an integer within 32 bits, gives the default.
int GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue);
CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = nullptr);
// FALSE when the file cannot be written, or a name or value cannot be kept in
// the file (a line break, a section name with ']', an entry with '=').
BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value);
// value null removes the entry; entry null removes the whole section.
BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value);

}  // namespace QxProfile
