#include "platform/ui/ControlBar.h"

#include "platform/core/Debug.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WndInternal.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)
IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)
IMPLEMENT_DYNAMIC(CDialogBar, CControlBar)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

namespace {

Qt::DockWidgetArea AreaOf(DWORD align) {
  if (align & CBRS_ALIGN_TOP) return Qt::TopDockWidgetArea;
  if (align & CBRS_ALIGN_BOTTOM) return Qt::BottomDockWidgetArea;
  if (align & CBRS_ALIGN_LEFT) return Qt::LeftDockWidgetArea;
  if (align & CBRS_ALIGN_RIGHT) return Qt::RightDockWidgetArea;
  return Qt::BottomDockWidgetArea;
}

Qt::DockWidgetAreas AreasOf(DWORD align) {
  Qt::DockWidgetAreas areas;
  if (align & CBRS_ALIGN_TOP) areas |= Qt::TopDockWidgetArea;
  if (align & CBRS_ALIGN_BOTTOM) areas |= Qt::BottomDockWidgetArea;
  if (align & CBRS_ALIGN_LEFT) areas |= Qt::LeftDockWidgetArea;
  if (align & CBRS_ALIGN_RIGHT) areas |= Qt::RightDockWidgetArea;
  return areas;
}

Qt::ToolBarArea ToolBarAreaOf(DWORD align) {
  switch (AreaOf(align)) {
    case Qt::BottomDockWidgetArea:
      return Qt::BottomToolBarArea;
    case Qt::LeftDockWidgetArea:
      return Qt::LeftToolBarArea;
    case Qt::RightDockWidgetArea:
      return Qt::RightToolBarArea;
    default:
      return Qt::TopToolBarArea;
  }
}

bool DockedAlongTopOrBottom(QMainWindow* window, QDockWidget* dock) {
  Qt::DockWidgetArea area = window->dockWidgetArea(dock);
  return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

// Gives a docked bar the depth across its edge; the dock's size includes its
// title, the bar gets the rest.
void ResizeDockedBar(QMainWindow* window, QDockWidget* dock, QWidget* bar, bool horz, int depth) {
  int frame = horz ? dock->height() - bar->height() : dock->width() - bar->width();
  window->resizeDocks({dock}, {depth + std::max(0, frame)}, horz ? Qt::Vertical : Qt::Horizontal);
}

// The sides a bar may dock on, in the order top, bottom, left, right.
std::vector<DWORD> DockSides(DWORD allowed) {
  std::vector<DWORD> sides;
  for (DWORD side : {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT})
    if (allowed & side) sides.push_back(side);
  return sides;
}

// Docks the dock window in the first of the areas, in order, where the window
// of size room holds it at its size beside the bars already there; nothing
// when none does. The bar's minimum is set for each area tried
// (setDockedMinimum), so the window's layout judges it at its own size.
std::optional<Qt::DockWidgetArea> DockWhereItFits(QMainWindow* window, QDockWidget* dock,
                                                  QSize room,
                                                  const std::vector<Qt::DockWidgetArea>& areas,
                                                  const std::function<void()>& setDockedMinimum) {
  for (Qt::DockWidgetArea area : areas) {
    // A dock window already in the area stays where it is in it.
    if (window->dockWidgetArea(dock) != area) window->addDockWidget(area, dock);
    setDockedMinimum();
    if (QWidget* bar = dock->widget()) bar->updateGeometry();
    if (dock->layout()) dock->layout()->invalidate();
    window->layout()->invalidate();
    const QSize need = window->layout()->minimumSize();
    if (need.width() <= room.width() && need.height() <= room.height()) return area;
  }
  return std::nullopt;
}

// A hidden stand-in for a bar's dock window, with its title and buttons and a
// body of the size the bar takes docked: the window's layout counts it in an
// area though hidden, so sides are tried without moving, showing or hiding
// the bar itself (a bar shown in a side too small for it would make the
// window grow on the spot).
class DockStandIn {
 public:
  DockStandIn(QMainWindow* window, QDockWidget* dock)
      : m_window(window),
        m_dock(new QDockWidget(dock->windowTitle(), window)),
        m_body(new QWidget) {
    m_dock->setFeatures(dock->features());
    m_dock->setAllowedAreas(Qt::AllDockWidgetAreas);
    KeepSizeWhileHidden(m_dock);
    KeepSizeWhileHidden(m_body);
    m_dock->setWidget(m_body);
  }
  ~DockStandIn() {
    m_window->removeDockWidget(m_dock);
    delete m_dock;
    m_window->layout()->invalidate();
  }
  DockStandIn(const DockStandIn&) = delete;
  DockStandIn& operator=(const DockStandIn&) = delete;
  // Whether the window of size room holds the stand-in, its body at least
  // body, in the area beside the bars already there.
  bool FitsIn(Qt::DockWidgetArea area, QSize body, QSize room) {
    m_window->addDockWidget(area, m_dock);
    m_body->setMinimumSize(body);
    m_dock->layout()->invalidate();
    m_window->layout()->invalidate();
    const QSize need = m_window->layout()->minimumSize();
    return need.width() <= room.width() && need.height() <= room.height();
  }

 private:
  static void KeepSizeWhileHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
  }
  QMainWindow* m_window;
  QDockWidget* m_dock;
  QWidget* m_body;
};

// The alignment of a dock bar id, or 0 for none.
DWORD AlignOfDockBar(UINT nDockBarID) {
  switch (nDockBarID) {
    case AFX_IDW_DOCKBAR_TOP:
      return CBRS_ALIGN_TOP;
    case AFX_IDW_DOCKBAR_BOTTOM:
      return CBRS_ALIGN_BOTTOM;
    case AFX_IDW_DOCKBAR_LEFT:
      return CBRS_ALIGN_LEFT;
    case AFX_IDW_DOCKBAR_RIGHT:
      return CBRS_ALIGN_RIGHT;
    default:
      return 0;
  }
}

CString FieldOf(UINT id, int field) {
  CString all = AfxLoadString(id);
  for (int i = 0; i < field; ++i) {
    int newline = all.Find('\n');
    if (newline < 0) return CString();
    all = all.Mid(newline + 1);
  }
  int newline = all.Find('\n');
  return newline < 0 ? all : all.Left(newline);
}

// A dialog bar's dock window: its close box hides the bar through the frame,
// so the bar's own visibility (and its menu check) follows.
class BarDock : public QDockWidget {
 public:
  BarDock(CControlBar* bar, QWidget* parent) : QDockWidget(parent), m_hBar(bar->GetSafeHwnd()) {
    if (parent) parent->installEventFilter(this);
    // The float button of a floating bar docks it by the bar's own road, as a
    // double click on its title does.
    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("qt_dockwidget_floatbutton"))) {
      QObject::disconnect(button, &QAbstractButton::clicked, this, nullptr);
      QObject::connect(button, &QAbstractButton::clicked, this, [this] {
        if (!isFloating() || !DockByTheBarsRoad()) setFloating(!isFloating());
      });
    }
    QObject::connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) {
      if (!floating) {
        m_floatAgainAt = m_lastFloating;
        return;
      }
      // Floated by its own title bar (its button or a double click): back
      // where it was, once Qt has placed it by its own rules.
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (m_floatAgainAt && isFloating()) move(*m_floatAgainAt);
            m_floatAgainAt.reset();
          },
          Qt::QueuedConnection);
    });
  }
  // Floating, the bar is a window owned by the frame: the window manager keeps
  // it above the frame only when it is mapped after the frame. One shown while
  // the frame is still hidden (a bar floated as the frame is made) waits for it.
  void ShowFloating(bool show) {
    QWidget* owner = parentWidget();
    m_bShowWithOwner = show && isFloating() && owner && !owner->isVisible();
    setVisible(show && !m_bShowWithOwner);
  }
  bool WaitsForOwner() const { return m_bShowWithOwner; }
  // Floated at a point of the frame's client area before the window manager
  // placed the frame (it puts a new window where it likes, and adds its
  // caption above the client area): until it has, the bar moves with the
  // client area, so the point keeps its meaning. Null: placed for good.
  void KeepClientPoint(std::optional<CPoint> client) {
    m_clientPoint = OwnerPlaced() ? std::nullopt : client;
  }
  // Where the docked bar's window was last while floating (its frame's
  // top-left on the screen): floated again, the bar goes back there rather
  // than to where it is docked (under the toolbar, its caption over it).
  std::optional<QPoint> FloatAgainAt() const { return m_floatAgainAt; }
  // Floated at a point of the program's choosing, which stands.
  void FloatedAt() { m_floatAgainAt.reset(); }
  // The frame's size, and where the bar floated, as the floating bar last
  // went to dock (Qt hides the floating window first); taken once.
  struct AsItDocked {
    QSize ownerSize;
    QPoint floatingAt;
  };
  std::optional<AsItDocked> TakeAsItDocked() { return std::exchange(m_asDocked, {}); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    auto* bar = static_cast<CControlBar*>(CWnd::FromHandle(m_hBar));
    if (bar && bar->GetDockingFrame()) {
      event->ignore();
      bar->GetDockingFrame()->ShowControlBar(bar, FALSE, FALSE);
      return;
    }
    QDockWidget::closeEvent(event);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parentWidget() && event->type() == QEvent::Move && m_clientPoint) {
      if (OwnerPlaced() || !isFloating()) {
        m_clientPoint.reset();  // a move of the user's, once it is on screen
      } else {
        FollowClientPoint();
      }
    }
    // Queued: the frame is mapped only after its show event.
    if (watched == parentWidget() && event->type() == QEvent::Show && m_bShowWithOwner) {
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (!m_bShowWithOwner) return;
            m_bShowWithOwner = false;
            show();
            auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(m_hBar));
            if (bar) bar->QxFitFloatingBar();
          },
          Qt::QueuedConnection);
    }
    return QDockWidget::eventFilter(watched, event);
  }
  // Keys that reach the floating window itself (nothing in it has the focus)
  // go to the bar, and so through the frame's accelerators.
  bool event(QEvent* event) override {
    if ((event->type() == QEvent::Move || event->type() == QEvent::Show) && isFloating() &&
        isVisible()) {
      m_lastFloating = pos();
    }
    if (event->type() == QEvent::Hide && isFloating() && parentWidget())
      m_asDocked = AsItDocked{parentWidget()->size(), pos()};
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
        event->type() == QEvent::ShortcutOverride) {
      if (CWnd* bar = CWnd::FromHandle(m_hBar); bar && bar->QxEvent(event)) return true;
    }
    // A double click on the floating bar's title: Qt would put the bar back
    // where it last docked, shown at once, and the window would grow when
    // that side cannot hold it.
    if (event->type() == QEvent::MouseButtonDblClick && isFloating()) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      QWidget* body = widget();
      if (mouse->button() == Qt::LeftButton && body &&
          mouse->position().y() < body->geometry().top() && DockByTheBarsRoad()) {
        return true;
      }
    }
    return QDockWidget::event(event);
  }

 private:
  // Docks the bar without naming a side (it goes where the window holds it);
  // false when the bar or its frame is gone.
  bool DockByTheBarsRoad() {
    auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(m_hBar));
    if (!bar || !bar->GetDockingFrame()) return false;
    bar->GetDockingFrame()->DockControlBar(bar);
    return true;
  }
  bool OwnerPlaced() const {
    QWidget* owner = parentWidget();
    QWindow* handle = owner ? owner->windowHandle() : nullptr;
    return handle && handle->isExposed();
  }
  void FollowClientPoint() {
    auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(m_hBar));
    CFrameWnd* frame = bar ? bar->GetDockingFrame() : nullptr;
    if (!frame) return;
    CPoint screen = *m_clientPoint;
    frame->ClientToScreen(&screen);
    move(screen.x, screen.y);
  }

  HWND m_hBar;
  bool m_bShowWithOwner = false;
  std::optional<CPoint> m_clientPoint;
  std::optional<QPoint> m_lastFloating;  // kept while floating and shown
  std::optional<QPoint> m_floatAgainAt;  // m_lastFloating as the bar docked
  std::optional<AsItDocked> m_asDocked;
};

