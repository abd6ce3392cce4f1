#pragma once
// The formula editor's tests speak two small languages.
//
// Keystrokes, replayed with exactly the (key, flags) pairs the window sends:
//   a plain character     a character message; flags Shift (2) where a US
//                         keyboard needs Shift, text mode (16) while it is on
//   <Left> <Up> <Right> <Down> <Del> <Home>
//                         key-down messages (flag 4); <C-Left>, <C-Del>, ...
//                         add Ctrl (1); <C-minus> is Ctrl with the minus key
//   <Enter> <Tab> <BS>    the key-down message, then the character message
//   <C-D> <S-C-D> <C-R>   the control character (here 4, 4, 18) with Ctrl,
//                         and Shift; any letter works the same way
//   "                     toggles text mode (kDisplayTextMode of g_nDisplaySettings)
//   <Undo> <Redo>         call the engine
//   <lt> <gt> <quote> <sp> the characters < > " and a blank
// A "<" that does not open one of these names is the character itself, so
// "x<y" and "<=<=" read as typed.
//
// Trees, as one canonical line: a sign ("-", "+-", "-+"), then the node,
// then its attributes in brackets, then "@side" on the caret node.
//   #                     a placeholder
//   2.5  inf  nan         a number (magnitude; the sign is the prefix)
//   x  x_0  ?             a variable, with its subscript; "?" is the
//                         empty-name mark
//   sin(x)                a function and its argument
//   Kind(child, ...)      any other node, by its kind's name: Division(x,#)
// Attributes: L<n> size level above 0; P parentheses; c constant; G Greek;
// d<n> decoration code (variables and functions); v<n> the variant bits 4-5
// and k<n> the code bits 8-15 of other kinds; C<n> a matrix's columns. Bits a
// layout writes for itself are left out: a power's exponent offset, a
// derivative's written form, an evaluate-at's brackets, a list body's code.
//   "-Root(x,2[L1])@1"    minus the square root of x, caret after the root
//
// EditScene checks, after every accepted keystroke, what every edit must keep:
// the window's incremental layout equals a full one; every node the step
// record names and the caret lie in the live tree, the caret side within its
// text; the record loads back equal, in the file and the clipboard form; a
// replay of the log from the snapshot gives the same text, record and caret.
// When the scene ends, undo to the start gives the start tree and redo to the
// end the end tree.
#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_NULL.h"
#include "MC/MC_REAL.h"
#include "MC/McEditorFocus.h"
#include "MC/McKinds.h"
#include "MC/Mc_function.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "editing/Zevmcedit.h"
#include "platform/core/KeyState.h"
#include "tests/support/Canvas.h"
#include "tests/support/TreeBuilders.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace edtest {

// ---- keystrokes -------------------------------------------------------------------------

struct Stroke {
  enum Kind { kKey, kUndo, kRedo, kToggleText } kind = kKey;
  UINT key = 0;
  UINT flags = 0;  // without text mode: that is added when the key is sent
};

inline bool NeedsShift(char c) {
  return (c >= 'A' && c <= 'Z') || std::strchr("~!@#$%^&*()_+{}|:\"<>?", c) != nullptr;
}

inline Stroke Char(char c) {
  return {Stroke::kKey, static_cast<BYTE>(c), NeedsShift(c) ? kZevKeyShift : 0u};
}

