// The form builder turns the layout tables into real windows: captions,
// pixel positions from twips, states, fonts, menus, tab order; it routes
// events to the logic by control name, and modal windows lock their owner.
#include "form_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_ui.h"
#include "forms.h"
#include "frm_main.h"
#include "resource_ids.h"
#include "xpstyle.h"

namespace {

using pindrel::ui::ControlKind;
using pindrel::ui::ControlEntry;
using pindrel::ui::FormLayout;
using pindrel::ui::TwipsToPixels;
using pindrel::ui::win32::FormBuilder;
using pindrel::ui::win32::Win32Form;

std::wstring WindowText(HWND w) {
  wchar_t buffer[512] = {};
  GetWindowTextW(w, buffer, 512);
  return buffer;
}

// Position of a control relative to its parent's client area.
RECT RelativeRect(HWND control) {
  RECT rc;
  GetWindowRect(control, &rc);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// Records the events a window's logic receives.
struct RecordingLogic : pindrel::ui::FormLogic {
  std::vector<std::string> events;
  bool throw_on_click = false;
  void Create(pindrel::ui::Form&) override { events.push_back("Create"); }
  void Load(pindrel::ui::Form&) override { events.push_back("Load"); }
  void Click(pindrel::ui::Form&, std::string_view c) override {
    events.push_back("Click " + std::string(c));
    if (throw_on_click) throw std::runtime_error("clicked into a wall");
  }
  void Change(pindrel::ui::Form&, std::string_view c) override { events.push_back("Change " + std::string(c)); }
  void CloseRequest(pindrel::ui::Form& f) override {
    events.push_back("CloseRequest");
    f.Close();
  }
};

class FormBuilderTest : public ::testing::Test {
 protected:
  fakes::FakeDesktop desktop;
  FormBuilder builder{GetModuleHandleW(nullptr), desktop};
  int dx() const { return builder.dpi_x(); }
  int dy() const { return builder.dpi_y(); }
};

// Text colour and background mode a control is drawn with, as its window
// answers WM_CTLCOLORSTATIC for it.
struct DrawnAs {
  COLORREF text;
  int mode;
};
DrawnAs ColoursOf(HWND form, HWND control) {
  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  DrawnAs drawn{GetTextColor(dc), GetBkMode(dc)};
  DeleteDC(dc);
  return drawn;
}

TEST_F(FormBuilderTest, EveryTableBecomesMatchingWindows) {
  namespace forms = pindrel::forms;
  for (const FormLayout* layout : {&forms::frmMain::Layout(), &forms::frmAbout::Layout(),
                                   &forms::frmvCardExport::Layout(), &forms::frmvCardImport::Layout()}) {
    SCOPED_TRACE(std::string(layout->name));
    pindrel::ui::FormLogic nothing;
    auto form = builder.Build(*layout, nothing, nullptr);
    ASSERT_TRUE(form->IsOpen());
    HWND w = form->window();
    EXPECT_EQ(WindowText(w), std::wstring(layout->title));
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, TwipsToPixels(layout->client_width, dx()));
    EXPECT_EQ(client.bottom, TwipsToPixels(layout->client_height, dy()));

    LONG style = GetWindowLongW(w, GWL_STYLE);
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, layout->min_button);
    EXPECT_EQ((style & WS_MAXIMIZEBOX) != 0, layout->max_button);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "fixed border";
    EXPECT_EQ((GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0, layout->show_in_taskbar);
    EXPECT_NE(SendMessageW(w, WM_GETICON, ICON_BIG, 0), 0) << "carries the icon";

    for (const ControlEntry& entry : layout->controls) {
      SCOPED_TRACE(std::string(entry.name));
      HWND c = form->ControlWindow(entry.name);
      ASSERT_NE(c, nullptr);
      HWND expected_parent = entry.container.empty() ? w : form->ControlWindow(entry.container);
      EXPECT_EQ(GetParent(c), expected_parent);
      RECT rc = RelativeRect(c);
      EXPECT_EQ(rc.left, TwipsToPixels(entry.position.left, dx()));
      EXPECT_EQ(rc.top, TwipsToPixels(entry.position.top, dy()));
      EXPECT_EQ(rc.right - rc.left, TwipsToPixels(entry.position.width, dx()));
      if (entry.kind == ControlKind::Line) {
        EXPECT_GE(rc.bottom - rc.top, 1) << "a line is at least a pixel thick";
      } else {
        EXPECT_EQ(rc.bottom - rc.top, TwipsToPixels(entry.position.height, dy()));
      }
      if (entry.kind != ControlKind::Image && entry.kind != ControlKind::VisualStyle) {
        EXPECT_EQ(WindowText(c), std::wstring(entry.caption));
      }
      EXPECT_EQ(IsWindowEnabled(c) != FALSE, !(entry.flags & pindrel::ui::kDisabled));
      EXPECT_EQ((GetWindowLongW(c, GWL_STYLE) & WS_VISIBLE) != 0, !(entry.flags & pindrel::ui::kHidden));
      if (entry.kind == ControlKind::OptionButton) {
        EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED, (entry.flags & pindrel::ui::kChecked) != 0);
      }
      if (entry.kind == ControlKind::TextBox) {
        EXPECT_EQ((GetWindowLongW(c, GWL_STYLE) & ES_READONLY) != 0, (entry.flags & pindrel::ui::kReadOnly) != 0);
      }
      if (entry.kind == ControlKind::Image && entry.picture != 0) {
        UINT type = (entry.flags & pindrel::ui::kIcon) ? IMAGE_ICON : IMAGE_BITMAP;
        EXPECT_NE(SendMessageW(c, STM_GETIMAGE, type, 0), 0) << "shows its picture";
      }
      if (entry.kind == ControlKind::Label && IsWindowEnabled(c)) {
        DrawnAs drawn = ColoursOf(w, c);
        COLORREF want = entry.colour == pindrel::ui::kSystemColour ? GetSysColor(COLOR_BTNTEXT) : entry.colour;
        EXPECT_EQ(drawn.text, want) << "text colour";
        EXPECT_EQ(drawn.mode, (entry.flags & pindrel::ui::kTransparent) ? TRANSPARENT : OPAQUE);
      }
      if (entry.kind != ControlKind::VisualStyle && entry.kind != ControlKind::Image &&
          entry.kind != ControlKind::Line) {
        LOGFONTW font{};
        HFONT handle = reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0));
        ASSERT_NE(handle, nullptr);
        GetObjectW(handle, sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
        EXPECT_EQ(font.lfHeight, -MulDiv(825, dy(), 7200));
        EXPECT_EQ(font.lfWeight >= FW_BOLD, (entry.flags & pindrel::ui::kBold) != 0);
      }
    }
    for (const auto& menu : layout->menus) {
      if (menu.parent.empty()) continue;
      EXPECT_EQ(form->Text(menu.name), std::wstring(menu.caption));
    }
  }
}