struct ToolBarResource {
  int width;
  int height;
  std::vector<UINT> items;
};

std::map<UINT, ToolBarResource>& ToolBarResources() {
  static auto* resources = new std::map<UINT, ToolBarResource>;
  return *resources;
}

}  // namespace

void QxRegisterToolBar(UINT id, int buttonWidth, int buttonHeight, std::vector<UINT> items) {
  ToolBarResources()[id] = {buttonWidth, buttonHeight, std::move(items)};
}

// ---- CControlBar -------------------------------------------------------------------

CControlBar::~CControlBar() {
  if (m_pDockSite) m_pDockSite->QxRemoveControlBar(this);
}

BOOL CControlBar::QxAttachToFrame(CWnd* pParentWnd, DWORD dwStyle, UINT) {
  m_dwStyle = dwStyle & CBRS_ALL;
  m_pDockSite = dynamic_cast<CFrameWnd*>(pParentWnd);
  if (m_pDockSite) m_pDockSite->QxAddControlBar(this);
  m_pContainer = QxMakeContainer(m_pWidget);
  return m_pContainer != nullptr;
}

QWidget* CControlBar::QxMakeContainer(QWidget* barWidget) {
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (!window) return barWidget;
  auto* dock = new BarDock(this, window);
  dock->setObjectName(QStringLiteral("bar%1").arg(GetDlgCtrlID()));
  CString title;
  GetWindowText(title);
  dock->setWindowTitle(qxui::ToQt(title.GetString()));
  dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
  dock->setAllowedAreas(AreasOf(m_dwStyle & CBRS_ALIGN_ANY));
  dock->setWidget(barWidget);
  window->addDockWidget(AreaOf(m_dwStyle), dock);
  qxui::WidgetAccess::State(this).outer = dock;
  HWND hFrame = m_pDockSite->GetSafeHwnd();
  HWND hBar = GetSafeHwnd();
  QObject::connect(dock, &QDockWidget::topLevelChanged, dock, [hFrame, hBar](bool floating) {
    if (auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hBar)); bar && !floating)
      bar->QxPlaceRedockedBar();
    if (auto* frame = static_cast<CFrameWnd*>(CWnd::FromHandle(hFrame))) frame->RecalcLayout();
  });
  if (!(GetStyle() & WS_VISIBLE)) dock->hide();
  return dock;
}

