#include "platform/ui/CmdTarget.h"

#include <QCursor>
#include <QGuiApplication>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {

const AFX_MSGMAP_ENTRY kNoEntries[] = {{0, 0, 0, 0, nullptr, nullptr}};

bool TakesMessage(const AFX_MSGMAP_ENTRY& entry, UINT message) {
  if (entry.pnRegisteredMessage) {
    return *entry.pnRegisteredMessage != 0 && *entry.pnRegisteredMessage == message;
  }
  return entry.nMessage == message && entry.nMessage != WM_COMMAND;
}

}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP map = {nullptr, kNoEntries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
      if (TakesMessage(*entry, message)) return entry;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::DispatchMappedMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT* pResult) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message);
  if (!entry) return FALSE;
  AFX_MSGCALL call;
  call.message = message;
  call.wParam = wParam;
  call.lParam = lParam;
  entry->pfn(this, call);
  if (pResult) *pResult = call.lResult;
  return TRUE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry) {
      if (entry->nMessage != WM_COMMAND || entry->pnRegisteredMessage) continue;
      if (entry->nCode != nCode || nID < entry->nID || nID > entry->nLastID) continue;
      if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = entry;
        return TRUE;
      }
      AFX_MSGCALL call;
      call.message = WM_COMMAND;
      call.nID = nID;
      call.nCode = nCode;
      call.pExtra = pExtra;
      if (nCode == CN_UPDATE_COMMAND_UI) {
        CCmdUI* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry->pfn(this, call);
        return !cmdUI->m_bContinueRouting;
      }
      entry->pfn(this, call);
      return call.bHandled;
    }
  }
  return FALSE;
}

// The wait cursor is process-wide; it shows only when a GUI application runs,
// so headless documents can call these freely.
namespace {
int g_nWaitCursorCount = 0;
}

void CCmdTarget::BeginWaitCursor() {
  ++g_nWaitCursorCount;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
}

void CCmdTarget::EndWaitCursor() {
  if (g_nWaitCursorCount == 0) return;
  --g_nWaitCursorCount;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QGuiApplication::restoreOverrideCursor();
  }
}

void CCmdTarget::RestoreWaitCursor() {}

// ---- CCmdUI ---------------------------------------------------------------

void CCmdUI::Enable(BOOL bOn) {
  m_bEnabled = bOn ? TRUE : FALSE;
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  m_nCheck = nCheck;
}

void CCmdUI::SetRadio(BOOL bOn) {
  m_bRadio = bOn ? TRUE : FALSE;
  m_nCheck = bOn ? 1 : 0;
}

void CCmdUI::SetText(LPCTSTR lpszText) {
  m_strText = lpszText;
  m_bTextSet = TRUE;
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  if (m_nID == 0 || !pTarget) return TRUE;
  m_bEnableChanged = FALSE;
  BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
  if (!handled && bDisableIfNoHandler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info;
    Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
  }
  return handled;
}
