// One keystroke in the formula editor, as the window spends it: CZevMcEdit::OnKey,
// the layouts its step record names (the edited expression in full and its
// list after a keyword, an undo or a redo), and the redraw of the shown
// expression into g_pMemDC with the caret's subtree drawn again in red, as
// the window does before its block copy.
//
// Formula: the model list as the "Edit Models" dialog holds it, the Process
// definition shown: G(s) = a 3 x 3 matrix whose element e (0..8, row by row)
// is (b3 s^3 + b2 s^2 + b1 s + b0) / (s^4 + a3 s^3 + a2 s^2 + a1 s + a0) with
// b3, b2, b1, b0 = 101 + 8e .. 104 + 8e and a3, a2, a1, a0 = 201 + 8e .. 204 + 8e.
// Editing begins on b0 of element 0.
//
// Script (kScript, 200+ keystrokes): digits typed and erased in a coefficient
// in text mode; arrows and Ctrl+arrows across all nine elements; a new term
// "+0.5s" in a numerator; "sin" recognised on a coefficient, undone and
// redone; Tab and Enter in an element and Backspace over the new placeholders.
//
// Reported per keystroke (microseconds), as counters: median, p95 and max of
// the plain keys and of the replays (a recognised keyword, an undo, a redo),
// and the same for the peer, which lays out the whole expression and its list
// after every key instead of what the step record names. The window run sends
// the same script as key messages (and Undo and Redo commands) to a formula
// editor window of 800 x 600 with the focus, which lays out, redraws off
// screen and copies the block itself; each key is timed up to its painted
// window. Target: p95 of the plain keys at most 4 ms, engine and window. BM_KeywordAfterLongLog
// times one recognised keyword after a log of 1,000 keystrokes. The machine's load (/proc/loadavg)
// is printed before the runs.
#include "bench/BenchCheck.h"
#include "bench/BenchLoad.h"
#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_POWER.h"
#include "MC/MC_REAL.h"
#include "MC/McEditorFocus.h"
#include "MC/Mc_division.h"
#include "MC/Mc_equality.h"
#include "MC/Mc_function.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "MC/Mc_variable.h"
#include "QorexDoc.h"
#include "editing/ZevMCWnd.h"
#include "editing/Zevmcedit.h"
#include "platform/core/KeyState.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/testing/TestHooks.h"
#include "platform/ui/Wnd.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---- the formula ----------------------------------------------------------------

CMcBasic* R(double v) {
  return new CMcReal(v, 0);
}
CMcBasic* S() {
  return new CMcVariable("s", "", 0);
}
CMcBasic* Term(double c, int power) {
  auto* p = new CMcListmult(0);
  if (c != 0.0) p->AppendChild(R(c));
  p->AppendChild(power == 1 ? S() : new CMcPower(S(), R(power), 0));
  return p;
}
// c[0] s^n + c[1] s^(n-1) + ... + c[n]; a leading 0 writes s^n alone.
CMcBasic* Poly(const std::vector<double>& c) {
  auto* sum = new CMcListsum(0);
  const int n = static_cast<int>(c.size()) - 1;
  for (int i = 0; i <= n; ++i) {
    const int power = n - i;
    if (power == 0)
      sum->AppendChild(R(c[i]));
    else if (power > 1 && c[i] == 0.0)
      sum->AppendChild(new CMcPower(S(), R(power), 0));
    else
      sum->AppendChild(Term(c[i], power));
  }
  return sum;
}

CMcBasic* Element(int e) {
  const double b = 101 + 8 * e, a = 201 + 8 * e;
  return new CMcDivision(Poly({b, b + 1, b + 2, b + 3}), Poly({0, a, a + 1, a + 2, a + 3}), 0);
}

// The five model definitions, G's right side the 3 x 3 matrix, G shown.
std::unique_ptr<CMcGroup> ModelList() {
  CQorexDoc doc;
  auto list = std::make_unique<CMcGroup>(nullptr, "", 0);
  for (int i = 0; i < doc.m_models.GetCount(); ++i)
    list->AppendChild(doc.m_models.GetAt(i)->Clone());
  auto* matrix = new CMcMatrix(0);
  for (int e = 0; e < 9; ++e) matrix->AppendChild(Element(e));
  matrix->SetColumns(3);
  CMcBasic* process = list->m_children[2];
  delete process->SetChildAt(matrix, 1);
  list->m_current = 2;
  return list;
}

