// "Comments": the design's free text, line breaks included.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::CommentBarTemplate() {
  QxDialogTemplate bar = DialogBar("Comments", 150, 90);
  bar.items = {DialogItem(
      WC_EDIT, IDC_COMMENT, "",
      ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
      DialogRect(7, 7, 136, 76))};
  return bar;
}