// Appends the strokes of one "<Name>"; false when the name means nothing.
inline bool NamedStrokes(std::string_view name, std::vector<Stroke>& out) {
  UINT mods = 0;
  for (;;) {
    if (name.starts_with("C-") && name.size() > 2) {
      mods |= kZevKeyCtrl;
      name.remove_prefix(2);
    } else if (name.starts_with("S-") && name.size() > 2) {
      mods |= kZevKeyShift;
      name.remove_prefix(2);
    } else {
      break;
    }
  }
  const struct {
    const char* name;
    UINT vk;
  } keys[] = {{"Left", VK_LEFT},  {"Up", VK_UP},     {"Right", VK_RIGHT},    {"Down", VK_DOWN},
              {"Del", VK_DELETE}, {"Home", VK_HOME}, {"minus", VK_OEM_MINUS}};
  for (const auto& k : keys) {
    if (name == k.name) {
      out.push_back({Stroke::kKey, k.vk, mods | kZevKeyDown});
      return true;
    }
  }
  const struct {
    const char* name;
    UINT vk;
    char ch;
  } paired[] = {{"Enter", VK_RETURN, 13}, {"Tab", VK_TAB, 9}, {"BS", VK_BACK, 8}};
  for (const auto& k : paired) {
    if (name == k.name) {
      out.push_back({Stroke::kKey, k.vk, mods | kZevKeyDown});
      out.push_back({Stroke::kKey, static_cast<UINT>(k.ch), mods});
      return true;
    }
  }
  if (mods == 0) {
    if (name == "Undo") return out.push_back({Stroke::kUndo}), true;
    if (name == "Redo") return out.push_back({Stroke::kRedo}), true;
    if (name == "lt") return out.push_back(Char('<')), true;
    if (name == "gt") return out.push_back(Char('>')), true;
    if (name == "quote") return out.push_back(Char('"')), true;
    if (name == "sp") return out.push_back(Char(' ')), true;
  }
  if ((mods & kZevKeyCtrl) && name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') {
    out.push_back({Stroke::kKey, static_cast<UINT>(name[0] - '@'), mods});
    return true;
  }
  return false;
}

inline bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

inline std::vector<Stroke> ParseScript(std::string_view script) {
  std::vector<Stroke> out;
  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '"') {
      out.push_back({Stroke::kToggleText});
      continue;
    }
    if (c == '<' && i + 1 < script.size() &&
        std::isalpha(static_cast<unsigned char>(script[i + 1]))) {
      size_t j = i + 1;
      while (j < script.size() && IsNameChar(script[j])) ++j;
      if (j < script.size() && script[j] == '>') {
        const std::string_view name = script.substr(i + 1, j - i - 1);
        if (!NamedStrokes(name, out)) ADD_FAILURE() << "no such key in a script: <" << name << ">";
        i = j;
        continue;
      }
    }
    out.push_back(Char(c));
  }
  return out;
}

// ---- tree text ---------------------------------------------------------------------------

inline std::string NameText(const char* text) {
  std::string s;
  for (const char* p = text; *p; ++p) s += *p == kZevEmptyName ? '?' : *p;
  return s;
}

inline std::string NumberText(double magnitude) {
  if (std::isnan(magnitude)) return "nan";
  if (std::isinf(magnitude)) return "inf";
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", magnitude);
  return text;
}

// The flag bits a kind's layout writes for itself.
inline WORD LayoutOwnedBits(McKindCode kind) {
  switch (kind) {
    case kMcPower:
    case kMcListbody:
      return 0xFF00;
    case kMcDerivative:
      return 0xC000;
    case kMcEvalat:
      return 0x0020;
    default:
      return 0;
  }
}

// One attribute: a letter and a number ("L2").
inline std::string Attr(char letter, int value) {
  std::string a(1, letter);
  return a.append(std::to_string(value));
}

