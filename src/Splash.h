#pragma once
// CSplash: the start-up picture (bitmap 162) shown over the main window for a
// second, or until the first key or mouse-button press, which it swallows.
// At most one exists; it deletes itself when its window is gone.
#include "platform/gdi/GdiObjects.h"
#include "platform/ui/Wnd.h"
#include "res/resource.h"

class CSplash : public CWnd {
 public:
  // Whether the splash may be shown (the command line can turn it off).
  static void EnableSplashScreen(BOOL bEnable = TRUE);
  // Shows the splash over the parent unless it is disabled or already shown.
  static void ShowSplashScreen(CWnd* pParentWnd = nullptr);
  // TRUE when the splash took the message (a key or button press hides it).
  static BOOL PreTranslateAppMessage(MSG* pMsg);
  static void HideSplashScreen();
  // Registers bitmap 162 (once); the splash does it itself before loading.
  static void RegisterSplashBitmap();

  static BOOL c_bShowSplashWnd;
  static CSplash* c_pSplashWnd;

  ~CSplash() override;

 protected:
  CSplash() = default;
  BOOL Create(CWnd* pParentWnd);
  void PostNcDestroy() override;

  int OnCreate(LPCREATESTRUCT lpCreateStruct);
  void OnPaint();
  void OnTimer(UINT_PTR nIDEvent);

  CBitmap m_bitmap;

  DECLARE_MESSAGE_MAP()
};
