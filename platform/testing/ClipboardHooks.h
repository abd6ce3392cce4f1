#pragma once
// Test hooks of the clipboard: make its calls fail, and start from a clean one.
#include "platform/core/Types.h"

namespace QxTest {

enum ClipboardCall : unsigned {
  kClipboardOpen = 1,
  kClipboardEmpty = 2,
  kClipboardSet = 4,
  kClipboardSetText = 8,  // only SetClipboardData of CF_TEXT
};

// While it lives, the calls named in the bit set (ClipboardCall values) fail
// as the system's would when another program holds the clipboard.
class ClipboardFailures {
 public:
  explicit ClipboardFailures(unsigned calls);
  ~ClipboardFailures();
  ClipboardFailures(const ClipboardFailures&) = delete;
  ClipboardFailures& operator=(const ClipboardFailures&) = delete;

 private:
  unsigned m_previous;
};

// Closes the clipboard, frees its contents and clears the desktop's copy.
void ResetClipboard();

}  // namespace QxTest