// A closed window keeps its Form object; every member is then a no-op and
// no handle of the gone window can be reached.
TEST_F(FormBuilderTest, ClosedWindowAnswersNothingAndChangesNothing) {
  RecordingLogic logic;
  auto form = builder.Build(pindrel::forms::frmvCardImport::Layout(), logic, nullptr);
  HWND label = form->ControlWindow("LblTotalvCards");
  form->Close();
  EXPECT_FALSE(form->IsOpen());
  EXPECT_FALSE(IsWindow(label));
  EXPECT_EQ(form->ControlWindow("LblTotalvCards"), nullptr);
  form->SetText("LblTotalvCards", L"3");
  form->SetEnabled("CmdImportvCard", true);
  form->SetVisible("LblvCardFile", true);
  form->SetChecked("CmdImportvCard", true);
  form->Close();
  EXPECT_EQ(form->Text("LblTotalvCards"), L"");
  EXPECT_FALSE(form->Enabled("CmdvCardImportConfigured"));
  EXPECT_FALSE(form->Visible("Label5"));
  EXPECT_EQ(logic.events, (std::vector<std::string>{"Create", "Load"}));
}

// A handler that yields to the window system and meanwhile loses its window
// (the user closed it) sees that and stops; nothing it does afterwards fails.
TEST_F(FormBuilderTest, YieldingHandlerFindsItsWindowClosed) {
  struct Logic : pindrel::ui::FormLogic {
    bool saw_closed = false;
    void Click(pindrel::ui::Form& f, std::string_view) override {
      PostMessageW(static_cast<Win32Form&>(f).window(), WM_CLOSE, 0, 0);  // the user's close box
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      saw_closed = !f.IsOpen();
      f.SetText("LblSaveOutlook", L"1/2");
    }
  } logic;
  auto form = builder.Build(pindrel::forms::frmvCardImport::Layout(), logic, nullptr);
  form->Show();
  SendMessageW(form->ControlWindow("CmdvCardImportConfigured"), BM_CLICK, 0, 0);
  EXPECT_TRUE(logic.saw_closed);
  EXPECT_TRUE(desktop.messages.empty()) << "no error reached the user";
}