inline std::string TreeText(const CMcBasic* node, const CMcBasic* caret = nullptr, int side = 0) {
  if (node == nullptr) return "<null>";
  static const char* const kSigns[] = {"", "-", "+-", "-+"};
  std::string s = kSigns[node->m_flags & kMcSignMask];
  const McKindCode kind = McKindOf(node->GetType());
  const WORD f = node->m_flags & ~LayoutOwnedBits(kind);
  std::vector<std::string> attrs;
  if (node->GetLevel() > 0) attrs.push_back(Attr('L', node->GetLevel()));
  if (f & 4) attrs.push_back("P");
  auto children = [&] {
    std::string c = "(";
    for (int i = 0; i < node->m_count; ++i) {
      if (i) c += ",";
      c += TreeText(node->m_children[i], caret, side);
    }
    return c + ")";
  };
  switch (kind) {
    case kMcNull:
      s += "#";
      break;
    case kMcReal:
      s += NumberText(static_cast<const CMcReal*>(node)->m_value);
      break;
    case kMcVariable:
    case kMcFunction: {
      const bool variable = kind == kMcVariable;
      const char* name = variable ? static_cast<const CMcVariable*>(node)->GetVarName()
                                  : static_cast<const CMcFunction*>(node)->GetFunctionName();
      const char* sub = variable ? static_cast<const CMcVariable*>(node)->GetSubscript()
                                 : static_cast<const CMcFunction*>(node)->GetSubscript();
      s += NameText(name);
      if (sub[0]) s.append("_").append(NameText(sub));
      if (f & 0x100) attrs.push_back("c");
      if (f & 0x10) attrs.push_back("G");
      if ((f >> 9) & 15) attrs.push_back(Attr('d', (f >> 9) & 15));
      if (!variable) s += children();
      break;
    }
    default:
      s += McKindName(node->GetType());
      if ((f >> 4) & 3) attrs.push_back(Attr('v', (f >> 4) & 3));
      if (f >> 8) attrs.push_back(Attr('k', f >> 8));
      if (kind == kMcMatrix)
        attrs.push_back(Attr('C', static_cast<const CMcMatrix*>(node)->GetColumns()));
      s += children();
      break;
  }
  if (!attrs.empty()) {
    s += "[";
    for (size_t i = 0; i < attrs.size(); ++i) s += (i ? "," : "") + attrs[i];
    s += "]";
  }
  if (node == caret) s.append("@").append(std::to_string(side));
  return s;
}

// ---- properties -------------------------------------------------------------------------

// Every node of the tree below (and with) root.
inline std::unordered_set<const CMcBasic*> NodesOf(const CMcBasic* root) {
  std::unordered_set<const CMcBasic*> nodes;
  std::vector<const CMcBasic*> stack{root};
  while (!stack.empty()) {
    const CMcBasic* n = stack.back();
    stack.pop_back();
    if (n == nullptr) continue;
    nodes.insert(n);
    for (int i = 0; i < n->m_count; ++i) stack.push_back(n->m_children[i]);
  }
  return nodes;
}

// Every node's box and baseline, in a fixed walk order, with the node.
struct NodeBox {
  const CMcBasic* node;
  int x, y, width, height, baseline;
  bool SameBox(const NodeBox& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height && baseline == o.baseline;
  }
  bool operator==(const NodeBox& o) const { return node == o.node && SameBox(o); }
};

inline std::vector<NodeBox> Boxes(const CMcBasic* root) {
  std::vector<NodeBox> out;
  std::vector<const CMcBasic*> stack{root};
  while (!stack.empty()) {
    const CMcBasic* n = stack.back();
    stack.pop_back();
    out.push_back({n, int{n->m_box.x}, int{n->m_box.y}, int{n->m_box.width}, int{n->m_box.height},
                   int{n->m_baseline}});
    for (int i = 0; i < n->m_count; ++i) stack.push_back(n->m_children[i]);
  }
  return out;
}

// The first node whose box differs between two walks of one tree, as text.
inline std::string FirstDifference(const std::vector<NodeBox>& a, const std::vector<NodeBox>& b) {
  auto text = [](const NodeBox& n) {
    char t[80];
    std::snprintf(t, sizeof t, " (%d,%d %dx%d /%d)", n.x, n.y, n.width, n.height, n.baseline);
    return std::string(t);
  };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (!a[i].SameBox(b[i]))
      return TreeText(a[i].node) + text(a[i]) + " but " + TreeText(b[i].node) + text(b[i]);
  return "a different tree";
}

// The record of node, in the file form or the clipboard form.
inline std::vector<BYTE> RecordAs(const CMcBasic* node, bool clipboard) {
  const BYTE was = g_bClipboardDrawing;
  g_bClipboardDrawing = clipboard ? 1 : 0;
  std::vector<BYTE> bytes = qxtest::trees::Record(node);
  g_bClipboardDrawing = was;
  return bytes;
}

