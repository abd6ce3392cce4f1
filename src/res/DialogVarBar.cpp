// "Variables": the variable list, the value's slider and edits, and the locus
// mode and colour lists, whose order is the order of the locus codes.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::VarBarTemplate() {
  QxDialogTemplate bar = DialogBar("Variables", 150, 90);
  constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  constexpr DWORD kNumber = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
  bar.items = {
      DialogItem(WC_LISTBOX, IDC_VARLIST, "",
                 LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
                 DialogRect(7, 7, 69, 60)),
      DialogItem(WC_COMBOBOX, IDC_LOCUS, "", kDropList, DialogRect(7, 70, 70, 74),
                 {"No Locus", "Logarithmic", "10% deviation", "25% deviation", "50% deviation",
                  "100% deviation"}),
      DialogItem(TRACKBAR_CLASS, IDC_VALUE_SLIDER, "Slider1", TBS_BOTH | TBS_NOTICKS | WS_TABSTOP,
                 DialogRect(84, 12, 59, 19)),
      DialogItem(WC_EDIT, IDC_VALUE, "", kNumber, DialogRect(81, 38, 62, 12)),
      DialogItem(WC_EDIT, IDC_MINIMUM, "", kNumber, DialogRect(81, 54, 28, 12)),
      DialogItem(WC_EDIT, IDC_MAXIMUM, "", kNumber, DialogRect(114, 54, 29, 12)),
      DialogItem(WC_COMBOBOX, IDC_COLOUR, "", kDropList, DialogRect(81, 70, 62, 74),
                 {"(none)", "Red", "Green", "Blue", "Gray", "Purple"}),
  };
  return bar;
}
