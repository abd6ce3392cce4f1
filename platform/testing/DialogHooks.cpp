#include "platform/testing/DialogHooks.h"

#include "platform/ui/Document.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace QxTest {

// ---- modal dialogs -------------------------------------------------------------

DialogScript::DialogScript(std::vector<DialogAction> actions) : m_actions(std::move(actions)) {
  m_hook.running = [this](CDialog& dialog) {
    size_t index = m_next++;
    HWND hDialog = dialog.GetSafeHwnd();
    if (index < m_actions.size() && m_actions[index]) m_actions[index](dialog);
    if (CWnd::FromHandle(hDialog) == &dialog && dialog.ContinueModal()) {
      m_forced.push_back(&dialog);
      dialog.EndDialog(IDCANCEL);
    }
  };
  m_hook.ended = [this](CDialog& dialog, int result) {
    auto forced = std::find(m_forced.begin(), m_forced.end(), &dialog);
    m_dialogs.push_back({dialog.QxTemplateId(), result, forced != m_forced.end()});
    if (forced != m_forced.end()) m_forced.erase(forced);
  };
  m_previous = QxSetDialogHook(&m_hook);
}

DialogScript::~DialogScript() {
  QxSetDialogHook(m_previous);
}

// ---- message boxes ---------------------------------------------------------------

ShownBoxScript::ShownBoxScript(std::vector<int> answers) : m_answers(std::move(answers)) {
  m_previousPresenter = QxSetMessageBoxPresenter(
      [this](HWND owner, const CString& text, const CString& caption, UINT type) {
        m_boxes.push_back({text.GetString(), caption.GetString(), type, owner != nullptr});
        size_t index = m_boxes.size() - 1;
        return index < m_answers.size() ? m_answers[index] : QxDefaultMessageBoxAnswer(type);
      });
  m_previousHandler = QxSetMessageBoxHandler(&QxShowMessageBox);
}

ShownBoxScript::~ShownBoxScript() {
  QxSetMessageBoxHandler(m_previousHandler);
  QxSetMessageBoxPresenter(m_previousPresenter);
}

ClickedBoxScript::ClickedBoxScript(std::vector<int> answers,
                                   std::function<void(const ShownBox&)> shown)
    : m_answers(std::move(answers)), m_shown(std::move(shown)) {
  m_previousPresenter = QxSetMessageBoxPresenter(
      [this](HWND owner, const CString& text, const CString& caption, UINT type) {
        m_boxes.push_back({text.GetString(), caption.GetString(), type, owner != nullptr});
        const size_t index = m_boxes.size() - 1;
        const int answer =
            index < m_answers.size() ? m_answers[index] : QxDefaultMessageBoxAnswer(type);
        // A user answers a box once it has the keyboard: one answered before
        // the window manager has activated it leaves that manager to carry
        // out the activation after the box has gone. Without a window
        // manager nothing may give it the keyboard, and two seconds do.
        const qint64 bound = QGuiApplication::platformName() == QLatin1String("xcb") ? 30000 : 2000;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          if (!box || !box->isVisible()) return;
          if (QGuiApplication::focusWindow() != box->windowHandle() && waited.elapsed() < bound)
            return;
          poll.stop();
          if (m_shown) m_shown(m_boxes[index]);
          for (QAbstractButton* button : box->buttons()) {
            if (button->property(kQxBoxResultProperty).toInt() == answer) {
              button->click();
              return;
            }
          }
          box->reject();
        });
        poll.start();
        return QxRunQtMessageBox(owner, text, caption, type);
      });
  m_previousHandler = QxSetMessageBoxHandler(&QxShowMessageBox);
}

ClickedBoxScript::~ClickedBoxScript() {
  QxSetMessageBoxHandler(m_previousHandler);
  QxSetMessageBoxPresenter(m_previousPresenter);
}

// ---- file dialogs ------------------------------------------------------------------

FileDialogScript::FileDialogScript(std::vector<std::string> paths) : m_paths(std::move(paths)) {
  m_previous = QxSetFileNamePrompt([this](CString& fileName, BOOL bOpen, LPCTSTR title,
                                          LPCTSTR filter, LPCTSTR ext) -> BOOL {
    m_prompts.push_back({bOpen != FALSE, title ? title : "", filter ? filter : "", ext ? ext : ""});
    size_t index = m_prompts.size() - 1;
    if (index >= m_paths.size() || m_paths[index].empty()) return FALSE;
    fileName = m_paths[index].c_str();
    return TRUE;
  });
}

FileDialogScript::~FileDialogScript() {
  QxSetFileNamePrompt(m_previous);
}

}  // namespace QxTest
