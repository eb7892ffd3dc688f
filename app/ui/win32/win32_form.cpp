#include "win32_form.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "form_lifetime.h"
#include "guard.h"

namespace pindrel::ui::win32 {

namespace {

// Sent by a container to the form: erase the container's background (wparam
// the container's DC, lparam the container).
constexpr UINT kEraseContainer = WM_APP + 1;

std::string Narrow(std::string_view s) { return std::string(s); }

bool IsTransparentLabel(const ControlEntry* entry) {
  return entry && entry->kind == ControlKind::Label && (entry->flags & kTransparent);
}

COLORREF TextColour(const ControlEntry& entry, HWND control, int system_colour) {
  if (!IsWindowEnabled(control)) return GetSysColor(COLOR_GRAYTEXT);
  return entry.colour == kSystemColour ? GetSysColor(system_colour) : static_cast<COLORREF>(entry.colour);
}

}  // namespace

// Containers are real child windows: the notifications of the controls inside
// them arrive at the container, so they go on to the form, which knows every
// control by its window. Their background is the form's.
LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return SendMessageW(GetAncestor(window, GA_ROOT), message, wparam, lparam);
    case WM_ERASEBKGND:
      SendMessageW(GetAncestor(window, GA_ROOT), kEraseContainer, wparam, reinterpret_cast<LPARAM>(window));
      return 1;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* form = static_cast<Win32Form*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    RegisterForm(*form);
  }
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->Handle(message, wparam, lparam);
}

Win32Form::Win32Form(const FormLayout& layout, FormLogic& logic, Desktop& desktop, HWND owner)
    : layout_(layout), logic_(logic), desktop_(desktop), owner_(owner) {}

Win32Form::~Win32Form() {
  if (window_ != nullptr) {
    // Going away without Close(): no events, just the window.
    HWND w = window_;
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
    if (modal_ && owner_) EnableWindow(owner_, TRUE);
    DestroyWindow(w);
    Forget();
  }
}

// The window has gone: forget every handle it had and free what it owned,
// so nothing can reach a stale handle and nothing leaks.
void Win32Form::Forget() {
  window_ = nullptr;
  menu_ = nullptr;  // destroyed with its window
  controls_.clear();
  entries_.clear();
  menu_ids_.clear();
  menu_names_.clear();
  texts_.clear();
  for (auto& [image, type] : images_) {
    if (type == IMAGE_ICON) DestroyIcon(static_cast<HICON>(image));
    else DeleteObject(image);
  }
  images_.clear();
  if (picture_) DeleteObject(std::exchange(picture_, nullptr));
  if (owns_background_ && background_) DeleteObject(background_);
  background_ = nullptr;
  UnregisterForm(*this);
}

void Win32Form::AddControl(const ControlEntry& entry, HWND control) {
  controls_[std::string(entry.name)] = control;
  entries_[control] = &entry;
  if (entry.kind == ControlKind::TextBox) texts_[std::string(entry.name)] = std::wstring(entry.caption);
}

void Win32Form::AddMenuItem(const MenuEntry& item, UINT id) {
  menu_ids_[std::string(item.name)] = id;
  menu_names_[id] = std::string(item.name);
}

void Win32Form::SetBackground(HBRUSH brush, bool owned) {
  background_ = brush;
  owns_background_ = owned;
}

void Win32Form::OwnImage(HANDLE image, UINT type) {
  if (image) images_.emplace_back(image, type);
}

void Win32Form::Created() {
  Dispatch([](Win32Form& f, std::string_view) { f.logic_.Create(f); }, layout_.name);
  Dispatch([](Win32Form& f, std::string_view) { f.logic_.Load(f); }, layout_.name);
}

HWND Win32Form::ControlWindow(std::string_view control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second;
}

UINT Win32Form::MenuId(std::string_view menu) const {
  auto it = menu_ids_.find(menu);
  return it == menu_ids_.end() ? 0 : it->second;
}

HWND Win32Form::Required(std::string_view control) const {
  if (HWND w = ControlWindow(control)) return w;
  throw std::invalid_argument("window " + Narrow(layout_.name) + " has no control named " + Narrow(control));
}

const ControlEntry* Win32Form::EntryOf(HWND control) const {
  auto it = entries_.find(control);
  return it == entries_.end() ? nullptr : it->second;
}