QWidget* CControlBar::QxContainer() const {
  return m_pContainer;
}

void CControlBar::QxFrameGone() {
  m_pDockSite = nullptr;
  m_pContainer = nullptr;
}

LRESULT CControlBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
  // The container went with the window (deleted later by Qt).
  if (message == WM_NCDESTROY) m_pContainer = nullptr;
  // A docked or floating bar shows its title on its dock window.
  if (message == WM_SETTEXT && m_pContainer && m_pContainer != m_pWidget) {
    m_pContainer->setWindowTitle(qxui::ToQt(reinterpret_cast<LPCSTR>(lParam)));
  }
  return result;
}

void CControlBar::SetBarStyle(DWORD dwStyle) {
  m_dwStyle = dwStyle & CBRS_ALL;
  if (auto* toolBar = dynamic_cast<QToolBar*>(m_pWidget)) {
    toolBar->setToolTipDuration((m_dwStyle & CBRS_TOOLTIPS) ? -1 : 0);
  }
}

void CControlBar::EnableDocking(DWORD dwDockStyle) {
  m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY;
  if (auto* dock = qobject_cast<QDockWidget*>(m_pContainer)) {
    dock->setAllowedAreas(AreasOf(m_dwDockStyle));
    dock->setFeatures(m_dwDockStyle
                          ? (QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                             QDockWidget::DockWidgetClosable)
                          : QDockWidget::NoDockWidgetFeatures);
  } else if (auto* toolBar = qobject_cast<QToolBar*>(m_pContainer)) {
    Qt::ToolBarAreas areas;
    if (m_dwDockStyle & CBRS_ALIGN_TOP) areas |= Qt::TopToolBarArea;
    if (m_dwDockStyle & CBRS_ALIGN_BOTTOM) areas |= Qt::BottomToolBarArea;
    if (m_dwDockStyle & CBRS_ALIGN_LEFT) areas |= Qt::LeftToolBarArea;
    if (m_dwDockStyle & CBRS_ALIGN_RIGHT) areas |= Qt::RightToolBarArea;
    toolBar->setAllowedAreas(areas);
    toolBar->setMovable(m_dwDockStyle != 0);
  }
}

BOOL CControlBar::IsFloating() const {
  if (auto* dock = qobject_cast<QDockWidget*>(m_pContainer)) return dock->isFloating();
  if (auto* toolBar = qobject_cast<QToolBar*>(m_pContainer)) return toolBar->isFloating();
  return FALSE;
}

BOOL CControlBar::IsVisible() const {
  return (GetStyle() & WS_VISIBLE) != 0;
}