// Whether a record (of the form given) loads back to a tree with the same
// record.
inline bool LoadsBack(const std::vector<BYTE>& bytes, bool clipboard) {
  const BYTE was = g_bClipboardDrawing;
  g_bClipboardDrawing = clipboard ? 1 : 0;
  std::unique_ptr<CMcBasic> loaded = qxtest::trees::Load(bytes);
  g_bClipboardDrawing = was;
  return loaded && RecordAs(loaded.get(), clipboard) == bytes;
}

inline bool LoadsBack(const CMcBasic* node, bool clipboard) {
  return LoadsBack(RecordAs(node, clipboard), clipboard);
}

// The highest caret side the node's text allows.
inline int MaxSide(const CMcBasic* node, const char* number) {
  switch (McKindOf(node->GetType())) {
    case kMcVariable:
      return static_cast<const CMcVariable*>(node)->m_length;
    case kMcFunction:
      return static_cast<const CMcFunction*>(node)->m_bufferLength;
    case kMcReal:
      return std::max<int>(1, static_cast<int>(strnlen(number, kMcNumberTextSize)) + 1);
    default:
      return 1;
  }
}

// ---- an editor at work -------------------------------------------------------------------

// One engine editing expressions held in a list group, with the drawing
// resources made, fixed font metrics, text mode off, and the engine registered
// as the focused editor; the window's layouts follow every accepted key, and
// the properties above are checked (SetChecks(false) turns them off).
class EditScene {
 public:
  EditScene() {
    if (g_pMemDC == nullptr) InitGlobalResources();
    m_savedSettings = g_nDisplaySettings;
    g_nDisplaySettings &= ~kDisplayTextMode;
    Focus(&m_edit);
  }
  ~EditScene() {
    Finish();
    m_edit.EndEdit(nullptr);
    Focus(nullptr);
    g_nDisplaySettings = m_savedSettings;
  }
  EditScene(const EditScene&) = delete;
  EditScene& operator=(const EditScene&) = delete;

  // Makes the list of these expressions (the scene owns them), shows the one
  // that holds `at` (default: the first) and begins editing at `at`.
  void Begin(std::vector<CMcBasic*> expressions, CMcBasic* at = nullptr) {
    Finish();
    m_edit.EndEdit(nullptr);
    m_list = std::make_unique<CMcGroup>(nullptr, "", 0);
    for (CMcBasic* e : expressions) m_list->AppendChild(e);
    // The list shows the expression that holds `at`, as a window would.
    for (const CMcBasic* n = at; n && n->m_parent; n = n->m_parent)
      if (n->m_parent == m_list.get())
        m_list->m_current = static_cast<WORD>(m_list->IndexOfChild(n));
    if (m_layout && m_list->m_count) FullLayout(m_list->m_children[m_list->m_current]);
    m_edit.BeginEdit(at ? at : m_list.get(), nullptr, FALSE);
    m_startText = Text();
  }
  // An empty placeholder to type into.
  void BeginEmpty() { Begin({new CMcNull(0)}); }

  // Sends one stroke; true when the engine accepted it.
  bool Send(const Stroke& s) {
    // With an empty log the tree is the one editing began on.
    if (m_edit.IsEditing() && m_edit.GetLogLength() == 0) m_startText = Text();
    bool ok = false;
    switch (s.kind) {
      case Stroke::kToggleText:
        g_nDisplaySettings ^= kDisplayTextMode;
        return true;
      case Stroke::kUndo:
        ok = Settle(m_edit.Undo(), true);
        break;
      case Stroke::kRedo:
        ok = Settle(m_edit.Redo(), true);
        break;
      case Stroke::kKey:
        ok = Settle(
            m_edit.OnKey(s.key,
                         s.flags | ((g_nDisplaySettings & kDisplayTextMode) ? kZevKeyText : 0u)),
            false);
        break;
    }
    if (ok && m_checks && ++m_sinceCheck >= m_checkEvery) {
      m_sinceCheck = 0;
      CheckProperties();
    }
    return ok;
  }

