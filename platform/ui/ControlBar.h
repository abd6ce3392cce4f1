#pragma once
// Control bars: the toolbar (a Qt tool bar of command buttons), the status bar
// (a message pane and indicator panes) and dialog bars (a dialog template's
// controls in a dock window). Bars are children of their frame; docking and
// floating are Qt's (QToolBar, QDockWidget), and a bar keeps its frame's
// routing: in the idle pass its items take their state from the update
// handlers, and its buttons and controls send their commands to the frame.
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/FrameWnd.h"

#include <vector>

class CDataExchange;
class QDockWidget;
class QToolBar;
class QLabel;

// Toolbar button styles.
constexpr UINT TBBS_BUTTON = 0x0000;
constexpr UINT TBBS_SEPARATOR = 0x0001;
constexpr UINT TBBS_CHECKBOX = 0x0002;
constexpr UINT TBBS_GROUP = 0x0004;
constexpr UINT TBBS_CHECKGROUP = TBBS_GROUP | TBBS_CHECKBOX;
constexpr UINT TBBS_CHECKED = 0x0100;
constexpr UINT TBBS_PRESSED = 0x0200;
constexpr UINT TBBS_DISABLED = 0x0400;
constexpr UINT TBBS_INDETERMINATE = 0x0800;
constexpr UINT TBBS_HIDDEN = 0x1000;
// Status bar pane styles.
constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = 0x0100;
constexpr UINT SBPS_POPOUT = 0x0200;
constexpr UINT SBPS_DISABLED = 0x0400;
constexpr UINT SBPS_STRETCH = 0x0800;
// CalcDynamicLayout modes.
constexpr DWORD LM_STRETCH = 0x01;
constexpr DWORD LM_HORZ = 0x02;
constexpr DWORD LM_MRUWIDTH = 0x04;
constexpr DWORD LM_HORZDOCK = 0x08;
constexpr DWORD LM_VERTDOCK = 0x10;
constexpr DWORD LM_LENGTHY = 0x20;
constexpr DWORD LM_COMMIT = 0x40;

