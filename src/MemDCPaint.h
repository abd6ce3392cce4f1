#pragma once
// Repainting a window whole through the shared off-screen context g_pMemDC,
// so that it never flickers: the view, the signal panes and the formula
// editor draw this way.
#include "platform/core/Types.h"

#include <functional>

class CDC;
class CWnd;

// Validates wnd's client area, clears g_pMemDC to paper over it, lets draw
// paint into g_pMemDC clipped to the client area, and copies the result to
// the window in one block (the caret goes first: the copy would cut it).
// Nothing without the context or the window.
void PaintThroughMemDC(CWnd* wnd, COLORREF paper, const std::function<void(CDC*)>& draw);