  // Types a script; after each stroke `each` (when given) sees the stroke and
  // whether it was accepted. Returns the number of accepted strokes.
  int Type(std::string_view script,
           const std::function<void(const Stroke&, bool)>& each = nullptr) {
    int accepted = 0;
    for (const Stroke& s : ParseScript(script)) {
      const bool ok = Send(s);
      accepted += ok;
      if (each) each(s, ok);
    }
    return accepted;
  }

  // The edited expression as tree text, the caret marked.
  std::string Text() const {
    return TreeText(m_edit.GetEditedExpression(), m_edit.m_pCaret, m_edit.m_step.nCaretSide);
  }

  CZevMcEdit& Edit() { return m_edit; }
  CMcGroup* List() { return m_list.get(); }
  CMcBasic* Expression() const { return m_edit.GetEditedExpression(); }
  // Turns the window's layouts after each key off (or on again); the layout
  // property is then not checked.
  void SetLayout(bool on) { m_layout = on; }
  // Turns the property checks off or on; with n > 1 only every n-th accepted
  // keystroke is checked.
  void SetChecks(bool on, int every = 1) {
    m_checks = on;
    m_checkEvery = std::max(1, every);
  }

  // The properties after one accepted keystroke (see the file's comment).
  void CheckProperties() {
    if (!m_edit.IsEditing() || m_list == nullptr) return;
    // Said only when a check fails: the text costs more than the checks.
    auto where = [this] {
      return "; after " + std::to_string(m_edit.GetLogLength()) + " positions: " + Text();
    };
    CMcBasic* live = m_edit.GetEditedExpression();
    ASSERT_NE(live, nullptr);
    const auto nodes = NodesOf(m_list.get());
    const McEditStep& st = m_edit.m_step;
    const struct {
      const char* name;
      const CMcBasic* node;
    } named[] = {{"caret", m_edit.m_pCaret},    {"pCaret", st.pCaret},
                 {"pNewCaret", st.pNewCaret},   {"pRelayout", st.pRelayout},
                 {"pRelayout2", st.pRelayout2}, {"pNewSubtree", st.pNewSubtree}};
    for (const auto& n : named)
      EXPECT_TRUE(n.node == nullptr || nodes.count(n.node))
          << n.name << " is not in the tree" << where();
    EXPECT_TRUE(nodes.count(m_edit.m_pCaret)) << "the caret is gone" << where();
    if (nodes.count(m_edit.m_pCaret)) {
      EXPECT_LE(st.nCaretSide, MaxSide(m_edit.m_pCaret, m_edit.m_szNumber))
          << "caret side beyond the text" << where();
    }
    EXPECT_LT(strnlen(m_edit.m_szNumber, kMcNumberTextSize), size_t{kMcNumberTextSize});
    if (m_layout) {
      const std::vector<NodeBox> incremental = Boxes(m_list.get());
      FullLayout(live);
      const std::vector<NodeBox> full = Boxes(m_list.get());
      EXPECT_TRUE(incremental == full) << "the incremental layout differs from a full one: "
                                       << FirstDifference(incremental, full) << where();
    }
    const std::vector<BYTE> record = RecordAs(live, false);
    EXPECT_TRUE(LoadsBack(record, false)) << "the file record does not load back" << where();
    EXPECT_TRUE(LoadsBack(live, true)) << "the clipboard record does not load back" << where();
    CheckReplay(record);
  }

