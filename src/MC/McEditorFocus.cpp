#include "MC/McEditorFocus.h"

#include "MC/McKinds.h"

namespace {
McFocusedNodeFn g_focusedNode = nullptr;
McFocusedTextFn g_focusedText = nullptr;
}  // namespace

CMcBasic* McGetFocusedEditNode() {
  return g_focusedNode ? g_focusedNode() : nullptr;
}

bool McIsAtCaret(const CMcBasic* node) {
  return node != nullptr && node == McGetFocusedEditNode();
}

bool McIsHiddenPlaceholder(const CMcBasic* node) {
  return McIsKind(node, kMcNull) && !McIsAtCaret(node);
}

char* McGetFocusedNumberText() {
  return g_focusedText ? g_focusedText() : nullptr;
}

void McSetEditorFocus(McFocusedNodeFn node, McFocusedTextFn text) {
  g_focusedNode = node;
  g_focusedText = text;
}
