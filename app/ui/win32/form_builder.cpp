#include "form_builder.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <vector>

#include "guard.h"
#include "xpstyle.h"

namespace pindrel::ui::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"PindrelForm";
constexpr UINT kFirstControlId = 100;
constexpr UINT kFirstMenuId = 1000;

// Every window of ours that is alive, in creation order.
std::vector<Win32Form*>& LiveForms() {
  static std::vector<Win32Form*> forms;
  return forms;
}
// Set while the program ends: no further events reach any logic.
bool g_ending = false;

bool IsContainer(ControlKind kind) { return kind == ControlKind::Frame || kind == ControlKind::PictureBox; }

std::string Narrow(std::string_view s) { return std::string(s); }

// Containers are real child windows, so the notifications of the controls
// inside them arrive at the container: send them on to the form, which knows
// every control by its window.
LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return SendMessageW(GetAncestor(window, GA_ROOT), message, wparam, lparam);
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

// The smallest tab index in a control's subtree: a container takes its place
// in the tab order where its first control would.
int TabKey(const FormLayout& layout, const ControlEntry& entry) {
  int key = entry.tab_index >= 0 ? entry.tab_index : INT_MAX;
  if (IsContainer(entry.kind)) {
    for (const ControlEntry& c : layout.controls)
      if (c.container == entry.name) key = std::min(key, TabKey(layout, c));
  }
  return key;
}

}  // namespace

LRESULT CALLBACK FormWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* form = static_cast<Win32Form*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return form->Handle(message, wparam, lparam);
}

// ---------------------------------------------------------------- Win32Form

Win32Form::Win32Form(const FormLayout& layout, FormLogic& logic, Desktop& desktop, HWND owner)
    : layout_(layout), logic_(logic), desktop_(desktop), owner_(owner) {}

Win32Form::~Win32Form() {
  if (window_ != nullptr) {
    // Going away without Close(): no events, just the window.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    HWND w = window_;
    window_ = nullptr;
    if (modal_ && owner_) EnableWindow(owner_, TRUE);
    DestroyWindow(w);
  }
  auto& forms = LiveForms();
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  if (picture_) DeleteObject(picture_);
  if (background_ && layout_.background == Background::White) DeleteObject(background_);
  if (icon_big_) DestroyIcon(icon_big_);
  if (icon_small_) DestroyIcon(icon_small_);
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
  if (!alive()) throw std::logic_error("window " + Narrow(layout_.name) + " is closed");
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
  if (!alive()) throw std::logic_error("window " + Narrow(layout_.name) + " is closed");
  if (control == layout_.name) {
    SetWindowTextW(window_, text.c_str());
    return;
  }
  if (UINT id = MenuId(control)) {
    ModifyMenuW(menu_, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    DrawMenuBar(window_);
    return;
  }
  HWND target = Required(control);
  if (Text(control) == text) return;  // no change, no event
  SetWindowTextW(target, text.c_str());
  // The edit control reports the change itself (EN_CHANGE); should it not,
  // raise the event here so the logic sees every real change exactly once.
  const ControlEntry* entry = EntryOf(target);
  if (alive() && entry && entry->kind == ControlKind::TextBox) {
    auto last = texts_.find(control);
    if (last != texts_.end() && last->second != text) {
      last->second = text;
      Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Change(f, c); }, control);
    }
  }
}