// A toolbar resource: button size and the command ids (ID_SEPARATOR for a
// gap); the bitmap of the same id holds the buttons' images side by side.
void QxRegisterToolBar(UINT id, int buttonWidth, int buttonHeight, std::vector<UINT> items);

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)

 public:
  ~CControlBar() override;

  void SetBarStyle(DWORD dwStyle);
  DWORD GetBarStyle() const { return m_dwStyle; }
  // The sides the bar may dock on (CBRS_ALIGN_*); 0: not dockable.
  void EnableDocking(DWORD dwDockStyle);
  BOOL IsFloating() const;
  BOOL IsVisible() const;
  CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
  // The size the bar wants (docked along a side, or floating).
  virtual CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz);
  virtual CSize CalcDynamicLayout(int nLength, DWORD dwMode);
  // Sets the state of the bar's items from the target's update handlers.
  virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) = 0;

  DWORD m_dwStyle = 0;
  DWORD m_dwDockStyle = 0;
  // The frame the bar belongs to; the frame clears it when it goes first.
  CFrameWnd* m_pDockSite = nullptr;

  // Layer-internal: the Qt container around the bar, and its placement.
  QWidget* QxContainer() const;
  void QxDock(UINT nDockBarID);
  void QxFloat(CPoint screen, DWORD dwStyle);
  void QxShow(BOOL bShow);
  void QxFitFloatingBar();
  // A docked bar in a dock window takes the size CalcFixedLayout asks for.
  void QxApplyFixedLayout();
  // Docked, the bar is never given less than CalcFixedLayout asks for across
  // its edge, nor along it in a side column.
  void QxSetDockedMinimum(bool horz);
  // That least size of the bar's body, docked along an edge or across it.
  CSize QxDockedMinimum(bool horz);
  // Docked by Qt's own road (dropped on the window): where it went, or on the
  // first other side the bar may dock on where the window, at its size before
  // the bar docked, holds it whole; floating again where it floated when none
  // does. The window keeps its size. (A double click on the title and the
  // float button take QxDock's road, which judges the sides before the bar moves.)
  void QxPlaceRedockedBar();
  CSize QxPreferredSize() const override;
  // The frame is being deleted while the bar object lives on.
  void QxFrameGone();

 protected:
  CControlBar() = default;
  // Registers the bar with its frame and puts it in its container.
  BOOL QxAttachToFrame(CWnd* pParentWnd, DWORD dwStyle, UINT nID);
  // Makes the Qt container; dialog bars use a dock window, the toolbar its own.
  virtual QWidget* QxMakeContainer(QWidget* barWidget);
  // Docked bars take their size from the dock; the frame asks through here.
  bool QxMoveWindow(int x, int y, int nWidth, int nHeight) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override {}

  LRESULT OnIdleUpdateCmdUI(WPARAM wParam, LPARAM lParam);
  // The bar's own handling of a double click: float a docked bar, dock a floating one.
  void OnLButtonDblClk(UINT nFlags, CPoint point);

  // Cleared when the bar's window goes (Qt deletes the container with it).
  QWidget* m_pContainer = nullptr;
  CSize m_sizeDefault{100, 30};
  bool m_bInDock = false;  // QxDock is placing the bar itself

  DECLARE_MESSAGE_MAP()
};

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)

 public:
  CToolBar() = default;
  using CWnd::Create;
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
              UINT nID = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = 0,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                CRect rcBorders = CRect(0, 0, 0, 0), UINT nID = AFX_IDW_TOOLBAR);
  // Buttons and images of a toolbar resource; FALSE for an unknown id.
  BOOL LoadToolBar(UINT nIDResource);
  BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
  int CommandToIndex(UINT nIDFind) const;
  UINT GetItemID(int nIndex) const;
  int GetCount() const { return static_cast<int>(m_buttons.size()); }
  UINT GetButtonStyle(int nIndex) const;
  void SetButtonStyle(int nIndex, UINT nStyle);
  void GetItemRect(int nIndex, LPRECT lpRect) const;
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

 protected:
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  QWidget* QxMakeContainer(QWidget* barWidget) override;
  bool QxShowsImage() const override { return false; }
  void RebuildActions();

  struct Button {
    UINT id = 0;
    UINT style = 0;
    int image = -1;
  };
  std::vector<Button> m_buttons;
  CSize m_sizeButton{23, 22};
  CSize m_sizeImage{16, 15};
  QImage* m_pImages = nullptr;
};

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)

 public:
  CStatusBar() = default;
  using CWnd::Create;
  ~CStatusBar() override;
  BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
              UINT nID = AFX_IDW_STATUS_BAR);
  // Pane 0 with ID_SEPARATOR is the message pane; the others show their
  // string resource and are as wide as it.
  BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
  int CommandToIndex(UINT nIDFind) const;
  UINT GetItemID(int nIndex) const;
  int GetCount() const { return static_cast<int>(m_panes.size()); }
  BOOL SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate = TRUE);
  CString GetPaneText(int nIndex) const;
  void GetPaneText(int nIndex, CString& rString) const { rString = GetPaneText(nIndex); }
  void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
  void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
  UINT GetPaneStyle(int nIndex) const;
  void SetPaneStyle(int nIndex, UINT nStyle);
  void GetItemRect(int nIndex, LPRECT lpRect) const;
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

 protected:
  QWidget* QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) override;
  QWidget* QxMakeContainer(QWidget* barWidget) override;
  bool QxShowsImage() const override { return false; }
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void ShowPane(int nIndex);

  struct Pane {
    UINT id = 0;
    UINT style = 0;
    int width = 0;
    CString text;
    QLabel* label = nullptr;
  };
  std::vector<Pane> m_panes;
};

class CDialogBar : public CControlBar {
  DECLARE_DYNAMIC(CDialogBar)

 public:
  CDialogBar() = default;
  using CWnd::Create;
  // The bar is as large as the template and holds its controls; FALSE when
  // the template is unknown or a control cannot be made.
  virtual BOOL Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID);
  BOOL Create(CWnd* pParentWnd, LPCTSTR lpszTemplateName, UINT nStyle, UINT nID);
  CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
  void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
  // Data exchange with the bar's controls, as a dialog has it: FALSE when a
  // value is refused (the user was told, the focus is on its control).
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);
  // The dialog manager over the bar's controls: Tab, Enter, Escape, mnemonics.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  UINT m_nIDTemplate = 0;

 protected:
  // The controls exist: the fields go into them.
  LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};
