// The program's desktop on real Windows machinery: Help > Contents opens
// Manual.chm from the program's directory in the help viewer, and pending
// messages run when the logic asks for it.
#include "win32_desktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "forms.h"

namespace {

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

struct FoundViewer {
  HWND window = nullptr;
};

BOOL CALLBACK FindViewer(HWND window, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(window, cls, 64);
  if (std::wstring(cls) == L"HH Parent" && IsWindowVisible(window)) {
    reinterpret_cast<FoundViewer*>(found)->window = window;
    return FALSE;
  }
  return TRUE;
}

struct CountingClicks : pindrel::ui::FormLogic {
  int clicks = 0;
  void Click(pindrel::ui::Form&, std::string_view) override { ++clicks; }
};

class DesktopTest : public ::testing::Test {
 protected:
  pindrel::Win32Desktop desktop;
  pindrel::ui::win32::FormBuilder builder{GetModuleHandleW(nullptr), desktop};
  pindrel::ui::FormLogic nothing;
  void SetUp() override { desktop.SetBuilder(&builder); }
};

TEST_F(DesktopTest, HelpOpensTheManualNextToTheProgram) {
  std::wstring manual = ProgramDirectory() + L"Manual.chm";
  ASSERT_NE(GetFileAttributesW(manual.c_str()), INVALID_FILE_ATTRIBUTES) << "Manual.chm is not built";
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), nothing, nullptr);
  main->Show();
  desktop.ShowHelp(*main);
  FoundViewer found;
  // The viewer may create its window asynchronously: pump and look again,
  // a bounded number of times.
  for (int i = 0; i < 100 && !found.window; ++i) {
    desktop.DoEvents();
    EnumWindows(FindViewer, reinterpret_cast<LPARAM>(&found));
    if (!found.window) Sleep(50);
  }
  ASSERT_NE(found.window, nullptr) << "no help viewer window";
  wchar_t title[256] = {};
  GetWindowTextW(found.window, title, 256);
  EXPECT_NE(std::wstring(title), L"");
  DestroyWindow(found.window);
}

TEST_F(DesktopTest, DoEventsRunsPendingMessages) {
  CountingClicks logic;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), logic, nullptr);
  main->Show();
  PostMessageW(main->window(), WM_COMMAND, main->MenuId("mnuAbout"), 0);
  EXPECT_EQ(logic.clicks, 0);
  desktop.DoEvents();
  EXPECT_EQ(logic.clicks, 1);
}

// The owner is disabled before the modal window is built, so a click that
// reaches the owner while the modal window loads (its Load yields to pending
// messages) opens nothing; once the modal window is gone the owner takes
// clicks again.
TEST_F(DesktopTest, TheOwnerTakesNoClicksWhileAModalWindowLoads) {
  CountingClicks main_logic;
  auto main = builder.Build(pindrel::forms::frmMain::Layout(), main_logic, nullptr);
  main->Show();
  HWND button = main->ControlWindow("CmdBrowseExport");
  ASSERT_TRUE(button && IsWindowEnabled(button));
  auto click_owner = [&] {
    PostMessageW(main->window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  };
  struct Loading : pindrel::ui::FormLogic {
    pindrel::Win32Desktop& desktop;
    std::function<void()> click_owner;
    HWND owner;
    bool owner_enabled = true;
    Loading(pindrel::Win32Desktop& d, std::function<void()> c, HWND o) : desktop(d), click_owner(c), owner(o) {}
    void Load(pindrel::ui::Form& form) override {
      owner_enabled = IsWindowEnabled(owner);
      click_owner();
      desktop.DoEvents();
      form.Close();
    }
  } modal(desktop, click_owner, main->window());
  desktop.ShowModal(pindrel::forms::frmAbout::Layout(), modal, *main);
  EXPECT_FALSE(modal.owner_enabled);
  EXPECT_EQ(main_logic.clicks, 0);
  EXPECT_TRUE(IsWindowEnabled(main->window()));
  click_owner();
  desktop.DoEvents();
  EXPECT_EQ(main_logic.clicks, 1);
}

}  // namespace
