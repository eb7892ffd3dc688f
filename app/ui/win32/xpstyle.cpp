#include "xpstyle.h"

#include <commctrl.h>

#include <memory>

#include "layout.h"

namespace pindrel::ui::win32 {

namespace {

// The control's state, one per window, owned by the window from WM_NCCREATE
// to WM_NCDESTROY.
struct XPStyle {
  HMODULE ShellModule = nullptr;  // shell32, held while the control lives
  int picture = 0;                // bitmap resource of its face, 0 for none
};

HINSTANCE g_instance = nullptr;

XPStyle* StateOf(HWND window) { return reinterpret_cast<XPStyle*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

int ScreenDpi(bool vertical) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

void Paint(HWND window, const XPStyle& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
  FillRect(dc, &rc, magenta);
  DeleteObject(magenta);
  if (state.picture != 0) {
    if (HBITMAP picture = static_cast<HBITMAP>(
            LoadImageW(g_instance, MAKEINTRESOURCEW(state.picture), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR))) {
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
  if (message == WM_NCCREATE) {
    auto state = std::make_unique<XPStyle>();
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    state->picture = static_cast<int>(reinterpret_cast<INT_PTR>(create->lpCreateParams));
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
  }
  XPStyle* state = StateOf(window);
  if (state == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_CREATE: {
      // The extended combo box classes; the call also makes sure comctl32 is
      // loaded and its version-6 classes are registered for the manifest.
      INITCOMMONCONTROLSEX init{};
      init.dwSize = 8;
      init.dwICC = 0x200;  // ICC_USEREX_CLASSES
      InitCommonControlsEx(&init);
      // 0 if it cannot be loaded; the control goes on without it.
      state->ShellModule = LoadLibraryA("shell32.dll");
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
      Paint(window, *state);
      return 0;
    case kXPStyleGetShellModule:
      return reinterpret_cast<LRESULT>(state->ShellModule);
    case WM_DESTROY:
      // FreeLibrary(0) fails harmlessly when the load had failed.
      FreeLibrary(state->ShellModule);
      state->ShellModule = nullptr;
      return 0;
    case WM_NCDESTROY: {
      std::unique_ptr<XPStyle> owned(state);
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void RegisterXPStyleClass(HINSTANCE module, HINSTANCE resources) {
  g_instance = resources;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = XPStyleProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kXPStyleClass;
  RegisterClassExW(&wc);  // a second registration fails harmlessly
}

}  // namespace pindrel::ui::win32
