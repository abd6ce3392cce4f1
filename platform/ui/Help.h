#pragma once
// The help system behind CWinApp::WinHelp. A help file named without a folder
// is looked for beside the executable. When it is not there the user is told
// so in a message box; when it is, the desktop's viewer opens it. Every call
// is recorded for tests (platform/testing/PrintHooks.h).
#include "platform/ui/Constants.h"

// command: HELP_INDEX, HELP_CONTEXT, HELP_FINDER, ... (HELP_QUIT closes
// nothing and looks for no file). FALSE when the file was not found.
BOOL QxWinHelp(LPCSTR helpFile, UINT command, DWORD_PTR data);
