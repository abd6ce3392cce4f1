#pragma once
// Test hooks of the clipboard: make its calls fail, and start from a clean one.
#include "platform/core/Types.h"

namespace QxTest {

enum ClipboardCall : unsigned {
  kClipboardOpen = 1,
  kClipboardEmpty = 2,
  kClipboardSet = 4,
};

// While it lives, the calls named in the bit set (ClipboardCall values) fail
// as the system's would when another program holds the clipboard; the first
// `spared` of those calls still succeed (to fail a later step of a sequence).
class ClipboardFailures {
 public:
  explicit ClipboardFailures(unsigned calls, int spared = 0);
  ~ClipboardFailures();
  ClipboardFailures(const ClipboardFailures&) = delete;
  ClipboardFailures& operator=(const ClipboardFailures&) = delete;

 private:
  unsigned m_previous;
  int m_previousSpared;
};

// Closes the clipboard, frees its contents and clears the desktop's copy.
void ResetClipboard();

}  // namespace QxTest
