#include "form_builder.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "xpstyle.h"

namespace pindrel::ui::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"PindrelForm";
constexpr UINT kFirstControlId = 100;
constexpr UINT kFirstMenuId = 1000;
constexpr int kSmallIcon = 16;

bool IsContainer(ControlKind kind) { return kind == ControlKind::Frame || kind == ControlKind::PictureBox; }

std::string Narrow(std::string_view s) { return std::string(s); }

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

HFONT Tahoma(int dpi_y, int weight) {
  // Tahoma 8.25 pt: the height in pixels for this screen.
  return CreateFontW(-MulDiv(825, dpi_y, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

}  // namespace

FormBuilder::FormBuilder(HINSTANCE resources, Desktop& desktop)
    : resources_(resources), module_(GetModuleHandleW(nullptr)), desktop_(desktop) {
  // The common controls are initialised before any window exists.
  InitCommonControls();
  HDC screen = GetDC(nullptr);
  dpi_x_ = GetDeviceCaps(screen, LOGPIXELSX);
  dpi_y_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_x_ <= 0) dpi_x_ = 96;
  if (dpi_y_ <= 0) dpi_y_ = 96;
  font_ = Tahoma(dpi_y_, FW_NORMAL);
  bold_font_ = Tahoma(dpi_y_, FW_BOLD);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Win32Form::WindowProc;
  wc.hInstance = module_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);  // once per process; later calls fail harmlessly
  RegisterXPStyleClass(module_, resources_);
}

FormBuilder::~FormBuilder() {
  DeleteObject(font_);
  DeleteObject(bold_font_);
}

void FormBuilder::SetImage(Win32Form& form, HWND control, const ControlEntry& entry) {
  if (entry.picture == 0) return;
  bool icon = (entry.flags & kIcon) != 0;
  UINT type = icon ? IMAGE_ICON : IMAGE_BITMAP;
  HANDLE image = LoadImageW(resources_, MAKEINTRESOURCEW(entry.picture), type, icon ? kSmallIcon : 0,
                            icon ? kSmallIcon : 0, LR_DEFAULTCOLOR);
  if (image == nullptr) return;
  // The control shows the image but does not own it: the form frees it.
  form.OwnImage(image, type);
  if (HANDLE old = reinterpret_cast<HANDLE>(SendMessageW(control, STM_SETIMAGE, type, reinterpret_cast<LPARAM>(image)));
      old && old != image) {
    form.OwnImage(old, type);
  }
}

HWND FormBuilder::CreateControl(Win32Form& form, HWND parent, const ControlEntry& entry, int id) {
  DWORD style = WS_CHILD;
  DWORD ex_style = 0;
  const wchar_t* cls = L"STATIC";
  int width = TwipsToPixels(entry.position.width, dpi_x_);
  int height = TwipsToPixels(entry.position.height, dpi_y_);
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
      style |= ((entry.flags & kIcon) ? SS_ICON : SS_BITMAP) | SS_CENTERIMAGE;
      break;
    case ControlKind::Line:
      // A coloured line is one pixel of its colour; a plain one the etched
      // line of the system.
      style |= entry.colour == kSystemColour ? SS_ETCHEDHORZ : SS_OWNERDRAW;
      height = std::max(height, entry.colour == kSystemColour ? 2 : 1);
      break;
    case ControlKind::VisualStyle:
      cls = kXPStyleClass;
      break;
  }
  if (!(entry.flags & kHidden)) style |= WS_VISIBLE;
  if (entry.flags & kDisabled) style |= WS_DISABLED;
  // The first option button of each container starts its group.
  if (entry.kind == ControlKind::OptionButton) {
    for (const ControlEntry& c : form.layout().controls) {
      if (c.kind == ControlKind::OptionButton && c.container == entry.container) {
        if (&c == &entry) style |= WS_GROUP;
        break;
      }
    }
  }
  std::wstring caption(entry.caption);
  HWND control = CreateWindowExW(
      ex_style, cls, entry.kind == ControlKind::Image ? L"" : caption.c_str(), style,
      TwipsToPixels(entry.position.left, dpi_x_), TwipsToPixels(entry.position.top, dpi_y_), width, height, parent,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), module_,
      entry.kind == ControlKind::VisualStyle ? reinterpret_cast<void*>(static_cast<INT_PTR>(entry.picture)) : nullptr);
  if (control == nullptr)
    throw std::runtime_error("cannot create control " + Narrow(entry.name) + " of window " + Narrow(form.layout().name));
  form.AddControl(entry, control);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font((entry.flags & kBold) != 0)), FALSE);
  if (entry.kind == ControlKind::Image) {
    SetImage(form, control, entry);
    // The control keeps the size of the table, not of its image.
    SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (entry.kind == ControlKind::OptionButton && (entry.flags & kChecked))
    SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  if (IsContainer(entry.kind)) SetWindowSubclass(control, ContainerProc, 1, 0);
  return control;
}