// b0 of element 0: G = [ (... + b0) / (...) ...].
CMcBasic* FirstB0(CMcGroup* list) {
  CMcBasic* numerator = list->m_children[2]->m_children[1]->m_children[0]->m_children[0];
  return numerator->m_children[numerator->m_count - 1];
}

// ---- keystrokes -------------------------------------------------------------------

struct Key {
  enum Kind { kKey, kUndo, kRedo, kToggle } kind;
  UINT key;
  UINT flags;
};

// The tests' keystroke language, in the part the script uses: characters,
// <Left> <Right> <Up> <Down> with "C-" for Ctrl, <Del>, <Enter>, <Tab> and
// <BS> (key-down, then the character), <Undo>, <Redo>, and " for text mode.
std::vector<Key> Parse(std::string_view script) {
  std::vector<Key> keys;
  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '"') {
      keys.push_back({Key::kToggle, 0, 0});
      continue;
    }
    if (c != '<' || script.find('>', i) == std::string_view::npos) {
      const bool shift =
          std::string_view("~!@#$%^&*()_+{}|:<>?").find(c) != std::string_view::npos ||
          (c >= 'A' && c <= 'Z');
      keys.push_back({Key::kKey, static_cast<BYTE>(c), shift ? kZevKeyShift : 0u});
      continue;
    }
    const size_t end = script.find('>', i);
    std::string_view name = script.substr(i + 1, end - i - 1);
    i = end;
    UINT flags = kZevKeyDown;
    if (name.starts_with("C-")) {
      flags |= kZevKeyCtrl;
      name.remove_prefix(2);
    }
    const struct {
      const char* name;
      UINT vk;
      int ch;
    } named[] = {{"Left", VK_LEFT, -1}, {"Up", VK_UP, -1},      {"Right", VK_RIGHT, -1},
                 {"Down", VK_DOWN, -1}, {"Del", VK_DELETE, -1}, {"Enter", VK_RETURN, 13},
                 {"Tab", VK_TAB, 9},    {"BS", VK_BACK, 8}};
    if (name == "Undo") keys.push_back({Key::kUndo, 0, 0});
    if (name == "Redo") keys.push_back({Key::kRedo, 0, 0});
    for (const auto& n : named) {
      if (name != n.name) continue;
      keys.push_back({Key::kKey, n.vk, flags});
      if (n.ch >= 0) keys.push_back({Key::kKey, static_cast<UINT>(n.ch), flags & ~kZevKeyDown});
    }
  }
  return keys;
}

// The script, one line per part; every keystroke of it is timed.
constexpr const char* kScript[] = {
    // Digits typed and erased in b0 of element 0 in text mode.
    "\"567<BS><BS><BS>89<BS><BS>1<BS>\"",
    // Across all nine elements: along the first row, down and back along the
    // second, down and along the third.
    "<Right><Right><Right><C-Right><C-Right>",
    "<Down><Down><C-Left><C-Left><C-Left>",
    "<Down><Down>",
    "<C-Right><C-Right><C-Right>",
    // Back up to element 1 and into its numerator: a new term +0.5s in front.
    "<Up><Up><Up><Up><C-Left><C-Left>",
    "<Right>+0.5s",
    // sin recognised on the coefficient 109, undone and redone (an arrow makes
    // the redo tail, so the keyword goes and comes back whole).
    "<Right><Right><Right>sin<Right><Undo><Undo><Redo><Redo>",
    // Out to element 1 as a whole: a column by Tab and a row by Enter, each
    // taken back by Backspace over its new placeholders.
    "<C-Up><C-Up><C-Up>",
    "<Tab><BS><Enter><BS>",
    // Walking inside and between the elements with arrows.
    "<Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left>",
    "<Down><Down><Up><Up><C-Left><C-Left><Down><Down><C-Right><C-Right><Up><Up>",
    "<Left><Left><Left><Left><Left><Left><Left><Left>",
    // Digits typed and erased in front of a coefficient in text mode.
    "\"7<BS>35<BS><BS>\"",
    // More walking inside the elements.
    "<Right><Right><Right><Right><Right><Right><Right><Right><Right><Right>",
    "<Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><"
    "Left><Left><Left><Left><Left>",
    "<Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><"
    "Right><Right><Right><Right><Right><Right><Right>",
    "<Down><Down><Up><Up><Down><Up><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left>",
    "<Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><Right><"
    "Right><Right><Right>",
    "<Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left><Left>",
};