// Opening and closing windows returns every GDI object they took: the
// About box's picture, the icons, and with the builder its fonts.
TEST_F(FormBuilderTest, WindowsGiveBackTheirGdiObjects) {
  const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::vector<HGDIOBJ> pictures;
  for (int i = 0; i < 50; ++i) {
    pindrel::FrmAbout logic;
    auto about = builder.Build(pindrel::forms::frmAbout::Layout(), logic, nullptr);
    pictures.push_back(reinterpret_cast<HGDIOBJ>(SendMessageW(about->ControlWindow("Image1"), STM_GETIMAGE, IMAGE_BITMAP, 0)));
    about->Close();
  }
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
  for (HGDIOBJ picture : pictures) EXPECT_EQ(GetObjectType(picture), 0u) << "picture freed with its window";

  HFONT font, bold;
  {
    FormBuilder another(GetModuleHandleW(nullptr), desktop);
    font = another.font(false);
    bold = another.font(true);
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
  }
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_EQ(GetObjectType(bold), 0u);
}

// Pixels of a control's area as its parent shows them on the screen.
std::vector<COLORREF> Capture(HWND control) {
  RECT rc = RelativeRect(control);
  HWND parent = GetParent(control);
  HDC screen = GetDC(parent);
  std::vector<COLORREF> pixels;
  for (int y = rc.top; y < rc.bottom; ++y)
    for (int x = rc.left; x < rc.right; ++x) pixels.push_back(GetPixel(screen, x, y));
  ReleaseDC(parent, screen);
  return pixels;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A see-through label whose text gets shorter shows no trace of the old text:
// its area looks exactly as it does with only the new text ever set.
TEST_F(FormBuilderTest, TransparentLabelRepaintsCleanlyWhenItsTextChanges) {
  pindrel::ui::FormLogic nothing;
  auto shown = [&](const std::vector<std::wstring>& texts) {
    auto form = builder.Build(pindrel::forms::frmvCardExport::Layout(), nothing, nullptr);
    form->Show();
    form->SetVisible("LblCurrent", true);
    Pump();
    for (const std::wstring& text : texts) {
      form->SetText("LblCurrent", text);
      Pump();
    }
    return Capture(form->ControlWindow("LblCurrent"));
  };
  std::vector<COLORREF> changed = shown({L"88888/88888", L"1/2"});
  std::vector<COLORREF> fresh = shown({L"1/2"});
  std::vector<COLORREF> long_text = shown({L"88888/88888"});
  if (long_text == fresh) GTEST_SKIP() << "this display driver keeps no pixels to compare";
  EXPECT_EQ(changed, fresh);
}

TEST_F(FormBuilderTest, MenuTextChangeKeepsTheItemGrayed) {
  pindrel::ui::FormLogic nothing;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  main->SetEnabled("mnuAbout", false);
  main->SetText("mnuAbout", L"About Pindrel...");
  EXPECT_EQ(main->Text("mnuAbout"), L"About Pindrel...");
  EXPECT_FALSE(main->Enabled("mnuAbout"));
}

TEST_F(FormBuilderTest, VisualStyleClassBelongsToTheModuleItsWindowsUse) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), pindrel::ui::win32::kXPStyleClass, &info));
}