void CControlBar::QxDock(UINT nDockBarID) {
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (!window) return;
  DWORD frameSides = m_pDockSite->m_dwDockStyle ? m_pDockSite->m_dwDockStyle : CBRS_ALIGN_ANY;
  DWORD align = AlignOfDockBar(nDockBarID);
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  if (!align && dock && m_pWidget) {
    // No side named: the sides both allow, in the order top, bottom, left,
    // right; the bar goes to the first where the window, at its present
    // size, holds it whole. Docking never changes the window's size: where no
    // side holds it, a floating bar stays where it floats, a docked one where
    // it is docked.
    const DWORD allowed =
        (m_dwDockStyle ? m_dwDockStyle : (m_dwStyle & CBRS_ALIGN_ANY)) & frameSides;
    if (!dock->isFloating()) {
      for (DWORD side : DockSides(allowed))
        if (AreaOf(side) == window->dockWidgetArea(dock)) align = side;
    }
    if (!align) {
      DockStandIn standIn(window, dock);
      for (DWORD side : DockSides(allowed)) {
        const bool horz = (side & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0;
        const CSize body = QxDockedMinimum(horz);
        if (standIn.FitsIn(AreaOf(side), QSize(body.cx, body.cy), window->size())) {
          align = side;
          break;
        }
      }
    }
    if (!align) return;
  }
  if (!align) align = m_dwStyle & CBRS_ALIGN_ANY;
  m_dwStyle = (m_dwStyle & ~CBRS_ALIGN_ANY) | align;
  if (!m_pWidget) return;  // the bar's window is gone
  if (dock) {
    const bool visible = !m_pWidget->isHidden();
    if (auto* barDock = dynamic_cast<BarDock*>(dock)) barDock->KeepClientPoint(std::nullopt);
    // Hidden while it moves, and shown once it has its docked size in the
    // side it goes to: shown before, in the side it last docked on, it could
    // make the window grow.
    if (dock->isFloating()) {
      dock->hide();
      m_bInDock = true;
      dock->setFloating(false);
      m_bInDock = false;
    }
    if (window->dockWidgetArea(dock) != AreaOf(align)) window->addDockWidget(AreaOf(align), dock);
    QxSetDockedMinimum((align & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) != 0);
    dock->setVisible(visible);
  } else if (auto* toolBar = qobject_cast<QToolBar*>(m_pContainer)) {
    window->addToolBar(ToolBarAreaOf(align), toolBar);
  }
  m_pDockSite->RecalcLayout();
}

void CControlBar::QxFloat(CPoint screen, DWORD dwStyle) {
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  if (!dock || !m_pWidget) return;
  m_dwStyle = (m_dwStyle & ~CBRS_ALIGN_ANY) | (dwStyle & CBRS_ALIGN_ANY);
  bool visible = !m_pWidget->isHidden();
  // Floating shows the dock window at once unless it was hidden. A bar that
  // is not to show yet (hidden, or waiting for a frame not yet shown) is
  // hidden first: mapped, unmapped and mapped again within a moment, its
  // window can be lost by a window manager still handling the first map, and
  // the bar never appears while the program takes it for shown.
  QWidget* owner = dock->parentWidget();
  if (!visible || (owner && !owner->isVisible())) dock->hide();
  dock->setFloating(true);
  dock->adjustSize();
  dock->move(screen.x, screen.y);
  if (auto* barDock = dynamic_cast<BarDock*>(dock)) {
    barDock->FloatedAt();
    std::optional<CPoint> client;
    if (m_pDockSite) {
      client = screen;
      m_pDockSite->ScreenToClient(&*client);
    }
    barDock->KeepClientPoint(client);
    barDock->ShowFloating(visible);
  } else {
    dock->setVisible(visible);
  }
  if (visible) QxFitFloatingBar();
  if (m_pDockSite) m_pDockSite->RecalcLayout();
}

void CControlBar::QxShow(BOOL bShow) {
  if (m_pWidget) m_pWidget->setVisible(bShow != FALSE);
  if (auto* barDock = dynamic_cast<BarDock*>(m_pContainer)) {
    barDock->ShowFloating(bShow != FALSE);
  } else if (m_pContainer && m_pContainer != m_pWidget) {
    m_pContainer->setVisible(bShow != FALSE);
  }
  if (bShow) QxFitFloatingBar();
}

// A floating bar's window is as large as the bar's own default size at least
// (its template, for a dialog bar). Sized while hidden, Qt would make it a stub
// whose caption the window manager cuts to one letter.
void CControlBar::QxFitFloatingBar() {
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  if (!dock || !m_pWidget || !dock->isFloating() || dock->isHidden()) return;
  const CSize want = m_sizeDefault;
  if (want.cx <= 0 || want.cy <= 0) return;
  if (dock->layout()) dock->layout()->activate();
  QSize have = m_pWidget->size();
  if (have.width() >= want.cx && have.height() >= want.cy) return;
  QSize frame = dock->size() - have;
  dock->resize(QSize(std::max(have.width(), static_cast<int>(want.cx)),
                     std::max(have.height(), static_cast<int>(want.cy))) +
               frame.expandedTo(QSize(0, 0)));
  if (dock->layout()) dock->layout()->activate();
}

void CControlBar::QxApplyFixedLayout() {
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (!dock || !window || dock->isFloating() || dock->isHidden() || !m_pWidget) return;
  bool horz = DockedAlongTopOrBottom(window, dock);
  CSize want = CalcFixedLayout(FALSE, horz);
  QxSetDockedMinimum(horz);
  m_pWidget->updateGeometry();
  int have = horz ? m_pWidget->height() : m_pWidget->width();
  int wanted = horz ? want.cy : want.cx;
  if (wanted > 0 && wanted != have) ResizeDockedBar(window, dock, m_pWidget, horz, wanted);
}

void CControlBar::QxPlaceRedockedBar() {
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  auto* barDock = dynamic_cast<BarDock*>(dock);
  const auto before = barDock ? barDock->TakeAsItDocked() : std::nullopt;
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (m_bInDock || !dock || !window || !m_pWidget || dock->isFloating()) return;
  const QSize room = before ? before->ownerSize : window->size();
  const Qt::DockWidgetArea where = window->dockWidgetArea(dock);
  std::vector<Qt::DockWidgetArea> areas{where};
  const DWORD frameSides = m_pDockSite->m_dwDockStyle ? m_pDockSite->m_dwDockStyle : CBRS_ALIGN_ANY;
  for (DWORD side : DockSides(m_dwDockStyle & frameSides))
    if (AreaOf(side) != where) areas.push_back(AreaOf(side));
  const std::optional<Qt::DockWidgetArea> area = DockWhereItFits(
      window, dock, room, areas,
      [this, window, dock] { QxSetDockedMinimum(DockedAlongTopOrBottom(window, dock)); });
  for (DWORD side : DockSides(CBRS_ALIGN_ANY))
    if (area && AreaOf(side) == *area) m_dwStyle = (m_dwStyle & ~CBRS_ALIGN_ANY) | side;
  // Shown in its side at once, the bar can have made the window grow: the
  // window goes back to its size, and where no side holds the bar, the bar
  // floats again where it floated (once Qt has finished docking it).
  const QPoint floatAt = before ? before->floatingAt : dock->pos();
  const HWND hBar = GetSafeHwnd();
  QMetaObject::invokeMethod(
      dock,
      [hBar, room, floatAt, floatAgain = !area] {
        auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hBar));
        CFrameWnd* frame = bar ? bar->GetDockingFrame() : nullptr;
        QMainWindow* window = frame ? frame->QxMainWindow() : nullptr;
        if (!window) return;
        if (floatAgain && !bar->IsFloating())
          frame->FloatControlBar(bar, CPoint(floatAt.x(), floatAt.y()),
                                 bar->GetBarStyle() & CBRS_ALIGN_ANY);
        window->layout()->activate();
        if (window->size() != room) window->resize(room);
      },
      Qt::QueuedConnection);
}