std::vector<Key> ScriptKeys() {
  std::vector<Key> keys;
  for (const char* part : kScript) {
    std::vector<Key> k = Parse(part);
    keys.insert(keys.end(), k.begin(), k.end());
  }
  return keys;
}

// ---- the window's work ------------------------------------------------------------

CZevMcEdit* g_focused = nullptr;

// The engine runs answer the expression engine's focus questions themselves;
// a formula editor window registers its own answers when it is made.
void RegisterEngineFocus() {
  McSetEditorFocus([] { return g_focused ? g_focused->m_pCaret : nullptr; },
                   [] { return g_focused ? g_focused->m_szNumber : nullptr; });
}

class NoWindow : public ZevEditHost {
 public:
  CPoint GetScrollOffset() const override { return CPoint(0, 0); }
  void ShowCaretAt(int, int, int, int) override {}
  void DestroyCaret() override {}
  void InvalidateAll(BOOL) override {}
};

void LayoutAll(CZevMcEdit& edit) {
  if (CMcBasic* e = edit.GetEditedExpression()) {
    e->Layout(g_pMemDC, kMcLayoutFromTop);
    edit.m_pList->Layout(g_pMemDC, kMcLayoutAfterChange);
  }
}

// The window's redraw: white client area, the list drawn, the caret's
// subtree again in red at its parent's absolute origin.
void Redraw(CZevMcEdit& edit, CMcGroup* list) {
  CDC* dc = g_pMemDC;
  dc->FillSolidRect(0, 0, 1200, 600, RGB(255, 255, 255));
  if (CMcBasic* shown = edit.GetEditedExpression()) {
    list->m_box.width = shown->m_box.width;
    list->m_box.height = shown->m_box.height;
  }
  dc->SetTextColor(RGB(0, 0, 0));
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextAlign(TA_BASELINE);
  dc->SelectObject(g_fonts[0][0]);
  list->Draw(dc, 0, 0);
  if (CMcBasic* caret = edit.m_pCaret) {
    int x = 0, y = 0;
    for (CMcBasic* n = caret->m_parent; n; n = n->m_parent) {
      x += n->m_box.x;
      y += n->m_box.y;
    }
    dc->SetTextColor(RGB(255, 0, 0));
    caret->Draw(dc, x, y);
  }
}

enum class Mode { kStepRecord, kFullLayout };

// One keystroke as the window spends it; true when it was a replay.
bool Press(CZevMcEdit& edit, CMcGroup* list, const Key& k, Mode mode, NoWindow& window) {
  bool replay = false;
  bool changed = false;
  switch (k.kind) {
    case Key::kToggle:
      g_nDisplaySettings ^= 1;
      edit.UpdateCaret(&window);
      return false;
    case Key::kUndo:
      changed = edit.Undo();
      replay = true;
      break;
    case Key::kRedo:
      changed = edit.Redo();
      replay = true;
      break;
    case Key::kKey: {
      changed = edit.OnKey(k.key, k.flags | ((g_nDisplaySettings & 1) ? kZevKeyText : 0u));
      // A recognised keyword rebuilt the expression: the step record names it whole.
      replay = changed && edit.m_step.pRelayout == edit.m_pList;
      break;
    }
  }
  if (!changed) return replay;
  if (mode == Mode::kFullLayout || k.kind != Key::kKey) {
    LayoutAll(edit);
  } else {
    const McEditStep& st = edit.m_step;
    if (st.pNewSubtree) st.pNewSubtree->Layout(g_pMemDC, kMcLayoutFromTop);
    if (st.pRelayout) st.pRelayout->Layout(g_pMemDC, kMcLayoutAfterChange);
    if (st.pRelayout2) st.pRelayout2->Layout(g_pMemDC, kMcLayoutAfterChange);
  }
  Redraw(edit, list);
  edit.UpdateCaret(&window);
  return replay;
}

struct Times {
  std::vector<double> plain, replay;
};

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t i =
      std::min(v.size() - 1, static_cast<size_t>(std::ceil(q * v.size())) - (q > 0 ? 1 : 0));
  return v[i];
}

