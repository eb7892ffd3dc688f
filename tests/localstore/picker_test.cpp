// The folder picker answered through its controls, as a user would: the
// test runs a script of steps from a thread timer inside the dialog's own
// message loop. Each step waits for a state (the dialog shown, the tree's
// selection moved) before it acts; nothing waits for a fixed time and
// nothing is found by screen position.
#include "dispatch_support.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "localstore_resource.h"

namespace localstore_test {
namespace {

using Step = std::function<bool()>;

struct Script {
  std::vector<Step> steps;
  std::size_t next = 0;
  int ticks = 0;
  bool gave_up = false;
};
Script* g_script = nullptr;

struct Found {
  const wchar_t* caption;
  HWND window = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<Found*>(data);
  wchar_t class_name[32] = {}, title[256] = {};
  GetClassNameW(window, class_name, 32);
  GetWindowTextW(window, title, 256);
  if (std::wstring(class_name) == L"#32770" && IsWindowVisible(window) && std::wstring(title) == found->caption) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

// A visible dialog of this thread with that caption, or null.
HWND Dialog(const wchar_t* caption) {
  Found found{caption};
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t text[256] = {};
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = 256;
  SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM Selected(HWND tree) { return Next(tree, nullptr, TVGN_CARET); }

// The item at a path of names from a store down.
HTREEITEM FindItem(HWND tree, std::initializer_list<const wchar_t*> path) {
  HTREEITEM item = Next(tree, nullptr, TVGN_ROOT);
  HTREEITEM found = nullptr;
  for (const wchar_t* name : path) {
    while (item && ItemText(tree, item) != name) item = Next(tree, item, TVGN_NEXT);
    if (!item) return nullptr;
    found = item;
    item = Next(tree, item, TVGN_CHILD);
  }
  return found;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script& script = *g_script;
  if (script.next < script.steps.size() && script.steps[script.next]()) ++script.next;
  // A picker that never reaches the state a step waits for must not hang
  // the run: after a generous bound, cancel whatever dialog is open.
  if (++script.ticks > 6000 && !script.gave_up) {
    script.gave_up = true;
    for (const wchar_t* caption : {L"New Folder", L"Please select a Contacts folder", L"Pick"})
      if (HWND dialog = Dialog(caption)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }
}

class PickerTest : public StoreTest {
 protected:
  // Calls PickFolder with the program's arguments while `steps` answer it.
  Outcome Pick(std::vector<Step> steps, const wchar_t* caption = L"Please select a Contacts folder") {
    return PickFrom(Arg::Object(contacts_.Get()), std::move(steps), caption);
  }
  // The same, starting at `start`.
  Outcome PickFrom(Arg start, std::vector<Step> steps, const wchar_t* caption = L"Please select a Contacts folder") {
    Script script{std::move(steps)};
    g_script = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    Outcome out = Call(session_.Get(), L"PickFolder", kMethod,
                       {start, Arg::Str(caption), Arg::Omitted(), Arg::I2(1), Arg::I4(2)});
    KillTimer(nullptr, timer);
    g_script = nullptr;
    EXPECT_FALSE(script.gave_up) << "the script stopped at step " << script.next;
    EXPECT_EQ(script.next, script.steps.size());
    return out;
  }

  static Step Click(const wchar_t* caption, int id) {
    return [=] {
      HWND dialog = Dialog(caption);
      if (!dialog) return false;
      PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
      return true;
    };
  }
  static Step Key(UINT key) {
    return [=] {
      HWND dialog = Dialog(L"Please select a Contacts folder");
      if (!dialog) return false;
      PostMessageW(GetDlgItem(dialog, IDC_FOLDER_TREE), WM_KEYDOWN, key, 0);
      return true;
    };
  }
  static Step WaitSelected(const wchar_t* text) {
    return [=] {
      HWND dialog = Dialog(L"Please select a Contacts folder");
      if (!dialog) return false;
      HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
      HTREEITEM selected = Selected(tree);
      return selected && ItemText(tree, selected) == text;
    };
  }
};

TEST_F(PickerTest, OkReturnsThePreselectedFolderShownInItsStore) {
  bool checked = false;
  Outcome out = Pick({
      [&] {
        HWND dialog = Dialog(L"Please select a Contacts folder");
        if (!dialog) return false;
        HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
        EXPECT_EQ(GetDlgItem(dialog, IDOK) != nullptr && GetDlgItem(dialog, IDCANCEL) != nullptr, true);
        wchar_t label[64] = {};
        GetDlgItemTextW(dialog, IDC_NEW_FOLDER, label, 64);
        EXPECT_EQ(std::wstring(label), L"&New Folder...");
        HTREEITEM selected = Selected(tree);
        EXPECT_EQ(selected, FindItem(tree, {L"Personal Folders", L"Contacts"}));
        HTREEITEM store = Next(tree, selected, TVGN_PARENT);
        EXPECT_TRUE(SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(store), TVIS_EXPANDED) & TVIS_EXPANDED);
        EXPECT_TRUE(FindItem(tree, {L"Personal Folders", L"Inbox"}));
        EXPECT_TRUE(FindItem(tree, {L"Personal Folders", L"Calendar"}));
        checked = true;
        return true;
      },
      Click(L"Please select a Contacts folder", IDOK),
  });
  EXPECT_TRUE(checked);
  ASSERT_EQ(out.hr, S_OK) << testing::PrintToString(out.description);
  ASSERT_NE(out.Object(), nullptr);
  EXPECT_EQ(GetText(out.Object(), L"EntryID"), GetText(contacts_.Get(), L"EntryID"));
}

TEST_F(PickerTest, CancelEscapeAndTheCloseBoxReturnNoFolder) {
  struct Case { const char* what; Step answer; };
  const Case cases[] = {
      {"Cancel", Click(L"Please select a Contacts folder", IDCANCEL)},
      {"Esc", Key(VK_ESCAPE)},
      {"close box",
       [] {
         HWND dialog = Dialog(L"Please select a Contacts folder");
         if (dialog) PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
         return dialog != nullptr;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome out = Pick({c.answer});
    EXPECT_EQ(out.hr, S_OK);
    EXPECT_EQ(V_VT(&out.result->Get()), VT_DISPATCH);
    EXPECT_EQ(out.Object(), nullptr);
  }
}

// The start folder as hosts pass it: by reference, or Nothing or Null in
// its place (by value or by reference), which start at no folder.
TEST_F(PickerTest, StartFolderByReferenceOrNothing) {
  IDispatch* folder = contacts_.Get();
  IDispatch* no_object = nullptr;
  IUnknown* no_unknown = nullptr;
  VARIANT null;
  V_VT(&null) = VT_NULL;
  const Step cancel = Click(L"Please select a Contacts folder", IDCANCEL);
  struct Case {
    const char* what;
    Arg start;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"a folder by reference", Arg::Ref(VT_DISPATCH, &folder), {WaitSelected(L"Contacts"), cancel}},
      {"Nothing", Arg::Object(nullptr), {cancel}},
      {"Nothing by reference", Arg::Ref(VT_DISPATCH, &no_object), {cancel}},
      {"Nothing as an IUnknown by reference", Arg::Ref(VT_UNKNOWN, &no_unknown), {cancel}},
      {"Null by reference", Arg::Ref(VT_VARIANT, &null), {cancel}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome out = PickFrom(c.start, c.steps);
    EXPECT_EQ(out.hr, S_OK) << std::hex << out.hr;
    EXPECT_EQ(out.Object(), nullptr);
  }
}

TEST_F(PickerTest, AnotherFolderChosenInTheTreeOrWithTheKeyboard) {
  // Through the tree's own message, then OK.
  Outcome by_tree = Pick({
      [] {
        HWND dialog = Dialog(L"Please select a Contacts folder");
        if (!dialog) return false;
        HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(FindItem(tree, {L"Personal Folders", L"Calendar"})));
        return true;
      },
      WaitSelected(L"Calendar"),
      Click(L"Please select a Contacts folder", IDOK),
  });
  ASSERT_NE(by_tree.Object(), nullptr);
  EXPECT_EQ(GetText(by_tree.Object(), L"FolderPath"), L"\\\\Personal Folders\\Calendar");
  EXPECT_EQ(GetText(by_tree.Object(), L"DefaultMessageClass"), L"IPM.Appointment");

  // Down arrow from Contacts to Inbox, then Enter.
  Outcome by_keys = Pick({WaitSelected(L"Contacts"), Key(VK_DOWN), WaitSelected(L"Inbox"), Key(VK_RETURN)});
  ASSERT_NE(by_keys.Object(), nullptr);
  EXPECT_EQ(GetText(by_keys.Object(), L"FolderPath"), L"\\\\Personal Folders\\Inbox");
}

TEST_F(PickerTest, NewFolderMakesAContactsFolderUnderTheSelectedOne) {
  Outcome out = Pick({
      WaitSelected(L"Contacts"),
      Click(L"Please select a Contacts folder", IDC_NEW_FOLDER),
      [] {
        HWND prompt = Dialog(L"New Folder");
        if (!prompt) return false;
        SetDlgItemTextW(prompt, IDC_FOLDER_NAME, L"Imported \u00e9t\u00e9");
        PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
        return true;
      },
      WaitSelected(L"Imported \u00e9t\u00e9"),
      Click(L"Please select a Contacts folder", IDOK),
  });
  ASSERT_EQ(out.hr, S_OK) << testing::PrintToString(out.description);
  ASSERT_NE(out.Object(), nullptr);
  EXPECT_EQ(GetText(out.Object(), L"FolderPath"), L"\\\\Personal Folders\\Contacts\\Imported \u00e9t\u00e9");
  EXPECT_EQ(GetText(out.Object(), L"DefaultMessageClass"), L"IPM.Contact");
  // It is a folder of the profile, not of the dialog: the contacts folder
  // lists it.
  ComPtr<IDispatch> folders = Get(contacts_.Get(), L"Folders");
  EXPECT_EQ(V_I4(&Call(folders.Get(), L"Count", kGet).result->Get()), 1);

  // Cancelling the prompt creates nothing.
  Outcome cancelled = Pick({
      WaitSelected(L"Contacts"),
      Click(L"Please select a Contacts folder", IDC_NEW_FOLDER),
      Click(L"New Folder", IDCANCEL),
      [] { return Dialog(L"New Folder") == nullptr; },
      Click(L"Please select a Contacts folder", IDCANCEL),
  });
  EXPECT_EQ(cancelled.Object(), nullptr);
  EXPECT_EQ(V_I4(&Call(folders.Get(), L"Count", kGet).result->Get()), 1);
}

TEST_F(PickerTest, TheActiveWindowOwnsThePicker) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"PickerOwnerTest";
  RegisterClassW(&window_class);
  HWND owner = CreateWindowW(L"PickerOwnerTest", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  SetActiveWindow(owner);
  HWND active = GetActiveWindow();
  HWND seen_owner = reinterpret_cast<HWND>(-1);
  Pick({
      [&] {
        HWND dialog = Dialog(L"Please select a Contacts folder");
        if (!dialog) return false;
        seen_owner = GetWindow(dialog, GW_OWNER);
        return true;
      },
      Click(L"Please select a Contacts folder", IDCANCEL),
  });
  EXPECT_EQ(seen_owner, active);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace localstore_test
