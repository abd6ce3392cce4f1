#include "editing/DefinitionLists.h"

#include "GlobalResources.h"
#include "MC/MC_GROUP.h"
#include "MC/MXC_BIN.h"
#include "QorexDoc.h"
#include "editing/ChooseDlg.h"
#include "editing/ZevMCWnd.h"
#include "platform/core/Archive.h"
#include "platform/gdi/GdiObjects.h"
#include "res/resource.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace defedit {

const char* const kInvalidMessage =
    "At least one of the models you have edited\ncannot be accepted as valid.";
const char* const kOlderCopiesMessage =
    "The design's models or signals were changed while this dialog was open.\n"
    "Its copies are older: OK would undo that change.";

void FillList(CMcGroup* list, const CMXC_BIN& from, bool layout) {
  while (list->m_count > 0) delete list->RemoveChildAt(list->m_count - 1);
  list->m_current = 0;
  for (int i = 0; i < from.GetCount(); ++i) {
    CMcBasic* copy = from.GetAt(i)->Clone();
    if (copy == nullptr) continue;
    copy->m_box.x = copy->m_box.y = 0;
    copy->m_parent = nullptr;
    if (layout && g_pMemDC) copy->Layout(g_pMemDC, kMcLayoutFromTop);
    list->AppendChild(copy);
  }
}

void LayoutList(CMcGroup* list) {
  if (g_pMemDC == nullptr) return;
  for (int i = 0; i < list->m_count; ++i) list->m_children[i]->Layout(g_pMemDC, kMcLayoutFromTop);
}

CMcBasic** SlotArray(CMcGroup* list, int count) {
  return list->m_count == count ? list->m_children : nullptr;
}

bool AdjustCopies(CQorexDoc* doc, CZevMCWnd& editor, int slot, bool model) {
  editor.EndEdit();
  CMcGroup* models = model ? editor.m_pList : editor.m_pList2;
  CMcGroup* signals = model ? editor.m_pList2 : editor.m_pList;
  CMcBasic** m = SlotArray(models, kModelCount);
  CMcBasic** s = SlotArray(signals, kSignalCount);
  if (m == nullptr || s == nullptr) return false;
  doc->AdjustDimensions(slot, model ? TRUE : FALSE, m, s);
  return true;
}

void MoveListInto(CMcGroup* list, CMXC_BIN& bin) {
  bin.DeleteAll();
  while (list->m_count > 0) {
    CMcBasic* node = list->RemoveChildAt(0);
    node->m_parent = nullptr;
    bin.Add(node);
  }
  list->m_current = 0;
}

bool CreateEditor(CZevMCWnd& editor, CWnd* dialog, const CRect& rect) {
  LPCSTR cls = AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  return editor.CreateEx(WS_EX_CLIENTEDGE, cls, "EditView", WS_CHILD | WS_VISIBLE, rect, dialog,
                         IDC_EDITOR) != FALSE;
}

void ReplaceShown(CZevMCWnd& editor, const CMcBasic* entry) {
  CMcBasic* copy = entry ? entry->Clone() : nullptr;
  CMcGroup* list = editor.m_pList;
  if (copy == nullptr || list->m_current >= list->m_count) {
    delete copy;
    return;
  }
  editor.EndEdit();
  delete list->SetChildAt(copy, list->m_current);
  if (g_pMemDC) copy->Layout(g_pMemDC, kMcLayoutFromTop);
  copy->m_box.x = copy->m_box.y = 0;
  editor.Redraw();
}

const CMcBasic* ChooseEntry(CWnd* parent, CQorexDoc* doc, bool signals) {
  CChooseDlg dlg(parent);
  dlg.m_pDoc = doc;
  dlg.m_bSignals = signals ? TRUE : FALSE;
  dlg.DoModal();
  const CMXC_BIN& library = signals ? doc->m_signalLibrary : doc->m_modelLibrary;
  const int i = dlg.m_nSelected;
  return i >= 0 && i < library.GetCount() ? library.GetAt(i) : nullptr;
}

void AddShownToLibrary(CZevMCWnd& editor, CQorexDoc* doc, CMXC_BIN& library) {
  const CMcBasic* shown = editor.GetShownExpression();
  CMcBasic* copy = shown ? shown->Clone() : nullptr;
  if (copy == nullptr) return;
  copy->m_parent = nullptr;
  if (g_pMemDC) copy->Layout(g_pMemDC, kMcLayoutFromTop);
  library.Add(copy);
  doc->SetModifiedFlag(TRUE);
}

void BindList(CQorexDoc* doc, CMcGroup* list) {
  CVARvalues& vars = doc->m_vars;
  const int count = vars.m_nCount;
  const std::vector<BYTE> used(vars.m_pUsed.get(), vars.m_pUsed.get() + count);
  vars.BindVariables(list);
  if (vars.m_nCount != count || !std::equal(used.begin(), used.end(), vars.m_pUsed.get()))
    doc->SetModifiedFlag(TRUE);
}

namespace {
void StoreLaidOut(CArchive& ar, const CMXC_BIN& list) {
  for (int i = 0; i < list.GetCount(); ++i) {
    std::unique_ptr<CMcBasic> copy(list.GetAt(i)->Clone());
    if (copy == nullptr) continue;
    if (g_pMemDC) copy->Layout(g_pMemDC, kMcLayoutFromTop);
    copy->m_box.x = copy->m_box.y = 0;
    copy->Store(ar);
  }
}
}  // namespace

ModelsSnapshot SnapshotModels(CQorexDoc* doc) {
  ModelsSnapshot snapshot;
  CArchive ar(CArchive::store);
  StoreLaidOut(ar, doc->m_models);
  snapshot.models = ar.TakeStoredBytes();
  for (int i = 0; i < kModelCount; ++i) snapshot.flags.push_back(ModelFlags(doc, i));
  snapshot.variables = doc->m_vars.m_nCount;
  return snapshot;
}

std::vector<BYTE> SnapshotDefinitions(CQorexDoc* doc) {
  CArchive ar(CArchive::store);
  StoreLaidOut(ar, doc->m_models);
  StoreLaidOut(ar, doc->m_signals);
  return ar.TakeStoredBytes();
}

WORD& ModelFlags(CQorexDoc* doc, int i) {
  return (doc->m_system.*kModelWiring[i].block).m_wFlags;
}

WORD* SignalShowFlag(CQorexDoc* doc, int i) {
  if (i < 0 || i > kSigN) return nullptr;
  for (const SIMloopSignal& s : kLoopSignals)
    if (s.definition == i) return &(doc->m_system.*s.signal).m_wFlags;
  return nullptr;
}

void SetDesignBits(CQorexDoc* doc, WORD& word, WORD bits, bool set) {
  SetDesignWord(doc, word, set ? static_cast<WORD>(word | bits) : static_cast<WORD>(word & ~bits));
}

void SetDesignWord(CQorexDoc* doc, WORD& word, WORD value) {
  if (value == word) return;
  word = value;
  doc->SetModifiedFlag(TRUE);
}

}  // namespace defedit