// The dock area shares its length among its bars as it likes, and would cut
// the controls of a bar given less than its own size: a bar beside others in
// a side column keeps its whole length, and every docked bar its depth. Along
// the top or bottom a bar stretches with the window.
void CControlBar::QxSetDockedMinimum(bool horz) {
  if (!m_pWidget) return;
  const CSize least = QxDockedMinimum(horz);
  m_pWidget->setMinimumSize(least.cx, least.cy);
}

CSize CControlBar::QxDockedMinimum(bool horz) {
  const CSize want = CalcFixedLayout(FALSE, horz);
  return CSize(horz ? 0 : std::max(0, static_cast<int>(want.cx)),
               std::max(0, static_cast<int>(want.cy)));
}

CSize CControlBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  if (!bStretch) return m_sizeDefault;
  return bHorz ? CSize(32767, m_sizeDefault.cy) : CSize(m_sizeDefault.cx, 32767);
}

CSize CControlBar::CalcDynamicLayout(int, DWORD dwMode) {
  return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZ) != 0);
}

CSize CControlBar::QxPreferredSize() const {
  bool horz = (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
  return const_cast<CControlBar*>(this)->CalcFixedLayout(FALSE, horz);
}

bool CControlBar::QxMoveWindow(int, int, int nWidth, int nHeight) {
  auto* dock = qobject_cast<QDockWidget*>(m_pContainer);
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (!dock || !window || dock->widget() != m_pWidget) return false;
  if (dock->isFloating()) {
    dock->resize(dock->size() - m_pWidget->size() + QSize(nWidth, nHeight));
  } else {
    bool horz = DockedAlongTopOrBottom(window, dock);
    ResizeDockedBar(window, dock, m_pWidget, horz, horz ? nHeight : nWidth);
  }
  return true;
}

BOOL CControlBar::OnCommand(WPARAM wParam, LPARAM lParam) {
  // The bar's own handlers first, then the frame's routing.
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  CWnd* owner = GetOwner();
  return owner && owner->SendMessage(WM_COMMAND, wParam, lParam) != 0;
}

// A double click on a dockable bar floats it where it is, or docks it again.
void CControlBar::OnLButtonDblClk(UINT, CPoint) {
  if (!m_pDockSite || !m_dwDockStyle) return;
  if (IsFloating()) {
    m_pDockSite->DockControlBar(this);
    return;
  }
  // Where it floated last; a bar never floated floats where it is docked.
  CRect rect;
  GetWindowRect(&rect);
  CPoint at = rect.TopLeft();
  if (auto* dock = dynamic_cast<BarDock*>(m_pContainer); dock && dock->FloatAgainAt())
    at = CPoint(dock->FloatAgainAt()->x(), dock->FloatAgainAt()->y());
  m_pDockSite->FloatControlBar(this, at, m_dwStyle & CBRS_ALIGN_ANY);
}

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM) {
  if (!(GetStyle() & WS_VISIBLE)) return 0;
  CFrameWnd* target = dynamic_cast<CFrameWnd*>(GetOwner());
  if (!target) target = GetParentFrame();
  if (target) OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
  return 0;
}

// ---- the frame's bar operations ------------------------------------------------------

void CFrameWnd::QxAddControlBar(CControlBar* pBar) {
  if (std::find(m_listControlBars.begin(), m_listControlBars.end(), pBar) ==
      m_listControlBars.end()) {
    m_listControlBars.push_back(pBar);
  }
}

void CFrameWnd::QxRemoveControlBar(CControlBar* pBar) {
  m_listControlBars.erase(std::remove(m_listControlBars.begin(), m_listControlBars.end(), pBar),
                          m_listControlBars.end());
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) {
  for (CControlBar* bar : m_listControlBars) {
    if (bar->GetSafeHwnd() && static_cast<UINT>(bar->GetDlgCtrlID()) == nID) return bar;
  }
  return nullptr;
}

void CFrameWnd::EnableDocking(DWORD dwDockStyle) {
  m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY;
}

void CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID, LPCRECT) {
  if (pBar) pBar->QxDock(nDockBarID);
}

void CFrameWnd::FloatControlBar(CControlBar* pBar, CPoint point, DWORD dwStyle) {
  if (pBar) pBar->QxFloat(point, dwStyle);
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL) {
  if (!pBar) return;
  pBar->QxShow(bShow);
  RecalcLayout();
}

BOOL CFrameWnd::OnBarCheck(UINT nID) {
  CControlBar* bar = GetControlBar(nID);
  if (!bar) return FALSE;
  ShowControlBar(bar, !(bar->GetStyle() & WS_VISIBLE), FALSE);
  return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
  CControlBar* bar = GetControlBar(pCmdUI->m_nID);
  if (!bar) {
    pCmdUI->ContinueRouting();
    return;
  }
  pCmdUI->SetCheck((bar->GetStyle() & WS_VISIBLE) != 0);
}

// ---- CToolBar ----------------------------------------------------------------------------

namespace {

// A toolbar button's update: its state goes into the action and the button style.
class CToolCmdUI : public CCmdUI {
 public:
  std::function<void(UINT index, UINT set, UINT clear)> apply;
  void Enable(BOOL bOn) override {
    CCmdUI::Enable(bOn);
    apply(m_nIndex, bOn ? 0 : TBBS_DISABLED, bOn ? TBBS_DISABLED : 0);
  }
  void SetCheck(int nCheck) override {
    CCmdUI::SetCheck(nCheck);
    UINT set = nCheck == 1 ? TBBS_CHECKED : nCheck == 2 ? TBBS_INDETERMINATE : 0;
    apply(m_nIndex, set | TBBS_CHECKBOX, set ? 0 : (TBBS_CHECKED | TBBS_INDETERMINATE));
  }
  void SetText(LPCTSTR) override {}  // toolbar buttons have no text
};

}  // namespace