void FormBuilder::CreateChildren(Win32Form& form, HWND parent, std::string_view container) {
  const FormLayout& layout = form.layout();
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
  auto form = std::make_unique<Win32Form>(layout, logic, desktop_, owner);

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

  HMENU menu = nullptr;
  if (!layout.menus.empty()) {
    menu = CreateMenu();
    UINT next = kFirstMenuId;
    for (const MenuEntry& top : layout.menus) {
      if (!top.parent.empty()) continue;
      HMENU popup = CreatePopupMenu();
      for (const MenuEntry& item : layout.menus) {
        if (item.parent != top.name) continue;
        UINT id = next++;
        AppendMenuW(popup, MF_STRING, id, std::wstring(item.caption).c_str());
        form->AddMenuItem(item, id);
      }
      AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), std::wstring(top.caption).c_str());
    }
    form->SetMenu(menu);
  }

  const int want_w = TwipsToPixels(layout.client_width, dpi_x_), want_h = TwipsToPixels(layout.client_height, dpi_y_);
  RECT rc{0, 0, want_w, want_h};
  AdjustWindowRectEx(&rc, style, menu != nullptr, ex_style);

  if (layout.background == Background::White) form->SetBackground(CreateSolidBrush(RGB(255, 255, 255)), true);
  else form->SetBackground(GetSysColorBrush(COLOR_3DLIGHT), false);
  if (layout.picture != 0)
    form->SetPicture(static_cast<HBITMAP>(
        LoadImageW(resources_, MAKEINTRESOURCEW(layout.picture), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));

  std::wstring title(layout.title);
  HWND window = CreateWindowExW(ex_style, kFormClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                rc.right - rc.left, rc.bottom - rc.top, owner, menu, module_, form.get());
  if (window == nullptr) {
    if (menu) DestroyMenu(menu);
    throw std::runtime_error("cannot create window " + Narrow(layout.name));
  }
  // A menu that wraps or a theme with other frame sizes: make the client
  // area exactly what the table says.
  RECT client;
  GetClientRect(window, &client);
  if (client.right != want_w || client.bottom != want_h) {
    RECT outer;
    GetWindowRect(window, &outer);
    SetWindowPos(window, nullptr, 0, 0, (outer.right - outer.left) + want_w - client.right,
                 (outer.bottom - outer.top) + want_h - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  if (layout.icon != 0) {
    for (auto [size, which] : {std::pair{SM_CXICON, ICON_BIG}, std::pair{SM_CXSMICON, ICON_SMALL}}) {
      int side = GetSystemMetrics(size);
      HANDLE icon = LoadImageW(resources_, MAKEINTRESOURCEW(layout.icon), IMAGE_ICON, side, side, 0);
      form->OwnImage(icon, IMAGE_ICON);
      if (icon) SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
  }

  CreateChildren(*form, window, "");
  form->Created();
  return form;
}

}  // namespace pindrel::ui::win32
