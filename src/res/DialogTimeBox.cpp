// Template 146, "Simulator Properties".
#include "editing/TimeBoxDlg.h"
#include "platform/ui/Constants.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogTemplate.h"
#include "res/DialogItems.h"

#include <mutex>

namespace {

using qxres::DialogItem;
using qxres::DialogRect;

constexpr DWORD kEditStyle = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

QxDialogItem Label(const char* text, int x, int y, int cx) {
  return DialogItem(WC_STATIC, 0xFFFF, text, SS_LEFT, DialogRect(x, y, cx, 8));
}

}  // namespace

void RegisterTimeBoxTemplate() {
  static std::once_flag once;
  std::call_once(once, [] {
    QxDialogTemplate t;
    t.caption = "Simulator Properties";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.exStyle = WS_EX_TOOLWINDOW;
    t.rect = CRect(0, 0, 166, 86);
    t.items = {
        Label("Sampling time:", 7, 7, 46),
        DialogItem(WC_EDIT, IDC_TIME_SAMPLING, "", kEditStyle, DialogRect(7, 17, 45, 13)),
        Label("[s]", 57, 19, 10),
        Label("Final time:", 7, 34, 32),
        DialogItem(WC_EDIT, IDC_TIME_FINAL, "", kEditStyle, DialogRect(7, 44, 45, 13)),
        Label("[s]", 56, 46, 10),
        Label("Watchdog error tolerance:", 72, 7, 88),
        DialogItem(WC_EDIT, IDC_TIME_TOLERANCE, "", kEditStyle, DialogRect(71, 17, 45, 13)),
        Label("[%]", 121, 19, 10),
        Label("Realtime buffer size:", 72, 34, 64),
        DialogItem(WC_EDIT, IDC_TIME_BUFFER, "", kEditStyle | ES_NUMBER,
                   DialogRect(72, 44, 45, 13)),
        Label("[runs]", 122, 47, 23),
        DialogItem(WC_BUTTON, IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                   DialogRect(122, 65, 37, 14)),
    };
    QxRegisterDialogTemplate(IDD_TIMEBOX, t);
  });
}
