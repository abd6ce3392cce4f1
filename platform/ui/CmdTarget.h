#pragma once
// CCmdTarget: an object that receives commands, window messages and thread
// messages through a message map, and CCmdUI, through which update handlers
// set the state of a menu item, toolbar button or status pane.
//
// A message map is a static table per class, chained to the base class's
// table. A lookup walks the table of the object's class, then its base's, and
// so on, so a derived class overrides what it maps and inherits the rest.
//
//   BEGIN_MESSAGE_MAP(CMyDoc, CDocument)
//     ON_COMMAND(ID_DESIGN_RUN, OnRun)
//     ON_UPDATE_COMMAND_UI(ID_DESIGN_RUN, OnUpdateRun)
//   END_MESSAGE_MAP()
//
// Each entry holds a small function (a capture-less lambda made by the entry
// macro) that casts the target to the mapping class and calls the handler with
// the arguments cracked from the message, so a handler of the wrong signature
// is a compile error rather than a wrong call.
#include "platform/core/Object.h"
#include "platform/core/String.h"
#include "platform/ui/Constants.h"

class CCmdTarget;
class CCmdUI;
class CMenu;
class CWnd;

// One handler call: the message as it came, and for commands the id, the
// code and the extra pointer (the CCmdUI of an update). Handlers that answer
// write lResult; ON_COMMAND_EX handlers and update handlers may clear bHandled
// so that routing goes on.
struct AFX_MSGCALL {
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  UINT nID = 0;
  int nCode = 0;
  void* pExtra = nullptr;
  LRESULT lResult = 0;
  BOOL bHandled = TRUE;
};

using AFX_PMSG = void (*)(CCmdTarget* target, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // the window or thread message; WM_COMMAND for commands and notifications
  int nCode;      // commands: CN_COMMAND, CN_UPDATE_COMMAND_UI or a notification code
  UINT nID;       // first command or control id
  UINT nLastID;   // last id of a range; nID otherwise
  // ON_REGISTERED_MESSAGE: the variable that holds the registered id (read at
  // dispatch, so the table can be built before the message is registered).
  const UINT* pnRegisteredMessage;
  AFX_PMSG pfn;  // null ends the table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root of the chain
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// Filled by OnCmdMsg when a caller only asks whether a handler exists.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget = nullptr;
  const AFX_MSGMAP_ENTRY* pEntry = nullptr;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  CCmdTarget() = default;
  ~CCmdTarget() override = default;

  // Routes a command (nCode CN_COMMAND or a control notification) or an update
  // request (CN_UPDATE_COMMAND_UI, pExtra the CCmdUI) to this object's map.
  // TRUE when a handler took it. With pHandlerInfo the handler is found and
  // described but not called. Frames and views override this to route further.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

  // Calls the map's handler for a window or thread message (registered ones
  // included). FALSE when the map has none; the handler's answer in *pResult.
  BOOL DispatchMappedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

  // The first entry of this object's map chain for a window or thread message.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message) const;

  // The wait cursor while a long operation runs (shown by the windows layer).
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// The state an update handler sets. The base records it; menus, toolbar
// buttons and status panes use subclasses that also apply it.
class CCmdUI {
 public:
  CCmdUI() = default;
  virtual ~CCmdUI() = default;

  virtual void Enable(BOOL bOn = TRUE);
  virtual void SetCheck(int nCheck = 1);  // 0 unchecked, 1 checked, 2 indeterminate
  virtual void SetRadio(BOOL bOn = TRUE);
  virtual void SetText(LPCTSTR lpszText);
  // Lets the command's update request go on to the next target.
  void ContinueRouting() { m_bContinueRouting = TRUE; }

  // Asks pTarget's routing for the state. When no update handler answers and
  // bDisableIfNoHandler is set, the item is enabled exactly when some target
  // handles the command. TRUE when an update handler answered.
  BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

  UINT m_nID = 0;
  UINT m_nIndex = 0;
  UINT m_nIndexMax = 0;
  CMenu* m_pMenu = nullptr;     // the menu of the item, when it is a menu item
  CMenu* m_pSubMenu = nullptr;  // the popup the item opens, if any
  CWnd* m_pOther = nullptr;     // the bar of a toolbar button or status pane

  // What the handlers set (m_bEnableChanged tells whether Enable was called).
  BOOL m_bEnabled = TRUE;
  int m_nCheck = 0;
  BOOL m_bRadio = FALSE;
  CString m_strText;
  BOOL m_bTextSet = FALSE;
  BOOL m_bEnableChanged = FALSE;
  BOOL m_bContinueRouting = FALSE;
};

// ---- Message-map macros -------------------------------------------------

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY qxEntries[] = {
#define END_MESSAGE_MAP()                                                        \
  { 0, 0, 0, 0, nullptr, nullptr }                                               \
  }                                                                              \
  ;                                                                              \
  static const AFX_MSGMAP qxMap = {&TheBaseClass::GetThisMessageMap, qxEntries}; \
  return &qxMap;                                                                 \
  }