TEST_F(FormBuilderTest, MainWindowStylesMenuBarAndTabOrder) {
  pindrel::ui::FormLogic nothing;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  HMENU bar = GetMenu(main->window());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  wchar_t text[64];
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&File");
  GetMenuStringW(bar, 1, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Help");

  // Siblings in tab order; a frame goes where its first control goes.
  std::vector<std::wstring> order;
  for (HWND c = GetWindow(main->window(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) order.push_back(WindowText(c));
  std::vector<std::wstring> want = {L"Proceed >>",
                                    L"Pindrel allows you to export outlook contacts to vCard file or you can import vCard file(s) to Outlook contacts.",
                                    L" vCard Import ", L" vCard Export ",
                                    L"I want to Export Outlook Contacts to vCard file(s)",
                                    L"I want to Import vCard file(s) to Outlook Contacts", L""};
  EXPECT_EQ(order, want);

  pindrel::ui::FormLogic about_logic;
  auto about = builder.Build(pindrel::forms::frmAbout::Layout(), about_logic, main->window());
  LONG style = GetWindowLongW(about->window(), GWL_STYLE);
  LONG ex = GetWindowLongW(about->window(), GWL_EXSTYLE);
  EXPECT_NE(ex & WS_EX_DLGMODALFRAME, 0);
  EXPECT_EQ(ex & WS_EX_APPWINDOW, 0) << "not in the taskbar";
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(GetWindow(about->window(), GW_OWNER), main->window());
}

TEST_F(FormBuilderTest, CentredOnScreenAndOnOwner) {
  pindrel::ui::FormLogic nothing;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  main->Show();
  RECT area, rc;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(main->window(), &rc);
  EXPECT_NEAR((rc.left + rc.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((rc.top + rc.bottom) / 2, (area.top + area.bottom) / 2, 1);

  auto about = builder.Build(pindrel::forms::frmAbout::Layout(), nothing, main->window());
  about->Show();
  RECT inner;
  GetWindowRect(about->window(), &inner);
  EXPECT_NEAR((inner.left + inner.right) / 2, (rc.left + rc.right) / 2, 1);
  EXPECT_NEAR((inner.top + inner.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
}

TEST_F(FormBuilderTest, EventsReachTheLogicByName) {
  RecordingLogic logic;
  auto form = builder.Build(pindrel::forms::frmMain::Layout(), logic, nullptr);
  form->Show();
  EXPECT_EQ(logic.events, (std::vector<std::string>{"Create", "Load"}));
  logic.events.clear();

  SendMessageW(form->ControlWindow("OptvCardImport"), BM_CLICK, 0, 0);
  EXPECT_TRUE(form->Checked("OptvCardImport"));
  EXPECT_FALSE(form->Checked("OptvCardExport"));
  form->SetEnabled("txtPSTfile", true);
  form->SetText("txtPSTfile", L"\\\\Personal Folders\\Contacts");
  form->SetText("txtPSTfile", L"\\\\Personal Folders\\Contacts");  // same text: no event
  SendMessageW(form->window(), WM_COMMAND, form->MenuId("mnuAbout"), 0);
  EXPECT_EQ(logic.events, (std::vector<std::string>{"Click OptvCardImport", "Change txtPSTfile", "Click mnuAbout"}));

  // A disabled button cannot be clicked.
  logic.events.clear();
  SendMessageW(form->ControlWindow("CmdProcess"), BM_CLICK, 0, 0);
  EXPECT_TRUE(logic.events.empty());

  SendMessageW(form->window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(logic.events, std::vector<std::string>{"CloseRequest"});
  EXPECT_FALSE(form->IsOpen());
  EXPECT_FALSE(IsWindow(form->ControlWindow("CmdProcess")));
}

TEST_F(FormBuilderTest, HandlerErrorIsReportedAndWindowLivesOn) {
  RecordingLogic logic;
  logic.throw_on_click = true;
  auto form = builder.Build(pindrel::forms::frmMain::Layout(), logic, nullptr);
  form->Show();
  SendMessageW(form->ControlWindow("OptvCardImport"), BM_CLICK, 0, 0);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].title, L"Pindrel");
  EXPECT_NE(desktop.messages[0].text.find(L"clicked into a wall"), std::wstring::npos);
  EXPECT_EQ(desktop.messages[0].owner, form.get());
  EXPECT_TRUE(form->IsOpen());
}

TEST_F(FormBuilderTest, MainWindowLogicOnRealControls) {
  pindrel::Module1 module;
  pindrel::AppContext app{module, desktop, [](std::wstring&, std::vector<std::wstring>&) { return 0; }, nullptr,
                          nullptr};
  pindrel::FrmMain logic(app);
  auto form = builder.Build(pindrel::forms::frmMain::Layout(), logic, nullptr);
  form->Show();
  EXPECT_EQ(WindowText(form->ControlWindow("txtExportSavePath")), desktop.desktop_directory);
  EXPECT_EQ(WindowText(form->ControlWindow("CmdProcess")), L"Export Outlook Contacts >>");
  EXPECT_FALSE(IsWindowEnabled(form->ControlWindow("CmdProcess")));
  EXPECT_TRUE(IsWindowEnabled(form->ControlWindow("txtPSTfile")));
  // The contacts folder choice fills the box: the change rule turns Proceed on.
  form->SetText("txtPSTfile", L"\\\\Personal Folders\\Contacts");
  EXPECT_TRUE(IsWindowEnabled(form->ControlWindow("CmdProcess")));
  SendMessageW(form->ControlWindow("OptvCardImport"), BM_CLICK, 0, 0);
  EXPECT_EQ(WindowText(form->ControlWindow("txtExportSavePath")), L"");
  EXPECT_EQ(WindowText(form->ControlWindow("CmdProcess")), L"Process vCard Files >>");
  EXPECT_FALSE(IsWindowEnabled(form->ControlWindow("CmdProcess")));
  EXPECT_TRUE(IsWindowEnabled(form->ControlWindow("CmdSelectFolder")));
  EXPECT_FALSE(IsWindowEnabled(form->ControlWindow("FramevCardExport")));
}

TEST_F(FormBuilderTest, VisualStyleControlKeepsItsSizeAndShellModule) {
  pindrel::ui::FormLogic nothing;
  auto form = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  HWND xp = form->ControlWindow("XPStyle1");
  ASSERT_NE(xp, nullptr);
  const int side_x = TwipsToPixels(810, dx()), side_y = TwipsToPixels(810, dy());
  for (SIZE asked : {SIZE{100, 20}, SIZE{1, 1}, SIZE{54, 54}}) {
    SetWindowPos(xp, nullptr, 0, 0, asked.cx, asked.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rc;
    GetWindowRect(xp, &rc);
    EXPECT_EQ(rc.right - rc.left, side_x);
    EXPECT_EQ(rc.bottom - rc.top, side_y);
  }
  RECT rc = RelativeRect(xp);
  RECT client;
  GetClientRect(form->window(), &client);
  EXPECT_GE(rc.left, client.right) << "never seen";
  auto shell = reinterpret_cast<HMODULE>(SendMessageW(xp, pindrel::ui::win32::kXPStyleGetShellModule, 0, 0));
  EXPECT_NE(shell, nullptr);
  EXPECT_EQ(shell, GetModuleHandleA("shell32.dll"));
}

TEST_F(FormBuilderTest, VisualStyleControlReleasesShellModuleWithItsWindow) {
  if (GetModuleHandleA("shell32.dll") != nullptr) GTEST_SKIP() << "shell32 is held by something else here";
  pindrel::ui::FormLogic nothing;
  auto form = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  EXPECT_NE(GetModuleHandleA("shell32.dll"), nullptr) << "loaded while the control lives";
  form->Close();
  EXPECT_EQ(GetModuleHandleA("shell32.dll"), nullptr) << "released when the window goes";
}

// A thread timer plays the user of the modal About box: it checks the owner
// is locked, then presses OK.
struct ModalProbe {
  static inline HWND main = nullptr;
  static inline HWND about = nullptr;
  static inline bool owner_was_disabled = false;
  static inline int ticks = 0;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    if (++ticks > 200) {  // a bound, not a speed assumption: give up and unblock
      if (about) PostMessageW(about, WM_CLOSE, 0, 0);
      KillTimer(nullptr, id);
      return;
    }
    if (about == nullptr || !IsWindowVisible(about)) return;
    owner_was_disabled = !IsWindowEnabled(main);
    KillTimer(nullptr, id);
    HWND ok = FindWindowExW(about, nullptr, L"BUTTON", L"&OK");
    SendMessageW(ok, BM_CLICK, 0, 0);
  }
};

TEST_F(FormBuilderTest, ModalWindowLocksItsOwnerUntilClosed) {
  pindrel::ui::FormLogic nothing;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  main->Show();
  pindrel::FrmAbout about_logic;
  auto about = builder.Build(pindrel::forms::frmAbout::Layout(), about_logic, main->window());
  ModalProbe::main = main->window();
  ModalProbe::about = about->window();
  SetTimer(nullptr, 0, 10, ModalProbe::Tick);
  about->ShowModal();
  EXPECT_LE(ModalProbe::ticks, 200) << "OK was never pressed";
  EXPECT_TRUE(ModalProbe::owner_was_disabled);
  EXPECT_FALSE(about->IsOpen());
  EXPECT_TRUE(IsWindowEnabled(main->window()));
}

}  // namespace
