// Feeds arbitrary bytes to the formula editor's paste path as the block of
// the private clipboard format "Plenthoria 98 Object" (CZevMCWnd::Transfer
// reading a shared memory file over the block, as Paste does), twice: once
// with the caret four levels down in a model, once over the whole model.
// Checks that g_bClipboardDrawing is cleared and at most one message shown;
// that a refused paste leaves the list's record byte for byte as it was; and
// that an accepted one shows no message, leaves a definition that stores,
// loads back and stores again the same bytes, and redraws.
#include "fuzz/FuzzSupport.h"

#include "GlobalResources.h"
#include "MC/MC_BASIC.h"
#include "MC/MC_GROUP.h"
#include "MC/MC_REAL.h"
#include "MC/Mc_division.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_variable.h"
#include "editing/ZevMCWnd.h"
#include "platform/core/File.h"
#include "platform/core/GlobalMemory.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Gdi.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>
#include <memory>

namespace qxfuzz::clipboard_paste {
namespace {

// Counts the message boxes and answers them.
class CountedBoxes {
 public:
  CountedBoxes()
      : m_previous(QxSetMessageBoxHandler([this](HWND, LPCSTR, LPCSTR, UINT) {
          ++m_count;
          return IDOK;
        })) {}
  ~CountedBoxes() { QxSetMessageBoxHandler(m_previous); }
  CountedBoxes(const CountedBoxes&) = delete;
  CountedBoxes& operator=(const CountedBoxes&) = delete;
  int Count() const { return m_count; }

 private:
  int m_count = 0;
  QxMessageBoxHandler m_previous;
};

// k (1 + 2 s) / (s + 3): the 2 lies four levels below the top.
CMcBasic* Model() {
  auto* sum = new CMcListsum(0);
  sum->AppendChild(new CMcReal(1, 0));
  auto* term = new CMcListmult(0);
  term->AppendChild(new CMcReal(2, 0));
  term->AppendChild(new CMcVariable("s", "", 0));
  sum->AppendChild(term);
  auto* product = new CMcListmult(0);
  product->AppendChild(new CMcVariable("k", "", 0));
  product->AppendChild(sum);
  auto* denominator = new CMcListsum(0);
  denominator->AppendChild(new CMcVariable("s", "", 0));
  denominator->AppendChild(new CMcReal(3, 0));
  return new CMcDivision(product, denominator, 0);
}

// An editor of 400 x 300 in a top-level window, the model shown.
class Editor {
 public:
  Editor() {
    m_parent.CreateEx(0, nullptr, "fuzz", WS_OVERLAPPEDWINDOW, 0, 0, 420, 320, nullptr, nullptr);
    m_wnd.CreateEx(0, nullptr, "EditView", WS_CHILD | WS_VISIBLE, CRect(0, 0, 400, 300), &m_parent,
                   200);
    CMcBasic* model = Model();
    model->Layout(g_pMemDC, kMcLayoutFromTop);
    m_wnd.m_pList->AppendChild(model);
    m_wnd.m_pList->AppendChild(new CMcReal(7, 0));
  }
  ~Editor() {
    m_wnd.DestroyWindow();
    m_parent.DestroyWindow();
  }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;
  CZevMCWnd& Wnd() { return m_wnd; }

 private:
  CWnd m_parent;
  CZevMCWnd m_wnd;
};

Bytes ListRecord(CZevMCWnd& wnd) {
  return Stored([&](CArchive& ar) { wnd.m_pList->Store(ar); });
}

// The paste of one block, read only up to its size.
BOOL PasteBlock(CZevMCWnd& wnd, const std::uint8_t* data, std::size_t size) {
  HGLOBAL block = size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  if (size && !block) return FALSE;
  if (block) {
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
  }
  CSharedFile file;
  if (block) file.SetHandle(block, FALSE);
  BOOL pasted;
  {
    CArchive ar(&file, CArchive::load, 4096);
    pasted = wnd.Transfer(ar, FALSE);
    ar.Close();
  }
  file.Detach();
  if (block) GlobalFree(block);
  return pasted;
}

void CheckOnePaste(CZevMCWnd& wnd, const std::uint8_t* data, std::size_t size) {
  const Bytes before = ListRecord(wnd);
  CountedBoxes boxes;
  const BOOL pasted = PasteBlock(wnd, data, size);
  QX_FUZZ_CHECK(g_bClipboardDrawing == 0);
  QX_FUZZ_CHECK(boxes.Count() <= 1);
  if (!pasted) {
    QX_FUZZ_CHECK(ListRecord(wnd) == before);
    return;
  }
  QX_FUZZ_CHECK(boxes.Count() == 0);
  CMcBasic* shown = wnd.GetShownExpression();
  QX_FUZZ_CHECK(shown != nullptr);
  const Bytes first = Stored([&](CArchive& ar) { shown->Store(ar); });
  CArchive in(Span(first));
  std::unique_ptr<CMcBasic> again(CMcBasic::LoadNode(in));
  QX_FUZZ_CHECK(again != nullptr && in.GetBytesRemaining() == 0);
  QX_FUZZ_CHECK(Stored([&](CArchive& ar) { again->Store(ar); }) == first);
  wnd.Redraw();
}

void RunWith(const std::uint8_t* data, std::size_t size) {
  Editor editor;
  CZevMCWnd& wnd = editor.Wnd();
  // The caret on the 2 of 1 + 2 s.
  CMcBasic* two =
      wnd.m_pList->m_children[0]->m_children[0]->m_children[1]->m_children[1]->m_children[0];
  wnd.m_edit.BeginEdit(two, wnd.GetEditHost(), FALSE);
  CheckOnePaste(wnd, data, size);
  // Over the whole shown model.
  wnd.EndEdit();
  CheckOnePaste(wnd, data, size);
}

}  // namespace

int Run(const std::uint8_t* data, std::size_t size) {
  FixedMetrics metrics;
  RunWith(data, size);
  // The windows' widgets go at the next turn of an event loop; a fuzzing run
  // has none, so they are deleted here.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}

}  // namespace qxfuzz::clipboard_paste

#ifndef QX_FUZZ_REPLAY
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qxfuzz::StartQt();
  // Once for the process: the runs then find the resources made.
  QxSetFixedFontMetrics(true);
  InitGlobalResources();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qxfuzz::NoteUnit(data, size);
  return qxfuzz::clipboard_paste::Run(data, size);
}
#endif
