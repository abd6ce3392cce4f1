#include "platform/core/KeyState.h"

#include <atomic>

namespace {

constexpr BYTE kDown = 0x80;
constexpr BYTE kToggled = 0x01;

// One byte per virtual key, as the framework's keyboard state array.
std::atomic<BYTE> g_keys[256];

bool Valid(int vk) {
  return vk >= 0 && vk < 256;
}

}  // namespace

SHORT GetKeyState(int virtualKey) {
  if (!Valid(virtualKey)) return 0;
  BYTE state = g_keys[virtualKey].load();
  return static_cast<SHORT>(((state & kDown) ? 0x8000 : 0) | ((state & kToggled) ? 1 : 0));
}

SHORT GetAsyncKeyState(int virtualKey) {
  if (!Valid(virtualKey)) return 0;
  return static_cast<SHORT>((g_keys[virtualKey].load() & kDown) ? 0x8000 : 0);
}

void QxSetKeyDown(int virtualKey, bool down) {
  if (!Valid(virtualKey)) return;
  BYTE state = g_keys[virtualKey].load();
  BYTE next;
  do {
    if (down) {
      // Only a press (up to down) flips the toggle; auto-repeat does not.
      next = (state & kDown) ? state : static_cast<BYTE>((state ^ kToggled) | kDown);
    } else {
      next = static_cast<BYTE>(state & ~kDown);
    }
  } while (!g_keys[virtualKey].compare_exchange_weak(state, next));
}

void QxSetKeyToggled(int virtualKey, bool toggled) {
  if (!Valid(virtualKey)) return;
  if (toggled)
    g_keys[virtualKey].fetch_or(kToggled);
  else
    g_keys[virtualKey].fetch_and(static_cast<BYTE>(~kToggled));
}

void QxResetKeyStates() {
  for (auto& key : g_keys) key.store(0);
}