  // A second engine replays this one's log from its snapshot: same text,
  // record and caret. record: the live expression's, laid out in full.
  void CheckReplay(const std::vector<BYTE>& record) {
    CZevMcEdit shadow;
    CMcGroup list(nullptr, "", 0);
    for (int i = 0; i <= m_edit.m_nListIndex; ++i) list.AppendChild(new CMcNull(0));
    shadow.m_pList = &list;
    shadow.m_nListIndex = m_edit.m_nListIndex;
    shadow.m_pSnapshot = m_edit.m_pSnapshot->Clone();
    shadow.m_pSnapshot->m_parent = &list;
    int depth = 0;
    for (const CMcBasic* n = m_edit.m_pSnapshotCaret; n && n != m_edit.m_pSnapshot; n = n->m_parent)
      ++depth;
    shadow.m_pSnapshotCaret =
        CZevMcEdit::MapNode(shadow.m_pSnapshot, m_edit.m_pSnapshot, m_edit.m_pSnapshotCaret, depth);
    const int capacity = m_edit.m_nLogCapacity;
    shadow.m_nLogCapacity = capacity;
    shadow.m_pLogChars.reset(new BYTE[capacity]);
    shadow.m_pLogCodes.reset(new DWORD[capacity]);
    shadow.m_pLogPrevCodes.reset(new DWORD[capacity]);
    std::copy_n(m_edit.m_pLogChars.get(), capacity, shadow.m_pLogChars.get());
    std::copy_n(m_edit.m_pLogCodes.get(), capacity, shadow.m_pLogCodes.get());
    std::copy_n(m_edit.m_pLogPrevCodes.get(), capacity, shadow.m_pLogPrevCodes.get());
    shadow.m_nLogLength = m_edit.m_nLogLength;
    Focus(&shadow);
    shadow.Replay();
    CMcBasic* replayed = shadow.GetEditedExpression();
    if (m_layout) FullLayout(replayed);
    // Same record (laid out, it holds everything the tree text does) and the
    // caret at the same place; the texts are made only to report a failure.
    const bool same = m_layout ? RecordAs(replayed, false) == record
                               : TreeText(replayed) == TreeText(Expression());
    const bool sameCaret = CaretPath(shadow) == CaretPath(m_edit);
    auto replayText = [&] { return TreeText(replayed, shadow.m_pCaret, shadow.m_step.nCaretSide); };
    auto report = [&] {
      return "\n replayed " + replayText() + "\n live     " + Text() + "\n " +
             FirstDifference(Boxes(replayed), Boxes(Expression()));
    };
    EXPECT_TRUE(same && sameCaret) << "a replay from the snapshot gives another tree" << report();
    Focus(&m_edit);
    shadow.m_pList = nullptr;
  }

  // Undo to the start gives the start tree, redo to the end the end tree.
  // Called when the scene ends or begins again.
  void Finish() {
    if (!m_checks || !m_edit.IsEditing() || m_edit.GetLogLength() == 0) return;
    SCOPED_TRACE("undo and redo over the whole log");
    // Laid out only where a text is taken: the layout decides the
    // parentheses of product factors, which the text shows.
    const bool layout = m_layout;
    m_layout = false;
    auto laidOutText = [this] {
      FullLayout(m_edit.GetEditedExpression());
      return Text();
    };
    // The end is where the redo tail ends.
    for (int redos = 0; Settle(m_edit.Redo(), true);)
      ASSERT_LE(++redos, m_edit.m_nLogCapacity) << "redo does not end";
    const std::string start = m_startText;
    std::string end = laidOutText();
    const int length = m_edit.GetLogLength();
    int undos = 0;
    while (Settle(m_edit.Undo(), true)) {
      // A keyword at the very end is first taken back to its typed letters,
      // which redo then gives back as typed.
      if (undos++ == 0 && m_edit.GetLogLength() == length) end = laidOutText();
      ASSERT_LE(undos, 2 * length + 2) << "undo does not end";
    }
    EXPECT_EQ(laidOutText(), start) << "undo to the start";
    int redos = 0;
    while (Settle(m_edit.Redo(), true)) ASSERT_LE(++redos, 2 * length + 2) << "redo does not end";
    EXPECT_EQ(laidOutText(), end) << "redo to the end";
    m_layout = layout;
  }

