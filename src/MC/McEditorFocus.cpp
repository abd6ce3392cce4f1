#include "MC/McEditorFocus.h"

namespace {
McFocusedNodeFn g_focusedNode = nullptr;
McFocusedTextFn g_focusedText = nullptr;
}  // namespace

CMcBasic* McGetFocusedEditNode() {
  return g_focusedNode ? g_focusedNode() : nullptr;
}

char* McGetFocusedNumberText() {
  return g_focusedText ? g_focusedText() : nullptr;
}

void McSetEditorFocus(McFocusedNodeFn node, McFocusedTextFn text) {
  g_focusedNode = node;
  g_focusedText = text;
}