std::wstring Win32Form::Text(std::string_view control) const {
  if (!IsOpen()) return {};
  HWND target = control == layout_.name ? window_ : nullptr;
  if (target == nullptr) {
    if (UINT id = MenuId(control)) {
      wchar_t buffer[256] = {};
      GetMenuStringW(menu_, id, buffer, 256, MF_BYCOMMAND);
      return buffer;
    }
    target = Required(control);
  }
  int length = GetWindowTextLengthW(target);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(target, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void Win32Form::SetText(std::string_view control, const std::wstring& text) {
  if (!IsOpen()) return;
  if (control == layout_.name) {
    SetWindowTextW(window_, text.c_str());
    return;
  }
  if (UINT id = MenuId(control)) {
    // Only the text changes: the item keeps its grayed or checked state.
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu_, id, FALSE, &info);
    DrawMenuBar(window_);
    return;
  }
  HWND target = Required(control);
  if (Text(control) == text) return;  // no change, no event
  const ControlEntry* entry = EntryOf(target);
  SetWindowTextW(target, text.c_str());
  if (IsTransparentLabel(entry)) {
    // The label draws no background of its own: what lay under the old text
    // is painted again first, or its pixels would stay under the new text.
    RECT area;
    GetWindowRect(target, &area);
    HWND parent = GetParent(target);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  // The edit control reports the change itself (EN_CHANGE); should it not,
  // raise the event here so the logic sees every real change exactly once.
  if (IsOpen() && entry && entry->kind == ControlKind::TextBox) {
    auto last = texts_.find(control);
    if (last != texts_.end() && last->second != text) {
      last->second = text;
      Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Change(f, c); }, control);
    }
  }
}