// The handler thunk of an entry: `body` sees `self` (the target as the mapping
// class) and `call` (the AFX_MSGCALL).
#define QX_MSG_THUNK(body)                               \
  [](CCmdTarget* qxTarget, AFX_MSGCALL& call) {          \
    ThisClass* self = static_cast<ThisClass*>(qxTarget); \
    (void)self;                                          \
    (void)call;                                          \
    body;                                                \
  }

// Commands and their update handlers.
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND,                    \
   CN_COMMAND,                    \
   static_cast<UINT>(id),         \
   static_cast<UINT>(id),         \
   nullptr,                       \
   QX_MSG_THUNK(self->memberFxn())},
// BOOL memberFxn(UINT nID); FALSE lets the command go on to the next target.
#define ON_COMMAND_EX(id, memberFxn) \
  {WM_COMMAND,                       \
   CN_COMMAND,                       \
   static_cast<UINT>(id),            \
   static_cast<UINT>(id),            \
   nullptr,                          \
   QX_MSG_THUNK(call.bHandled = self->memberFxn(call.nID))},
// void memberFxn(UINT nID) for every id from id to idLast.
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND,                                  \
   CN_COMMAND,                                  \
   static_cast<UINT>(id),                       \
   static_cast<UINT>(idLast),                   \
   nullptr,                                     \
   QX_MSG_THUNK(self->memberFxn(call.nID))},
// BOOL memberFxn(UINT nID) for every id from id to idLast.
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND,                                     \
   CN_COMMAND,                                     \
   static_cast<UINT>(id),                          \
   static_cast<UINT>(idLast),                      \
   nullptr,                                        \
   QX_MSG_THUNK(call.bHandled = self->memberFxn(call.nID))},
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
  {WM_COMMAND,                              \
   CN_UPDATE_COMMAND_UI,                    \
   static_cast<UINT>(id),                   \
   static_cast<UINT>(id),                   \
   nullptr,                                 \
   QX_MSG_THUNK(self->memberFxn(static_cast<CCmdUI*>(call.pExtra)))},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
  {WM_COMMAND,                                            \
   CN_UPDATE_COMMAND_UI,                                  \
   static_cast<UINT>(id),                                 \
   static_cast<UINT>(idLast),                             \
   nullptr,                                               \
   QX_MSG_THUNK(self->memberFxn(static_cast<CCmdUI*>(call.pExtra)))},

// Control notifications (WM_COMMAND with the code in the high word of wParam).
#define ON_CONTROL(code, id, memberFxn)                                                      \
  {WM_COMMAND, static_cast<int>(code),         static_cast<UINT>(id), static_cast<UINT>(id), \
   nullptr,    QX_MSG_THUNK(self->memberFxn())},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

// Messages with raw parameters: LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message),         \
   0,                                  \
   0,                                  \
   0,                                  \
   nullptr,                            \
   QX_MSG_THUNK(call.lResult = self->memberFxn(call.wParam, call.lParam))},
// nMessageVariable is a UINT variable holding a RegisterWindowMessage id.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
  {0,                                                      \
   0,                                                      \
   0,                                                      \
   0,                                                      \
   &(nMessageVariable),                                    \
   QX_MSG_THUNK(call.lResult = self->memberFxn(call.wParam, call.lParam))},
// Thread messages: void memberFxn(WPARAM, LPARAM).
#define ON_THREAD_MESSAGE(message, memberFxn) \
  {static_cast<UINT>(message),                \
   0,                                         \
   0,                                         \
   0,                                         \
   nullptr,                                   \
   QX_MSG_THUNK(self->memberFxn(call.wParam, call.lParam))},
#define ON_REGISTERED_THREAD_MESSAGE(nMessageVariable, memberFxn) \
  {0, 0, 0, 0, &(nMessageVariable), QX_MSG_THUNK(self->memberFxn(call.wParam, call.lParam))},
