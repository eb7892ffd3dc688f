// The folder picker, in plain Win32: a dialog template from the module's
// resources, a tree view of every store and folder, and a small prompt for
// the name of a new folder. Keyboard use is the dialog manager's: arrows
// move in the tree, Enter is OK, Esc is Cancel.
#include "picker.h"

#include <commctrl.h>

#include <deque>
#include <new>

#include "dispatch.h"
#include "localstore_resource.h"
#include "text.h"

namespace localstore::com {
namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::wstring WideUtf8(std::string_view text) { return Wide(FromUtf8(text)); }

struct PickerState {
  Profile& profile;
  std::wstring caption;
  std::optional<FolderChoice> start;
  std::optional<FolderChoice> chosen;
  std::optional<StoreFailure> failure;  // what ended the dialog early
  // Tree items point into this by their lParam; a deque keeps addresses.
  std::deque<FolderChoice> nodes;
};

HTREEITEM AddNode(HWND tree, HTREEITEM parent, const std::u16string& text, PickerState& state,
                  FolderChoice choice) {
  state.nodes.push_back(std::move(choice));
  std::wstring label = Wide(text);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = label.data();
  insert.item.lParam = reinterpret_cast<LPARAM>(&state.nodes.back());
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void AddChildren(HWND tree, HTREEITEM parent, const StoreInfo& store, const std::string& folder_id,
                 PickerState& state, HTREEITEM& to_select, int depth) {
  if (depth > 64) return;  // a damaged tree cannot make this loop
  for (const FolderInfo* child : store.Children(folder_id)) {
    HTREEITEM item = AddNode(tree, parent, child->name, state, {store.id, child->id});
    if (state.start && state.start->store_id == store.id && NormaliseId(state.start->folder_id) == child->id)
      to_select = item;
    AddChildren(tree, item, store, child->id, state, to_select, depth + 1);
  }
}

const FolderChoice* Selected(HWND tree, HTREEITEM* item_out = nullptr) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (item_out) *item_out = item;
  if (!item) return nullptr;
  TVITEMW data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
  return reinterpret_cast<const FolderChoice*>(data.lParam);
}

void FillTree(HWND dialog, PickerState& state) {
  HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
  HTREEITEM to_select = nullptr;
  HTREEITEM first = nullptr;
  for (const StoreInfo& store : state.profile.Stores()) {
    HTREEITEM root = AddNode(tree, TVI_ROOT, store.name, state, {store.id, store.root});
    if (!first) first = root;
    if (state.start && state.start->store_id == store.id && NormaliseId(state.start->folder_id) == store.root)
      to_select = root;
    AddChildren(tree, root, store, store.root, state, to_select, 0);
    // Stores open one level, so their folders show at once.
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  }
  HTREEITEM selected = to_select ? to_select : first;
  if (selected) {
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(selected));
  }
}

INT_PTR CALLBACK NameProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SendDlgItemMessageW(dialog, IDC_FOLDER_NAME, EM_LIMITTEXT, 255, 0);
      SetFocus(GetDlgItem(dialog, IDC_FOLDER_NAME));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* name = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, IDC_FOLDER_NAME);
        int length = GetWindowTextLengthW(edit);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(edit, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        while (!text.empty() && text.back() == L' ') text.pop_back();
        while (!text.empty() && text.front() == L' ') text.erase(0, 1);
        if (text.empty()) {
          MessageBeep(MB_ICONWARNING);
          return TRUE;
        }
        *name = text;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

void NewFolder(HWND dialog, PickerState& state) {
  HWND tree = GetDlgItem(dialog, IDC_FOLDER_TREE);
  HTREEITEM parent_item = nullptr;
  const FolderChoice* parent = Selected(tree, &parent_item);
  if (!parent) {
    MessageBoxW(dialog, L"Select the folder to create the new folder in.", L"New Folder", MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::wstring name;
  if (DialogBoxParamW(ModuleHandle(), MAKEINTRESOURCEW(IDD_NEW_FOLDER), dialog, NameProc,
                      reinterpret_cast<LPARAM>(&name)) != IDOK)
    return;
  try {
    FolderChoice where = *parent;
    FolderInfo folder = state.profile.AddFolder(where.store_id, where.folder_id,
                                                std::u16string(name.begin(), name.end()), kContactClass);
    HTREEITEM item = AddNode(tree, parent_item, folder.name, state, {where.store_id, folder.id});
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent_item));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SetFocus(tree);
  } catch (const StoreFailure& failure) {
    std::wstring text = L"The folder could not be created: " + WideUtf8(failure.what());
    MessageBoxW(dialog, text.c_str(), L"New Folder", MB_OK | MB_ICONINFORMATION);
  }
}

INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  // Nothing may leave a window procedure as an exception.
  try {
    switch (message) {
      case WM_INITDIALOG: {
        auto* state = reinterpret_cast<PickerState*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        SetWindowTextW(dialog, state->caption.c_str());
        FillTree(dialog, *state);
        SetFocus(GetDlgItem(dialog, IDC_FOLDER_TREE));
        return FALSE;
      }
      case WM_COMMAND: {
        auto* state = reinterpret_cast<PickerState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!state) break;
        switch (LOWORD(wparam)) {
          case IDOK:
            if (const FolderChoice* chosen = Selected(GetDlgItem(dialog, IDC_FOLDER_TREE))) {
              state->chosen = *chosen;
              EndDialog(dialog, IDOK);
            } else {
              MessageBeep(MB_ICONWARNING);
            }
            return TRUE;
          case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
          case IDC_NEW_FOLDER:
            NewFolder(dialog, *state);
            return TRUE;
        }
        break;
      }
      case WM_NOTIFY: {
        // A double click on a folder chooses it, as OK does.
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->idFrom == IDC_FOLDER_TREE && header->code == NM_DBLCLK) {
          SendMessageW(dialog, WM_COMMAND, IDOK, 0);
          return TRUE;
        }
        break;
      }
    }
  } catch (const StoreFailure& failure) {
    if (auto* state = reinterpret_cast<PickerState*>(GetWindowLongPtrW(dialog, DWLP_USER)))
      state->failure = failure;
    EndDialog(dialog, -1);
    return TRUE;
  } catch (...) {
    EndDialog(dialog, -1);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::optional<FolderChoice> ShowFolderPicker(HWND owner, Profile& profile, const std::wstring& caption,
                                             const std::optional<FolderChoice>& start) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  PickerState state{profile, caption, start, std::nullopt, std::nullopt, {}};
  INT_PTR result = DialogBoxParamW(ModuleHandle(), MAKEINTRESOURCEW(IDD_PICK_FOLDER), owner, PickerProc,
                                   reinterpret_cast<LPARAM>(&state));
  if (state.failure) throw *state.failure;
  if (result == -1) throw StoreFailure(Code::CallFailed, "the folder picker could not be shown");
  if (result != IDOK) return std::nullopt;
  return state.chosen;
}

}  // namespace localstore::com