void Report(benchmark::State& state, const Times& t) {
  state.counters["plain_n"] = static_cast<double>(t.plain.size());
  state.counters["plain_median_us"] = Quantile(t.plain, 0.5);
  state.counters["plain_p95_us"] = Quantile(t.plain, 0.95);
  state.counters["plain_max_us"] = Quantile(t.plain, 1.0);
  state.counters["replay_n"] = static_cast<double>(t.replay.size());
  state.counters["replay_median_us"] = Quantile(t.replay, 0.5);
  state.counters["replay_p95_us"] = Quantile(t.replay, 0.95);
  state.counters["replay_max_us"] = Quantile(t.replay, 1.0);
}

// The whole script from a fresh list, every keystroke timed.
void BM_EditorScript(benchmark::State& state, Mode mode) {
  const std::vector<Key> keys = ScriptKeys();
  Times times;
  NoWindow window;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CMcGroup> list = ModelList();
    list->m_children[2]->Layout(g_pMemDC, kMcLayoutFromTop);
    list->Layout(g_pMemDC, kMcLayoutAfterChange);
    CZevMcEdit edit;
    g_focused = &edit;
    g_nDisplaySettings &= ~1;
    edit.BeginEdit(FirstB0(list.get()), &window, TRUE);
    Redraw(edit, list.get());
    state.ResumeTiming();
    for (const Key& k : keys) {
      const auto start = std::chrono::steady_clock::now();
      const bool replay = Press(edit, list.get(), k, mode, window);
      const double us =
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count();
      if (k.kind != Key::kToggle) (replay ? times.replay : times.plain).push_back(us);
    }
    state.PauseTiming();
    const bool edited = edit.GetLogLength() > 0;
    edit.EndEdit(&window);
    g_focused = nullptr;
    list.reset();
    state.ResumeTiming();
    if (!qxbench::Check(state, edited, "the script changed nothing in the expression")) break;
  }
  g_nDisplaySettings &= ~1;
  state.counters["keys"] = static_cast<double>(keys.size());
  Report(state, times);
}

// ---- the window's own run ------------------------------------------------------------

// A top-level window holding the editor as a dialog does: "EditView", id 200.
class EditorWindow {
 public:
  EditorWindow() {
    m_parent.CreateEx(0, nullptr, "Edit Models", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 840, 660,
                      nullptr, nullptr);
    LPCSTR cls = AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    m_editor.CreateEx(WS_EX_CLIENTEDGE, cls, "EditView", WS_CHILD | WS_VISIBLE,
                      CRect(10, 10, 810, 610), &m_parent, 200);
  }
  ~EditorWindow() {
    m_editor.DestroyWindow();
    m_parent.DestroyWindow();
  }
  CZevMCWnd& Editor() { return m_editor; }

 private:
  CWnd m_parent;
  CZevMCWnd m_editor;
};

// One keystroke as a message to the window: the modifier keys held as the
// script says, then the key-down or character message, then the paint.
bool SendToWindow(CZevMCWnd& wnd, const Key& k) {
  switch (k.kind) {
    case Key::kToggle:
      wnd.SendMessage(WM_CHAR, '"', 1);
      return false;
    case Key::kUndo:
      wnd.SendCommand(ID_EDIT_UNDO);
      wnd.UpdateWindow();
      return true;
    case Key::kRedo:
      wnd.SendCommand(ID_EDIT_REDO);
      wnd.UpdateWindow();
      return true;
    case Key::kKey:
      break;
  }
  QxSetKeyDown(VK_CONTROL, (k.flags & kZevKeyCtrl) != 0);
  QxSetKeyDown(VK_SHIFT, (k.flags & kZevKeyShift) != 0);
  wnd.SendMessage((k.flags & kZevKeyDown) ? WM_KEYDOWN : WM_CHAR, k.key, 1);
  QxResetKeyStates();
  wnd.UpdateWindow();
  // A recognised keyword folds several positions into one item: a replay.
  return wnd.m_edit.m_step.pRelayout != nullptr &&
         wnd.m_edit.m_step.pRelayout == wnd.m_edit.m_pList;
}

