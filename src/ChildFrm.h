#pragma once
// CChildFrame: the frame of one document window; every one opens maximised
// with the document's title in the main frame's caption.
#include "platform/ui/FrameWnd.h"

class CChildFrame : public CMDIChildWnd {
  DECLARE_DYNCREATE(CChildFrame)

 public:
  CChildFrame() = default;

 protected:
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
};
