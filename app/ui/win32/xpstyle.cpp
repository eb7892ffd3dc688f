#include "xpstyle.h"

#include <commctrl.h>

#include "layout.h"

namespace pindrel::ui::win32 {

namespace {

// Window extra bytes: ShellModule, then the bitmap resource of its face.
constexpr int kShellModuleSlot = 0;
constexpr int kPictureSlot = sizeof(LONG_PTR);
HINSTANCE g_instance = nullptr;

int ScreenDpi(bool vertical) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(dc, &rc, magenta);
  DeleteObject(magenta);
  if (int id = static_cast<int>(GetWindowLongPtrW(window, kPictureSlot))) {
    if (HBITMAP picture = static_cast<HBITMAP>(
            LoadImageW(g_instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR))) {
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, picture);
      BitBlt(dc, 0, 0, rc.right, rc.bottom, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
      DeleteObject(picture);
    }
  }
  EndPaint(window, &ps);
}

LRESULT CALLBACK XPStyleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(window, kPictureSlot, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      // The extended combo box classes; the call also makes sure comctl32 is
      // loaded and its version-6 classes are registered for the manifest.
      INITCOMMONCONTROLSEX init{};
      init.dwSize = 8;
      init.dwICC = 0x200;  // ICC_USEREX_CLASSES
      InitCommonControlsEx(&init);
      // Kept loaded while the control lives; 0 if it cannot be loaded, and
      // the control goes on without it.
      HMODULE shell = LoadLibraryA("shell32.dll");
      SetWindowLongPtrW(window, kShellModuleSlot, reinterpret_cast<LONG_PTR>(shell));
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      // Any size given to it becomes the fixed size again.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
      pos->cx = TwipsToPixels(kXPStyleTwips, ScreenDpi(false));
      pos->cy = TwipsToPixels(kXPStyleTwips, ScreenDpi(true));
      pos->flags &= ~SWP_NOSIZE;
      return 0;
    }
    case WM_PAINT:
      Paint(window);
      return 0;
    case kXPStyleGetShellModule:
      return GetWindowLongPtrW(window, kShellModuleSlot);
    case WM_DESTROY: {
      // FreeLibrary(0) fails harmlessly when the load had failed.
      FreeLibrary(reinterpret_cast<HMODULE>(GetWindowLongPtrW(window, kShellModuleSlot)));
      SetWindowLongPtrW(window, kShellModuleSlot, 0);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void RegisterXPStyleClass(HINSTANCE instance) {
  g_instance = instance;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = XPStyleProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kXPStyleClass;
  RegisterClassExW(&wc);  // a second registration fails harmlessly
}

}  // namespace pindrel::ui::win32