void BM_EditorWindowScript(benchmark::State& state) {
  const std::vector<Key> keys = ScriptKeys();
  Times times;
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<EditorWindow>();
    CZevMCWnd& wnd = window->Editor();
    std::unique_ptr<CMcGroup> list = ModelList();
    while (list->m_count > 0) {
      CMcBasic* e = list->RemoveChildAt(0);
      e->Layout(g_pMemDC, kMcLayoutFromTop);
      e->m_box.x = e->m_box.y = 0;
      wnd.m_pList->AppendChild(e);
    }
    wnd.m_pList->m_current = 2;
    g_nDisplaySettings &= ~1;
    wnd.SetFocus();
    wnd.m_edit.BeginEdit(FirstB0(wnd.m_pList), wnd.GetEditHost(), FALSE);
    wnd.Redraw();
    state.ResumeTiming();
    for (const Key& k : keys) {
      const auto start = std::chrono::steady_clock::now();
      const bool replay = SendToWindow(wnd, k);
      const double us =
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
              .count();
      if (k.kind != Key::kToggle) (replay ? times.replay : times.plain).push_back(us);
    }
    state.PauseTiming();
    const bool edited = wnd.m_edit.GetLogLength() > 0;
    window.reset();
    state.ResumeTiming();
    if (!qxbench::Check(state, edited, "the keys changed nothing in the window's expression"))
      break;
  }
  RegisterEngineFocus();
  g_nDisplaySettings &= ~1;
  state.counters["keys"] = static_cast<double>(keys.size());
  Report(state, times);
}

// One recognised keyword ("sin" completed by its "n") after a log of 1,000
// positions (the script over and over): the replay runs them all.
void BM_KeywordAfterLongLog(benchmark::State& state) {
  const std::vector<Key> script = ScriptKeys();
  const std::vector<Key> word = Parse("si");
  const Key last = Parse("n")[0];
  NoWindow window;
  Times times;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<CMcGroup> list = ModelList();
    list->m_children[2]->Layout(g_pMemDC, kMcLayoutFromTop);
    list->Layout(g_pMemDC, kMcLayoutAfterChange);
    CZevMcEdit edit;
    g_focused = &edit;
    g_nDisplaySettings &= ~1;
    edit.BeginEdit(FirstB0(list.get()), &window, FALSE);
    // Bounded: an editor that logs nothing would never reach the length.
    for (size_t i = 0; edit.GetLogLength() < 1000 && i < 50 * script.size(); ++i)
      Press(edit, list.get(), script[i % script.size()], Mode::kStepRecord, window);
    g_nDisplaySettings &= ~1;
    for (const Key& k : word) Press(edit, list.get(), k, Mode::kStepRecord, window);
    const int logged = edit.GetLogLength();
    state.counters["log_length"] = logged;
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const bool replay = Press(edit, list.get(), last, Mode::kStepRecord, window);
    times.replay.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
    state.PauseTiming();
    state.counters["recognised"] = replay ? 1 : 0;
    edit.EndEdit(&window);
    g_focused = nullptr;
    list.reset();
    state.ResumeTiming();
    if (!qxbench::Check(state, replay, "the keyword was not recognised") ||
        !qxbench::Check(state, logged >= 1000, "the log did not reach 1,000 positions"))
      break;
  }
  Report(state, times);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // Without a screen nobody answers a box or a dialog: each takes its default.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) QxTest::RunWithoutAScreen();
  std::setlocale(LC_NUMERIC, "C");
  InitGlobalResources();
  RegisterEngineFocus();
  std::printf("script: %zu keystrokes\n", ScriptKeys().size());
  qxbench::PrintLoad();
  // Fixed repetitions: most of each run is set-up the timer does not see,
  // which an adaptive count would repeat for minutes.
  benchmark::RegisterBenchmark("editor_keystroke/3x3_model/step_record", BM_EditorScript,
                               Mode::kStepRecord)
      ->Iterations(30)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("editor_keystroke/3x3_model/peer_full_layout", BM_EditorScript,
                               Mode::kFullLayout)
      ->Iterations(30)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("editor_keystroke/3x3_model/window_800x600", BM_EditorWindowScript)
      ->Iterations(30)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("editor_keystroke/3x3_model/keyword_after_1000_keys",
                               BM_KeywordAfterLongLog)
      ->Iterations(20)
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const int code = qxbench::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qxbench::PrintLoad();
  McSetEditorFocus(nullptr, nullptr);
  FreeGlobalResources();
  return code;
}