QWidget* CToolBar::QxCreateWidget(const CREATESTRUCT& cs, QWidget* parentWidget) {
  auto* toolBar = new qxui::LinkedWidget<QToolBar>(this, parentWidget);
  toolBar->setWindowTitle(qxui::ToQt(cs.lpszName));
  toolBar->setMovable(false);
  return toolBar;
}

QWidget* CToolBar::QxMakeContainer(QWidget* barWidget) {
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  auto* toolBar = static_cast<QToolBar*>(barWidget);
  if (window) window->addToolBar(ToolBarAreaOf(m_dwStyle), toolBar);
  return toolBar;
}

BOOL CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  return CreateEx(pParentWnd, 0, dwStyle, CRect(0, 0, 0, 0), nID);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD, DWORD dwStyle, CRect, UINT nID) {
  if (!CWnd::CreateEx(0, nullptr, nullptr, (dwStyle & ~CBRS_ALL) | WS_CHILD, CRect(0, 0, 0, 0),
                      pParentWnd, nID)) {
    return FALSE;
  }
  return QxAttachToFrame(pParentWnd, dwStyle, nID);
}

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
  auto found = ToolBarResources().find(nIDResource);
  if (found == ToolBarResources().end()) return FALSE;
  m_sizeImage = CSize(found->second.width, found->second.height);
  m_sizeButton = CSize(m_sizeImage.cx + 7, m_sizeImage.cy + 7);
  CBitmap bitmap;
  // Kept for the process, like a loaded resource.
  static auto* images = new std::map<UINT, QImage>;
  if (bitmap.LoadBitmap(nIDResource)) {
    (*images)[nIDResource] = bitmap.ToImage();
    m_pImages = &(*images)[nIDResource];
  }
  const std::vector<UINT>& items = found->second.items;
  return SetButtons(items.data(), static_cast<int>(items.size()));
}

namespace {

// The prompt of a fly-by bar's button in the frame's status line; the idle
// text for id AFX_IDS_IDLEMESSAGE.
void ShowFlyby(HWND hBar, UINT id) {
  auto* bar = static_cast<CToolBar*>(CWnd::FromHandle(hBar));
  if (bar && (bar->GetBarStyle() & CBRS_FLYBY) && bar->GetDockingFrame()) {
    bar->GetDockingFrame()->SetMessageText(id);
  }
}

// The pointer leaving a button gives the status line back its idle text.
class FlybyLeaveFilter : public QObject {
 public:
  FlybyLeaveFilter(HWND hBar, QObject* parent) : QObject(parent), m_hBar(hBar) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Leave) ShowFlyby(m_hBar, AFX_IDS_IDLEMESSAGE);
    return false;
  }

 private:
  HWND m_hBar;
};

}  // namespace

BOOL CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
  m_buttons.clear();
  int image = 0;
  for (int i = 0; i < nIDCount; ++i) {
    Button button;
    button.id = lpIDArray ? lpIDArray[i] : ID_SEPARATOR;
    if (button.id == ID_SEPARATOR) {
      button.style = TBBS_SEPARATOR;
    } else {
      button.image = image++;
    }
    m_buttons.push_back(button);
  }
  RebuildActions();
  return TRUE;
}

void CToolBar::RebuildActions() {
  auto* toolBar = dynamic_cast<QToolBar*>(m_pWidget);
  if (!toolBar) return;
  toolBar->clear();
  toolBar->setIconSize(QSize(m_sizeImage.cx, m_sizeImage.cy));
  HWND hBar = m_hWnd;
  for (Button& button : m_buttons) {
    if (button.style & TBBS_SEPARATOR) {
      toolBar->addSeparator();
      continue;
    }
    QAction* action = toolBar->addAction(QString());
    if (m_pImages && !m_pImages->isNull()) {
      QImage face =
          m_pImages->copy(button.image * m_sizeImage.cx, 0, m_sizeImage.cx, m_sizeImage.cy);
      // The button-face grey of the bitmap is transparent.
      QImage shown = face.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
          if ((shown.pixel(x, y) & 0xFFFFFF) == 0xC0C0C0) shown.setPixel(x, y, 0);
        }
      }
      action->setIcon(QIcon(QPixmap::fromImage(shown)));
    }
    CString tip = FieldOf(button.id, 1);
    CString prompt = FieldOf(button.id, 0);
    action->setToolTip(qxui::ToQt(tip.GetString()));
    action->setStatusTip(qxui::ToQt(prompt.GetString()));
    action->setData(button.id);
    UINT id = button.id;
    QObject::connect(action, &QAction::triggered, action, [hBar, id] {
      auto* bar = static_cast<CToolBar*>(CWnd::FromHandle(hBar));
      if (!bar) return;
      if (CWnd* owner = bar->GetOwner()) ::PostMessage(owner->GetSafeHwnd(), WM_COMMAND, id, 0);
    });
    QObject::connect(action, &QAction::hovered, action, [hBar, id] { ShowFlyby(hBar, id); });
    if (QWidget* face = toolBar->widgetForAction(action)) {
      face->installEventFilter(new FlybyLeaveFilter(hBar, face));
    }
  }
}

int CToolBar::CommandToIndex(UINT nIDFind) const {
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    if (m_buttons[i].id == nIDFind && !(m_buttons[i].style & TBBS_SEPARATOR))
      return static_cast<int>(i);
  }
  return -1;
}

UINT CToolBar::GetItemID(int nIndex) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_buttons.size()) return 0;
  return m_buttons[nIndex].style & TBBS_SEPARATOR ? ID_SEPARATOR : m_buttons[nIndex].id;
}

UINT CToolBar::GetButtonStyle(int nIndex) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_buttons.size()) return 0;
  return m_buttons[nIndex].style;
}

void CToolBar::SetButtonStyle(int nIndex, UINT nStyle) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_buttons.size()) return;
  m_buttons[nIndex].style = nStyle;
  auto* toolBar = dynamic_cast<QToolBar*>(m_pWidget);
  if (!toolBar) return;
  for (QAction* action : toolBar->actions()) {
    if (action->data().toUInt() != m_buttons[nIndex].id || action->isSeparator()) continue;
    action->setEnabled(!(nStyle & TBBS_DISABLED));
    action->setCheckable((nStyle & TBBS_CHECKBOX) != 0);
    action->setChecked((nStyle & TBBS_CHECKED) != 0);
  }
}