bool Win32Form::Enabled(std::string_view control) const {
  if (!IsOpen()) return false;
  if (UINT id = MenuId(control)) return !(GetMenuState(menu_, id, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
  return IsWindowEnabled(control == layout_.name ? window_ : Required(control)) != FALSE;
}

void Win32Form::SetEnabled(std::string_view control, bool enabled) {
  if (!IsOpen()) return;
  if (UINT id = MenuId(control)) {
    EnableMenuItem(menu_, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    return;
  }
  HWND target = Required(control);
  EnableWindow(target, enabled ? TRUE : FALSE);
  // A frame's caption and the labels in it repaint in their new state.
  InvalidateRect(target, nullptr, TRUE);
}

bool Win32Form::Visible(std::string_view control) const {
  if (!IsOpen()) return false;
  return (GetWindowLongW(Required(control), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Form::SetVisible(std::string_view control, bool visible) {
  if (!IsOpen()) return;
  ShowWindow(Required(control), visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Form::Checked(std::string_view control) const {
  if (!IsOpen()) return false;
  return SendMessageW(Required(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetChecked(std::string_view control, bool checked) {
  if (!IsOpen()) return;
  HWND target = Required(control);
  const ControlEntry* entry = EntryOf(target);
  if (checked && entry && entry->kind == ControlKind::OptionButton) {
    // One selected option button per container.
    for (const ControlEntry& other : layout_.controls)
      if (other.kind == ControlKind::OptionButton && other.container == entry->container)
        SendMessageW(Required(other.name), BM_SETCHECK, BST_UNCHECKED, 0);
  }
  SendMessageW(target, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Form::Close() {
  if (!IsOpen()) return;
  // Give input back to the owner before this window goes, so activation
  // returns to it rather than to some other program.
  if (modal_ && owner_) EnableWindow(owner_, TRUE);
  DestroyWindow(window_);
}

void Win32Form::Show() {
  if (!IsOpen()) return;
  RECT frame;
  GetWindowRect(window_, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT area;
  if (layout_.start == StartPosition::CenterOwner && owner_ != nullptr) {
    GetWindowRect(owner_, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  int x = area.left + ((area.right - area.left) - width) / 2;
  int y = area.top + ((area.bottom - area.top) - height) / 2;
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  // Like a dialog: the keyboard starts at the first control in tab order.
  if (HWND first = GetNextDlgTabItem(window_, nullptr, FALSE)) SetFocus(first);
}

void Win32Form::ShowModal() {
  if (!IsOpen()) return;
  modal_ = true;
  if (owner_) EnableWindow(owner_, FALSE);
  Show();
  RunModalLoop(*this);
  Close();
  if (owner_) {
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
  }
}

void Win32Form::Dispatch(void (*event)(Win32Form&, std::string_view), std::string_view control) {
  if (!IsOpen() || ProgramEnding()) return;
  std::string name(control);  // the handler may close the window and its tables
  RunGuarded(desktop_, this, [&] { event(*this, name); });
}

void Win32Form::OnCommand(WPARAM wparam, LPARAM lparam) {
  UINT id = LOWORD(wparam);
  UINT code = HIWORD(wparam);
  // A window disabled under a modal one (or a message box) takes no clicks,
  // also none that were queued before it was disabled.
  const bool takes_clicks = IsWindowEnabled(window_);
  if (lparam == 0) {  // a menu item (accelerators: none)
    auto it = menu_names_.find(id);
    if (it != menu_names_.end() && takes_clicks && Enabled(it->second))
      Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Click(f, c); }, it->second);
    return;
  }
  HWND sender = reinterpret_cast<HWND>(lparam);
  const ControlEntry* entry = EntryOf(sender);
  if (entry == nullptr) return;
  switch (entry->kind) {
    case ControlKind::Button:
    case ControlKind::OptionButton:
      // A disabled button is never clicked, however the notification came
      // about (a programmatic BM_CLICK reaches disabled buttons on some systems).
      if (code == BN_CLICKED && takes_clicks && IsWindowEnabled(sender))
        Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Click(f, c); }, entry->name);
      break;
    case ControlKind::TextBox:
      if (code == EN_CHANGE) {
        std::wstring now = Text(entry->name);
        std::wstring& last = texts_[std::string(entry->name)];
        if (now != last) {
          last = now;
          Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Change(f, c); }, entry->name);
        }
      }
      break;
    default:
      break;
  }
}

HBRUSH Win32Form::ControlColour(HDC dc, HWND control) const {
  const ControlEntry* entry = EntryOf(control);
  if (entry == nullptr) return background_;
  COLORREF back = layout_.background == Background::White ? RGB(255, 255, 255) : GetSysColor(COLOR_3DLIGHT);
  switch (entry->kind) {
    case ControlKind::TextBox:
      // Read-only and disabled boxes keep the window colour, so a path shown
      // in them reads like a field rather than a caption.
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      SetTextColor(dc, TextColour(*entry, control, COLOR_WINDOWTEXT));
      return GetSysColorBrush(COLOR_WINDOW);
    case ControlKind::Label:
      SetTextColor(dc, TextColour(*entry, control, COLOR_BTNTEXT));
      if (entry->flags & kTransparent) {
        // See-through: the text sits on whatever lies behind it.
        SetBkMode(dc, TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      }
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, back);
      return background_;
    default:
      // Frame captions and option buttons grey out with their control.
      SetTextColor(dc, TextColour(*entry, control, COLOR_BTNTEXT));
      SetBkMode(dc, TRANSPARENT);
      SetBkColor(dc, back);
      return background_;
  }
}

void Win32Form::DrawLine(const DRAWITEMSTRUCT& item) const {
  const ControlEntry* entry = EntryOf(item.hwndItem);
  if (entry == nullptr) return;
  HBRUSH pen = CreateSolidBrush(static_cast<COLORREF>(entry->colour));
  FillRect(item.hDC, &item.rcItem, pen);
  DeleteObject(pen);
}

void Win32Form::PaintBackground(HDC dc, HWND area) const {
  RECT rc;
  GetClientRect(area, &rc);
  FillRect(dc, &rc, background_);
  if (picture_) {
    // The banner lies at the form's top left; a container shows its part.
    POINT origin{0, 0};
    MapWindowPoints(window_, area, &origin, 1);
    BITMAP info{};
    GetObjectW(picture_, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture_);
    BitBlt(dc, origin.x, origin.y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
}

LRESULT Win32Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wparam, lparam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<LRESULT>(ControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    case WM_DRAWITEM:
      DrawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case DM_GETDEFID:
      // Enter presses the button the table marks as default.
      for (const auto& [name, control] : controls_) {
        const ControlEntry* entry = EntryOf(control);
        if (entry && entry->kind == ControlKind::Button && (entry->flags & kDefault))
          return MAKELRESULT(GetDlgCtrlID(control), DC_HASDEFID);
      }
      return 0;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wparam), window_);
      return 1;
    case kEraseContainer:
      PaintBackground(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
      return 1;
    case WM_PRINTCLIENT:
      PaintBackground(reinterpret_cast<HDC>(wparam), window_);
      return 0;
    case WM_CLOSE:
      if (ProgramEnding()) {
        Close();
      } else {
        Dispatch([](Win32Form& f, std::string_view) { f.logic_.CloseRequest(f); }, layout_.name);
      }
      return 0;
    case WM_DESTROY:
      if (ends_loop_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND w = window_;
      SetWindowLongPtrW(w, GWLP_USERDATA, 0);
      Forget();
      return DefWindowProcW(w, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace pindrel::ui::win32