bool Win32Form::Enabled(std::string_view control) const {
  if (UINT id = MenuId(control)) return !(GetMenuState(menu_, id, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
  return IsWindowEnabled(control == layout_.name ? window_ : Required(control)) != FALSE;
}

void Win32Form::SetEnabled(std::string_view control, bool enabled) {
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
  return (GetWindowLongW(Required(control), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Form::SetVisible(std::string_view control, bool visible) {
  ShowWindow(Required(control), visible ? SW_SHOWNA : SW_HIDE);
}

bool Win32Form::Checked(std::string_view control) const {
  return SendMessageW(Required(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetChecked(std::string_view control, bool checked) {
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
  if (!alive()) return;
  HWND w = window_;
  // Give input back to the owner before this window goes, so activation
  // returns to it rather than to some other program.
  if (modal_ && owner_) EnableWindow(owner_, TRUE);
  DestroyWindow(w);
}

void Win32Form::Show() {
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
  if (!alive()) return;
  modal_ = true;
  if (owner_) EnableWindow(owner_, FALSE);
  Show();
  MSG msg;
  while (alive()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: let the outer loop see the quit as well.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got == -1) break;
    if (IsDialogMessageW(window_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (alive()) Close();
  if (owner_) {
    EnableWindow(owner_, TRUE);
    SetActiveWindow(owner_);
  }
}

void Win32Form::Dispatch(void (*event)(Win32Form&, std::string_view), std::string_view control) {
  if (!alive() || g_ending) return;
  std::string name(control);  // the handler may close the window and its tables
  RunGuarded(desktop_, this, [&] { event(*this, name); });
}

void Win32Form::OnCommand(WPARAM wparam, LPARAM lparam) {
  UINT id = LOWORD(wparam);
  UINT code = HIWORD(wparam);
  if (lparam == 0) {  // a menu item (accelerators: none)
    auto it = menu_names_.find(id);
    if (it != menu_names_.end() && Enabled(it->second))
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
      if (code == BN_CLICKED && IsWindowEnabled(sender)) Dispatch([](Win32Form& f, std::string_view c) { f.logic_.Click(f, c); }, entry->name);
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

HBRUSH Win32Form::ControlColour(HDC dc, HWND control) {
  const ControlEntry* entry = EntryOf(control);
  if (entry == nullptr) return background_;
  switch (entry->kind) {
    case ControlKind::TextBox:
      // Read-only and disabled boxes keep the window colour, so a path shown
      // in them reads like a field rather than a caption.
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      SetTextColor(dc, GetSysColor(IsWindowEnabled(control) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      return GetSysColorBrush(COLOR_WINDOW);
    case ControlKind::Label:
      // Labels are see-through: their text sits on the banner and the
      // background behind them.
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(IsWindowEnabled(control) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    default:
      // Frame captions and option buttons grey out with their control.
      SetTextColor(dc, GetSysColor(IsWindowEnabled(control) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      SetBkMode(dc, TRANSPARENT);
      SetBkColor(dc, layout_.background == Background::White ? RGB(255, 255, 255) : GetSysColor(COLOR_3DLIGHT));
      return background_;
  }
}

void Win32Form::PaintBackground(HDC dc) {
  RECT rc;
  GetClientRect(window_, &rc);
  FillRect(dc, &rc, background_);
  if (picture_) {
    BITMAP info{};
    GetObjectW(picture_, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, picture_);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
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
    case DM_GETDEFID:
      // Enter presses the button the table marks as default.
      for (const auto& [name, control] : controls_) {
        const ControlEntry* entry = EntryOf(control);
        if (entry && entry->kind == ControlKind::Button && (entry->flags & kDefault))
          return MAKELRESULT(GetDlgCtrlID(control), DC_HASDEFID);
      }
      return 0;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wparam));
      return 1;
    case WM_PRINTCLIENT:
      PaintBackground(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_CLOSE:
      if (g_ending) {
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
      window_ = nullptr;
      SetWindowLongPtrW(w, GWLP_USERDATA, 0);
      auto& forms = LiveForms();
      forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
      return DefWindowProcW(w, message, wparam, lparam);
    }
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

// ---------------------------------------------------------------- FormBuilder

FormBuilder::FormBuilder(HINSTANCE resources, Desktop& desktop) : resources_(resources), desktop_(desktop) {
  // The common controls are initialised before any window exists.
  InitCommonControls();
  HDC screen = GetDC(nullptr);
  dpi_x_ = GetDeviceCaps(screen, LOGPIXELSX);
  dpi_y_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_x_ <= 0) dpi_x_ = 96;
  if (dpi_y_ <= 0) dpi_y_ = 96;
  // Tahoma 8.25 pt: the height in pixels for this screen.
  int height = -MulDiv(825, dpi_y_, 7200);
  font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  bold_font_ = CreateFontW(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);  // once per process; later calls fail harmlessly
  RegisterXPStyleClass(resources_);
}

HWND FormBuilder::CreateControl(Win32Form& form, HWND parent, const ControlEntry& entry, int id) {
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  const wchar_t* cls = L"STATIC";
  switch (entry.kind) {
    case ControlKind::Label:
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case ControlKind::Button:
      cls = L"BUTTON";
      style |= ((entry.flags & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
      break;
    case ControlKind::TextBox:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP;
      if (entry.flags & kReadOnly) style |= ES_READONLY;
      ex_style |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Frame:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      ex_style |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::OptionButton:
      cls = L"BUTTON";
      style |= BS_AUTORADIOBUTTON | WS_TABSTOP;
      break;
    case ControlKind::PictureBox:
      style |= SS_LEFT;
      ex_style |= WS_EX_CONTROLPARENT;
      break;
    case ControlKind::Image:
      style |= SS_BITMAP;
      break;
    case ControlKind::Line:
      style |= SS_ETCHEDHORZ;
      break;
    case ControlKind::VisualStyle:
      cls = kXPStyleClass;
      break;
  }
  if (!(entry.flags & kHidden)) style |= WS_VISIBLE;
  if (entry.flags & kDisabled) style |= WS_DISABLED;
  // The first option button of each container starts its group.
  if (entry.kind == ControlKind::OptionButton) {
    for (const ControlEntry& c : form.layout_.controls) {
      if (c.kind == ControlKind::OptionButton && c.container == entry.container) {
        if (&c == &entry) style |= WS_GROUP;
        break;
      }
    }
  }
  std::wstring caption(entry.caption);
  HWND control = CreateWindowExW(
      ex_style, cls, entry.kind == ControlKind::Image ? L"" : caption.c_str(), style,
      TwipsToPixels(entry.position.left, dpi_x_), TwipsToPixels(entry.position.top, dpi_y_),
      TwipsToPixels(entry.position.width, dpi_x_), TwipsToPixels(entry.position.height, dpi_y_), parent,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr),
      entry.kind == ControlKind::VisualStyle ? reinterpret_cast<void*>(static_cast<INT_PTR>(entry.picture)) : nullptr);
  if (control == nullptr)
    throw std::runtime_error("cannot create control " + Narrow(entry.name) + " of window " + Narrow(form.layout_.name));
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>((entry.flags & kBold) ? bold_font_ : font_), FALSE);
  if (entry.kind == ControlKind::Image && entry.picture != 0) {
    if (HANDLE bitmap = LoadImageW(resources_, MAKEINTRESOURCEW(entry.picture), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)) {
      HANDLE old = reinterpret_cast<HANDLE>(SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
      if (old) DeleteObject(old);
    }
    // The control keeps the size of the table, not of the bitmap.
    SetWindowPos(control, nullptr, 0, 0, TwipsToPixels(entry.position.width, dpi_x_),
                 TwipsToPixels(entry.position.height, dpi_y_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (entry.kind == ControlKind::OptionButton && (entry.flags & kChecked))
    SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  if (IsContainer(entry.kind)) SetWindowSubclass(control, ContainerProc, 1, 0);
  if (entry.kind == ControlKind::TextBox) form.texts_[std::string(entry.name)] = caption;
  form.controls_[std::string(entry.name)] = control;
  form.entries_[control] = &entry;
  return control;
}

void FormBuilder::CreateChildren(Win32Form& form, HWND parent, std::string_view container) {
  const FormLayout& layout = form.layout_;
  std::vector<const ControlEntry*> children;
  for (const ControlEntry& c : layout.controls)
    if (c.container == container) children.push_back(&c);
  // Creation order is the tab order (and the z-order) among siblings.
  std::stable_sort(children.begin(), children.end(), [&](const ControlEntry* a, const ControlEntry* b) {
    return TabKey(layout, *a) < TabKey(layout, *b);
  });
  for (const ControlEntry* entry : children) {
    int id = kFirstControlId + static_cast<int>(entry - layout.controls.data());
    HWND control = CreateControl(form, parent, *entry, id);
    if (IsContainer(entry->kind)) CreateChildren(form, control, entry->name);
  }
}

std::unique_ptr<Win32Form> FormBuilder::Build(const FormLayout& layout, FormLogic& logic, HWND owner) {
  for (const ControlEntry& c : layout.controls) {
    if (!c.container.empty()) {
      const ControlEntry* parent = layout.Find(c.container);
      if (parent == nullptr || !IsContainer(parent->kind))
        throw std::invalid_argument("control " + Narrow(c.name) + " sits in " + Narrow(c.container) +
                                    ", which is not a container of window " + Narrow(layout.name));
    }
  }
  std::unique_ptr<Win32Form> form(new Win32Form(layout, logic, desktop_, owner));

  DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  DWORD ex_style = WS_EX_CONTROLPARENT;
  if (layout.border == Border::FixedDialog) {
    style |= WS_POPUP;
    ex_style |= WS_EX_DLGMODALFRAME;
  } else {
    style |= WS_OVERLAPPED;
  }
  if (layout.min_button) style |= WS_MINIMIZEBOX;
  if (layout.max_button) style |= WS_MAXIMIZEBOX;
  if (layout.show_in_taskbar) ex_style |= WS_EX_APPWINDOW;

  if (!layout.menus.empty()) {
    form->menu_ = CreateMenu();
    UINT next = kFirstMenuId;
    for (const MenuEntry& top : layout.menus) {
      if (!top.parent.empty()) continue;
      HMENU popup = CreatePopupMenu();
      for (const MenuEntry& item : layout.menus) {
        if (item.parent != top.name) continue;
        UINT id = next++;
        AppendMenuW(popup, MF_STRING, id, std::wstring(item.caption).c_str());
        form->menu_ids_[std::string(item.name)] = id;
        form->menu_names_[id] = std::string(item.name);
      }
      AppendMenuW(form->menu_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                  std::wstring(top.caption).c_str());
    }
  }

  RECT rc{0, 0, TwipsToPixels(layout.client_width, dpi_x_), TwipsToPixels(layout.client_height, dpi_y_)};
  AdjustWindowRectEx(&rc, style, form->menu_ != nullptr, ex_style);

  form->background_ = layout.background == Background::White ? CreateSolidBrush(RGB(255, 255, 255))
                                                             : GetSysColorBrush(COLOR_3DLIGHT);
  if (layout.picture != 0)
    form->picture_ = static_cast<HBITMAP>(
        LoadImageW(resources_, MAKEINTRESOURCEW(layout.picture), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));

  std::wstring title(layout.title);
  HWND window = CreateWindowExW(ex_style, kFormClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, owner, form->menu_,
                                GetModuleHandleW(nullptr), form.get());
  if (window == nullptr) {
    if (form->menu_) DestroyMenu(form->menu_);
    throw std::runtime_error("cannot create window " + Narrow(layout.name));
  }
  LiveForms().push_back(form.get());
  // A menu that wraps or a theme with other frame sizes: make the client
  // area exactly what the table says.
  RECT client;
  GetClientRect(window, &client);
  int want_w = TwipsToPixels(layout.client_width, dpi_x_), want_h = TwipsToPixels(layout.client_height, dpi_y_);
  if (client.right != want_w || client.bottom != want_h) {
    RECT outer;
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, (outer.right - outer.left) + want_w - client.right,
                 (outer.bottom - outer.top) + want_h - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  if (layout.icon != 0) {
    form->icon_big_ = static_cast<HICON>(LoadImageW(resources_, MAKEINTRESOURCEW(layout.icon), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    form->icon_small_ = static_cast<HICON>(LoadImageW(resources_, MAKEINTRESOURCEW(layout.icon), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (form->icon_big_) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(form->icon_big_));
    if (form->icon_small_) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(form->icon_small_));
  }

  CreateChildren(*form, window, "");

  form->Dispatch([](Win32Form& f, std::string_view) { f.logic_.Create(f); }, layout.name);
  form->Dispatch([](Win32Form& f, std::string_view) { f.logic_.Load(f); }, layout.name);
  return form;
}

int RunMessageLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    bool ours = false;
    for (Win32Form* f : LiveForms()) ours = ours || f->window() == root;
    if (ours && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void EndAllForms() {
  g_ending = true;
  // Newest first: owned windows go before their owners.
  std::vector<Win32Form*> forms = LiveForms();
  for (auto it = forms.rbegin(); it != forms.rend(); ++it) (*it)->Close();
  PostQuitMessage(0);
}

}  // namespace pindrel::ui::win32