void CToolBar::GetItemRect(int nIndex, LPRECT lpRect) const {
  ::SetRectEmpty(lpRect);
  auto* toolBar = dynamic_cast<QToolBar*>(m_pWidget);
  if (!toolBar || nIndex < 0 || nIndex >= toolBar->actions().size()) return;
  *lpRect = qxui::ToRECT(toolBar->actionGeometry(toolBar->actions()[nIndex]));
}

CSize CToolBar::CalcFixedLayout(BOOL, BOOL bHorz) {
  int length = 0;
  for (const Button& button : m_buttons) {
    length += (button.style & TBBS_SEPARATOR) ? 8 : static_cast<int>(m_sizeButton.cx);
  }
  return bHorz ? CSize(length, m_sizeButton.cy) : CSize(m_sizeButton.cx, length);
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {
  CToolCmdUI state;
  state.m_pOther = this;
  state.apply = [this](UINT index, UINT set, UINT clear) {
    SetButtonStyle(static_cast<int>(index),
                   (GetButtonStyle(static_cast<int>(index)) & ~clear) | set);
  };
  state.m_nIndexMax = static_cast<UINT>(m_buttons.size());
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    if (m_buttons[i].style & TBBS_SEPARATOR) continue;
    state.m_nIndex = static_cast<UINT>(i);
    state.m_nID = m_buttons[i].id;
    state.DoUpdate(pTarget, bDisableIfNoHndler);
  }
}

// ---- CStatusBar ----------------------------------------------------------------------------

namespace {

class CStatusCmdUI : public CCmdUI {
 public:
  CStatusBar* m_pBar = nullptr;
  void Enable(BOOL bOn) override {
    CCmdUI::Enable(bOn);
    UINT style = m_pBar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~SBPS_DISABLED;
    m_pBar->SetPaneStyle(static_cast<int>(m_nIndex), bOn ? style : style | SBPS_DISABLED);
  }
  void SetCheck(int nCheck) override {
    CCmdUI::SetCheck(nCheck);
    UINT style = m_pBar->GetPaneStyle(static_cast<int>(m_nIndex)) & ~SBPS_POPOUT;
    m_pBar->SetPaneStyle(static_cast<int>(m_nIndex), nCheck ? style | SBPS_POPOUT : style);
  }
  void SetText(LPCTSTR lpszText) override {
    CCmdUI::SetText(lpszText);
    m_pBar->SetPaneText(static_cast<int>(m_nIndex), lpszText);
  }
};

}  // namespace

CStatusBar::~CStatusBar() = default;

QWidget* CStatusBar::QxCreateWidget(const CREATESTRUCT&, QWidget* parentWidget) {
  auto* widget = new qxui::LinkedWidget<QWidget>(this, parentWidget);
  auto* layout = new QHBoxLayout(widget);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  return widget;
}

QWidget* CStatusBar::QxMakeContainer(QWidget* barWidget) {
  QMainWindow* window = m_pDockSite ? m_pDockSite->QxMainWindow() : nullptr;
  if (!window) return barWidget;
  auto* statusBar = new QStatusBar(window);
  statusBar->setSizeGripEnabled(false);
  statusBar->addWidget(barWidget, 1);
  window->setStatusBar(statusBar);
  qxui::WidgetAccess::State(this).outer = statusBar;
  return statusBar;
}

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
  if (!CWnd::CreateEx(0, nullptr, nullptr, (dwStyle & ~CBRS_ALL) | WS_CHILD, CRect(0, 0, 0, 0),
                      pParentWnd, nID)) {
    return FALSE;
  }
  return QxAttachToFrame(pParentWnd, dwStyle, nID);
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
  QWidget* widget = m_pWidget;
  if (!widget || nIDCount < 0) return FALSE;
  for (Pane& pane : m_panes) delete pane.label;
  m_panes.clear();
  auto* layout = static_cast<QHBoxLayout*>(widget->layout());
  for (int i = 0; i < nIDCount; ++i) {
    Pane pane;
    pane.id = lpIDArray ? lpIDArray[i] : ID_SEPARATOR;
    pane.label = new QLabel(widget);
    pane.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (pane.id == ID_SEPARATOR) {
      pane.style = i == 0 ? (SBPS_STRETCH | SBPS_NOBORDERS) : SBPS_NOBORDERS;
      if (i == 0) {
        const char* idle = AfxLoadString(AFX_IDS_IDLEMESSAGE);
        pane.text = idle ? idle : "Ready";
      }
    } else {
      const char* text = AfxLoadString(pane.id);
      if (!text) {
        TRACE("Warning: no string for indicator %u\n", pane.id);
        return FALSE;
      }
      pane.text = text;
    }
    QFontMetrics metrics(pane.label->font());
    pane.width = metrics.horizontalAdvance(qxui::ToQt(pane.text.GetString()));
    if (!(pane.style & SBPS_STRETCH)) pane.label->setFixedWidth(pane.width + 8);
    layout->addWidget(pane.label, (pane.style & SBPS_STRETCH) ? 1 : 0);
    m_panes.push_back(pane);
    ShowPane(i);
  }
  return TRUE;
}

void CStatusBar::ShowPane(int nIndex) {
  Pane& pane = m_panes[nIndex];
  if (!pane.label) return;
  bool shown = !(pane.style & SBPS_DISABLED);
  pane.label->setText(shown ? qxui::ToQt(pane.text.GetString()) : QString());
}

