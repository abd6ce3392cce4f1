#include "platform/ui/MessageBoxUi.h"

#include "platform/core/Debug.h"
#include "platform/ui/Wnd.h"
#include "platform/ui/WndInternal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <mutex>
#include <vector>

namespace {

std::mutex g_presenterLock;
QxMessageBoxPresenter g_presenter;

bool OnUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

struct BoxButton {
  int result;
  const char* text;
  QMessageBox::ButtonRole role;
};

std::vector<BoxButton> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "OK", QMessageBox::AcceptRole}, {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes", QMessageBox::YesRole},
              {IDNO, "&No", QMessageBox::NoRole},
              {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    case MB_YESNO:
      return {{IDYES, "&Yes", QMessageBox::YesRole}, {IDNO, "&No", QMessageBox::NoRole}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry", QMessageBox::AcceptRole},
              {IDCANCEL, "Cancel", QMessageBox::RejectRole}};
    default:
      return {{IDOK, "OK", QMessageBox::AcceptRole}};
  }
}

}  // namespace

int QxRunQtMessageBox(HWND owner, const CString& text, const CString& caption, UINT type) {
  CWnd* ownerWnd = CWnd::FromHandle(owner);
  QWidget* parent = ownerWnd && ownerWnd->GetWidget() ? ownerWnd->GetWidget()->window() : nullptr;
  QMessageBox box(IconOf(type), qxui::ToQt(caption.GetString()), qxui::ToQt(text.GetString()),
                  QMessageBox::NoButton, parent);
  std::vector<BoxButton> buttons = ButtonsOf(type);
  std::vector<QPushButton*> made;
  for (const BoxButton& button : buttons) {
    made.push_back(box.addButton(qxui::ToQt(button.text), button.role));
    made.back()->setProperty(kQxBoxResultProperty, button.result);
  }
  int defaultAnswer = QxDefaultMessageBoxAnswer(type);
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (buttons[i].result == defaultAnswer) box.setDefaultButton(made[i]);
    if (buttons[i].result == IDCANCEL || buttons.size() == 1) box.setEscapeButton(made[i]);
  }
  // Answered: the keyboard goes back before the box hides (see ModalEntry).
  QObject::connect(&box, &QMessageBox::buttonClicked, &box, [] { qxui::HandBackKeyboard(); });
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == made[i]) return buttons[i].result;
  }
  // Closed without a button: what Escape gives.
  return buttons.size() == 1 ? buttons[0].result : IDCANCEL;
}

QxMessageBoxPresenter QxSetMessageBoxPresenter(QxMessageBoxPresenter presenter) {
  std::lock_guard guard(g_presenterLock);
  std::swap(g_presenter, presenter);
  return presenter;
}

int QxShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  CString boxText = text ? text : "";
  // A box without a caption is captioned "Error", as the system does.
  CString boxCaption = caption ? caption : "Error";
  if (!OnUiThread()) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app) {
      QMetaObject::invokeMethod(
          app,
          [owner, boxText, boxCaption, type] {
            ::MessageBox(IsWindow(owner) ? owner : nullptr, boxText, boxCaption, type);
          },
          Qt::QueuedConnection);
    }
    return QxDefaultMessageBoxAnswer(type);
  }
  QxMessageBoxPresenter presenter;
  {
    std::lock_guard guard(g_presenterLock);
    presenter = g_presenter;
  }
  qxui::ModalEntry entry;
  if (presenter) return presenter(owner, boxText, boxCaption, type);
  return QxRunQtMessageBox(owner, boxText, boxCaption, type);
}

void QxSoundBell(UINT) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  // The window system's bell has one sound; the type picks none.
  if (OnUiThread())
    QApplication::beep();
  else
    QMetaObject::invokeMethod(
        app, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void QxInstallMessageBoxUi() {
  QxSetMessageBoxHandler(&QxShowMessageBox);
  QxSetBeepHandler(&QxSoundBell);
}
