// Pindrel.exe: the main window on the Windows desktop.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <memory>

#include "com_apartment.h"
#include "form_builder.h"
#include "forms.h"
#include "frm_main.h"
#include "guard.h"
#include "module1.h"
#include "store_dispatch.h"
#include "folder_listing.h"
#include "vcard_reader_com.h"
#include "win32_directory_lister.h"
#include "win32_desktop.h"
#include "win32_export_file.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace pindrel;
  // The window thread is a single-threaded apartment for its whole life: the
  // vCard reader and the store library are apartment-threaded COM objects
  // created on it.
  ComApartment apartment;
  Module1 module;
  Win32Desktop desktop;
  if (!apartment.usable()) {
    desktop.ShowMessage(nullptr,
                        ui::WidenUtf8(apartment.FailureText("Pindrel cannot start")) +
                            L"\r\nWithout COM, Pindrel can reach neither Outlook's contacts nor its vCard reader.",
                        L"Pindrel");
    return 1;
  }
  try {
    ui::win32::FormBuilder builder(instance, desktop);
    desktop.SetBuilder(&builder);
    Win32DirectoryLister lister;
    Win32ExportFiles export_files;
    AppContext app{module, desktop,
                   [&lister](std::wstring& root, std::vector<std::wstring>& found) {
                     return ListFiles(root, found, lister);
                   },
                   store::DispatchSessionFactory(), ComVCardReaderFactory()};
    app.export_files = &export_files;
    FrmMain logic(app);
    auto main_window = builder.Build(forms::frmMain::Layout(), logic, nullptr);
    main_window->EndLoopOnClose();
    if (!main_window->IsOpen()) return 0;
    main_window->Show();
    return ui::win32::RunMessageLoop();
  } catch (const std::exception& e) {
    // Only the start itself can get here; handlers report their own errors.
    desktop.ShowMessage(nullptr, ui::UnexpectedErrorText(ui::WidenUtf8(e.what())), L"Pindrel");
    return 1;
  }
}