int CStatusBar::CommandToIndex(UINT nIDFind) const {
  for (size_t i = 0; i < m_panes.size(); ++i) {
    if (m_panes[i].id == nIDFind) return static_cast<int>(i);
  }
  return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const {
  return nIndex >= 0 && static_cast<size_t>(nIndex) < m_panes.size() ? m_panes[nIndex].id : 0;
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return FALSE;
  CString text = lpszNewText ? lpszNewText : "";
  if (m_panes[nIndex].text == text) return TRUE;
  m_panes[nIndex].text = text;
  ShowPane(nIndex);
  return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const {
  return nIndex >= 0 && static_cast<size_t>(nIndex) < m_panes.size() ? m_panes[nIndex].text
                                                                     : CString();
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return;
  Pane& pane = m_panes[nIndex];
  pane.id = nID;
  pane.style = nStyle;
  pane.width = cxWidth;
  if (pane.label && !(nStyle & SBPS_STRETCH)) pane.label->setFixedWidth(cxWidth + 8);
  ShowPane(nIndex);
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return;
  nID = m_panes[nIndex].id;
  nStyle = m_panes[nIndex].style;
  cxWidth = m_panes[nIndex].width;
}

UINT CStatusBar::GetPaneStyle(int nIndex) const {
  return nIndex >= 0 && static_cast<size_t>(nIndex) < m_panes.size() ? m_panes[nIndex].style : 0;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle) {
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size()) return;
  if (m_panes[nIndex].style == nStyle) return;
  m_panes[nIndex].style = nStyle;
  ShowPane(nIndex);
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const {
  ::SetRectEmpty(lpRect);
  if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_panes.size() || !m_panes[nIndex].label) return;
  *lpRect = qxui::ToRECT(m_panes[nIndex].label->geometry());
}

CSize CStatusBar::CalcFixedLayout(BOOL, BOOL) {
  int height = m_pWidget ? std::max(20, m_pWidget->fontMetrics().height() + 6) : 20;
  return CSize(32767, height);
}

LRESULT CStatusBar::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // The window text is the message pane's.
  if (message == WM_SETTEXT) {
    SetPaneText(0, reinterpret_cast<LPCSTR>(lParam));
    return TRUE;
  }
  if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) {
    CString text = GetPaneText(0);
    if (message == WM_GETTEXTLENGTH) return text.GetLength();
    char* buffer = reinterpret_cast<char*>(lParam);
    if (!buffer || wParam == 0) return 0;
    lstrcpyn(buffer, text, static_cast<int>(wParam));
    return lstrlen(buffer);
  }
  return CControlBar::DefWindowProc(message, wParam, lParam);
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL) {
  CStatusCmdUI state;
  state.m_pBar = this;
  state.m_pOther = this;
  state.m_nIndexMax = static_cast<UINT>(m_panes.size());
  for (size_t i = 0; i < m_panes.size(); ++i) {
    if (m_panes[i].id == ID_SEPARATOR) continue;
    state.m_nIndex = static_cast<UINT>(i);
    state.m_nID = m_panes[i].id;
    // Panes are never greyed for want of a handler.
    state.DoUpdate(pTarget, FALSE);
  }
}

// ---- CDialogBar -------------------------------------------------------------------------------

namespace {

class CDlgCmdUI : public CCmdUI {
 public:
  void Enable(BOOL bOn) override {
    CCmdUI::Enable(bOn);
    m_pOther->EnableWindow(bOn);
  }
  void SetCheck(int nCheck) override {
    CCmdUI::SetCheck(nCheck);
    m_pOther->SendMessage(0x00F1 /* BM_SETCHECK */, static_cast<WPARAM>(nCheck));
  }
  void SetText(LPCTSTR lpszText) override {
    CCmdUI::SetText(lpszText);
    m_pOther->SetWindowText(lpszText);
  }
};

}  // namespace

BOOL CDialogBar::Create(CWnd* pParentWnd, LPCTSTR lpszTemplateName, UINT nStyle, UINT nID) {
  if (!IS_INTRESOURCE(lpszTemplateName)) return FALSE;
  return Create(pParentWnd, static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszTemplateName)), nStyle,
                nID);
}

BOOL CDialogBar::Create(CWnd* pParentWnd, UINT nIDTemplate, UINT nStyle, UINT nID) {
  const QxDialogTemplate* dialogTemplate = QxFindDialogTemplate(nIDTemplate);
  if (!dialogTemplate || !pParentWnd) return FALSE;
  m_nIDTemplate = nIDTemplate;
  m_dwStyle = nStyle & CBRS_ALL;
  CRect pixels = QxDialogUnitsToPixels(*dialogTemplate, dialogTemplate->rect);
  m_sizeDefault = CSize(pixels.Width(), pixels.Height());
  LPCSTR cls = AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                                   reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  if (!CWnd::CreateEx(0, cls, dialogTemplate->caption, WS_CHILD | WS_VISIBLE,
                      CRect(0, 0, pixels.Width(), pixels.Height()), pParentWnd, nID)) {
    return FALSE;
  }
  if (!QxCreateDialogControls(this, *dialogTemplate)) return FALSE;
  if (!SendMessage(WM_INITDIALOG)) return FALSE;
  return QxAttachToFrame(pParentWnd, nStyle, nID);
}

BEGIN_MESSAGE_MAP(CDialogBar, CControlBar)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

LRESULT CDialogBar::HandleInitDialog(WPARAM, LPARAM) {
  return UpdateData(FALSE);
}

BOOL CDialogBar::UpdateData(BOOL bSaveAndValidate) {
  return QxUpdateData(this, bSaveAndValidate, [this](CDataExchange* pDX) { DoDataExchange(pDX); });
}

void CDialogBar::DoDataExchange(CDataExchange*) {}

BOOL CDialogBar::PreTranslateMessage(MSG* pMsg) {
  return QxIsDialogMessage(this, pMsg);
}

CSize CDialogBar::CalcFixedLayout(BOOL bStretch, BOOL bHorz) {
  return CControlBar::CalcFixedLayout(bStretch, bHorz);
}

void CDialogBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {
  CDlgCmdUI state;
  for (CWnd* control : GetChildren()) {
    UINT id = static_cast<UINT>(control->GetDlgCtrlID());
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    // What the bar handles itself it also keeps up to date itself.
    AFX_CMDHANDLERINFO info;
    if (CWnd::OnCmdMsg(id, CN_COMMAND, nullptr, &info)) continue;
    state.m_pOther = control;
    state.m_nID = id;
    // Only buttons are greyed for want of a handler.
    bool button = (control->SendMessage(WM_GETDLGCODE) & DLGC_BUTTON) != 0;
    state.DoUpdate(pTarget, bDisableIfNoHndler && button);
  }
}