 private:
  static void Focus(CZevMcEdit* edit) {
    s_focus = edit;
    if (edit)
      McSetEditorFocus([] { return s_focus ? s_focus->m_pCaret : nullptr; },
                       [] { return s_focus ? s_focus->m_szNumber : nullptr; });
    else
      McSetEditorFocus(nullptr, nullptr);
  }

  // The child indices from the edited expression down to the caret, and the
  // caret side.
  static std::vector<int> CaretPath(const CZevMcEdit& edit) {
    std::vector<int> path{edit.m_step.nCaretSide};
    const CMcBasic* top = edit.GetEditedExpression();
    for (const CMcBasic* n = edit.m_pCaret; n && n != top && n->m_parent; n = n->m_parent)
      path.push_back(n->m_parent->IndexOfChild(n));
    return path;
  }

  // The window's layout of a whole expression: itself, then its list.
  static void FullLayout(CMcBasic* expression) {
    if (expression == nullptr) return;
    expression->Layout(g_pMemDC, kMcLayoutFromTop);
    if (expression->m_parent) expression->m_parent->Layout(g_pMemDC, kMcLayoutAfterChange);
  }

  // The window's layouts after an accepted key, or after an undo or redo.
  bool Settle(BOOL accepted, bool rebuilt) {
    if (!accepted || !m_layout) return accepted != FALSE;
    if (rebuilt) {
      FullLayout(m_edit.GetEditedExpression());
      return true;
    }
    const McEditStep& st = m_edit.m_step;
    if (st.pNewSubtree) st.pNewSubtree->Layout(g_pMemDC, kMcLayoutFromTop);
    if (st.pRelayout) st.pRelayout->Layout(g_pMemDC, kMcLayoutAfterChange);
    if (st.pRelayout2) st.pRelayout2->Layout(g_pMemDC, kMcLayoutAfterChange);
    return true;
  }

  static inline CZevMcEdit* s_focus = nullptr;
  qxtest::FixedMetrics m_metrics;
  std::unique_ptr<CMcGroup> m_list;
  CZevMcEdit m_edit;
  std::string m_startText;  // the tree editing began on, laid out
  int m_savedSettings = 0;
  bool m_layout = true;
  bool m_checks = true;
  int m_checkEvery = 1;
  int m_sinceCheck = 0;
};

// ---- tables of scripts ---------------------------------------------------------------------

// One row: from an empty placeholder (or `start` with the caret after the
// node at child-index path `caret`: "" the top, "1.0" child 0 of child 1),
// type `script` and expect `tree`, and where given the count of accepted
// keys (a text-mode toggle counts).
struct Row {
  const char* what;
  const char* script;
  const char* tree;
  CMcBasic* (*start)() = nullptr;
  const char* caret = "";
  int accepted = -1;
};

inline CMcBasic* At(CMcBasic* node, const char* path) {
  for (const char* p = path; *p;) {
    char* end = nullptr;
    node = node->m_children[std::strtol(p, &end, 10)];
    p = *end == '.' ? end + 1 : end;
  }
  return node;
}

inline void RunRows(std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.what) + ": " + r.script);
    EditScene scene;
    if (r.start) {
      CMcBasic* top = r.start();
      scene.Begin({top}, At(top, r.caret));
    } else {
      scene.BeginEmpty();
    }
    const int accepted = scene.Type(r.script);
    EXPECT_EQ(scene.Text(), r.tree);
    if (r.accepted >= 0) {
      EXPECT_EQ(accepted, r.accepted);
    }
  }
}

inline CMcBasic* Hole() {
  return new CMcNull(0);
}

// Numbers shown with four digits, except the one at the caret.
class FourDigits {
 public:
  FourDigits() : m_saved(g_nDisplaySettings) {
    g_nDisplaySettings = (g_nDisplaySettings & ~(kDisplayRealFixMask << kDisplayRealFixShift)) |
                         (4 << kDisplayRealFixShift);
  }
  ~FourDigits() { g_nDisplaySettings = m_saved; }

 private:
  int m_saved;
};

}  // namespace edtest
