#pragma once
// Test hooks for dialogs: run scripted actions inside modal dialogs, answer
// message boxes after they reached the user-interface thread as real ones do
// (so a worker's box can be checked), and answer file dialogs.
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBoxUi.h"

#include <functional>
#include <string>
#include <vector>

namespace QxTest {

// ---- modal dialogs -------------------------------------------------------------
struct DialogRecord {
  UINT templateId = 0;
  int result = 0;
  bool endedByScript = false;  // the action returned with the dialog still open
};
using DialogAction = std::function<void(CDialog& dialog)>;

// While it lives, the n-th modal dialog that opens runs the n-th action inside
// its modal loop, after OnInitDialog. An action may press keys, click, read
// controls and end the dialog; a dialog still open when its action returns
// (or one beyond the script) is cancelled, so a test never hangs. Without a
// script, a dialog without a screen is cancelled at once (RunWithoutAScreen).
class DialogScript {
 public:
  explicit DialogScript(std::vector<DialogAction> actions);
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;
  const std::vector<DialogRecord>& Dialogs() const { return m_dialogs; }

 private:
  std::vector<DialogAction> m_actions;
  std::vector<DialogRecord> m_dialogs;
  std::vector<const CDialog*> m_forced;
  size_t m_next = 0;
  QxDialogHook m_hook;
  const QxDialogHook* m_previous = nullptr;
};

// ---- message boxes ---------------------------------------------------------------
struct ShownBox {
  std::string text;
  std::string caption;
  UINT type = 0;
  bool owned = false;  // shown with an owner window
};

// Installs the real message-box handler and answers the boxes it would show,
// on the user-interface thread, from the script (then with each box's default
// answer). Boxes from workers arrive when the test pumps messages.
class ShownBoxScript {
 public:
  explicit ShownBoxScript(std::vector<int> answers = {});
  ~ShownBoxScript();
  ShownBoxScript(const ShownBoxScript&) = delete;
  ShownBoxScript& operator=(const ShownBoxScript&) = delete;
  const std::vector<ShownBox>& Boxes() const { return m_boxes; }

 private:
  std::vector<int> m_answers;
  std::vector<ShownBox> m_boxes;
  QxMessageBoxHandler m_previousHandler;
  QxMessageBoxPresenter m_previousPresenter;
};

// Shows every box as the real modal box, on the offscreen platform too, and
// clicks the button of the n-th answer (then the box's default) once the box
// has the keyboard, or without it after two seconds (30 s where a window
// manager gives it in its own time): the box's own loop runs
// and ends as a user's click ends it. The action, when given, runs as each box
// shows, before the click.
class ClickedBoxScript {
 public:
  explicit ClickedBoxScript(std::vector<int> answers = {},
                            std::function<void(const ShownBox&)> shown = {});
  ~ClickedBoxScript();
  ClickedBoxScript(const ClickedBoxScript&) = delete;
  ClickedBoxScript& operator=(const ClickedBoxScript&) = delete;
  const std::vector<ShownBox>& Boxes() const { return m_boxes; }

 private:
  std::vector<int> m_answers;
  std::function<void(const ShownBox&)> m_shown;
  std::vector<ShownBox> m_boxes;
  QxMessageBoxHandler m_previousHandler;
  QxMessageBoxPresenter m_previousPresenter;
};

// ---- file dialogs ------------------------------------------------------------------
struct FilePrompt {
  bool open = true;
  std::string title;
  std::string filter;
  std::string defaultExt;
};

// Answers file dialogs in turn with the given paths ("" cancels; beyond the
// script every dialog is cancelled) and records what each asked.
class FileDialogScript {
 public:
  explicit FileDialogScript(std::vector<std::string> paths);
  ~FileDialogScript();
  FileDialogScript(const FileDialogScript&) = delete;
  FileDialogScript& operator=(const FileDialogScript&) = delete;
  const std::vector<FilePrompt>& Prompts() const { return m_prompts; }

 private:
  std::vector<std::string> m_paths;
  std::vector<FilePrompt> m_prompts;
  std::function<BOOL(CString&, BOOL, LPCTSTR, LPCTSTR, LPCTSTR)> m_previous;
};

}  // namespace QxTest
