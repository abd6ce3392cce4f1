#pragma once
// What the layer leaves to the window system beyond windows and input:
// grabbing the mouse for a capture, raising a top-level window, a blinking
// caret, the desktop's viewer for the help file. A platform without a window
// system (the tests' offscreen platform) has none of them, and what it has in
// their place is set from outside the product (platform/testing), as are the
// answers to boxes and dialogs nobody could see there. Layer-internal.
namespace qxui {

struct WindowSystemServices {
  bool grabsMouse = true;     // SetCapture grabs the toolkit's mouse as well
  bool raisesWindows = true;  // BringWindowToTop raises a top-level window
  bool blinksCaret = true;    // otherwise the caret shows steadily
  bool opensHelp = true;      // WinHelp shows the file in the desktop's viewer
};

// The services in use; all of them by default.
const WindowSystemServices& Services();
void SetWindowSystemServices(const WindowSystemServices& services);

}  // namespace qxui
