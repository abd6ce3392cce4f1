#pragma once
// What the engine asks of the focused formula editor while it lays out and
// draws: the node at the caret and the number being typed. The editor registers
// its answers; until then (and in every test that registers nothing) both are
// null, so the engine builds and runs without any window.
#include "platform/core/Types.h"

class CMcBasic;

// Room of the editor's number-entry text, the zero included; the engine never
// writes more than this into it.
constexpr int kMcNumberTextSize = 32;

// The caret node of the formula editor that has the keyboard focus, or null
// when the focus is not in a formula editor.
CMcBasic* McGetFocusedEditNode();
// True when node is that caret node.
bool McIsAtCaret(const CMcBasic* node);
// An empty placeholder that is not the caret node: kinds hide such a part
// (an unfilled limit, bound or value), drawn only while the caret is on it.
bool McIsHiddenPlaceholder(const CMcBasic* node);
// The focused editor's number-entry text (kMcNumberTextSize chars, empty when
// no number is being typed), or null when the focus is not in a formula editor.
char* McGetFocusedNumberText();

// The editor installs its two answers; null functions unregister them.
using McFocusedNodeFn = CMcBasic* (*)();
using McFocusedTextFn = char* (*)();
void McSetEditorFocus(McFocusedNodeFn node, McFocusedTextFn text);
