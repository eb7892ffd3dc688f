#include "forms.h"

#include <array>

#include "resource_ids.h"

namespace pindrel::forms {

using ui::ControlKind;
using ui::ControlEntry;
using ui::MenuEntry;
using enum ui::ControlFlags;

namespace {

// The main window: the choice between export and import, one frame per mode.
// Tab indexes follow the order the window has always had; the builder orders
// each container's children by them.
constexpr std::array kMainControls{
    ControlEntry{"Label1", ControlKind::Label, "",
                L"Pindrel allows you to export outlook contacts to vCard file or you can import vCard file(s) to Outlook contacts.",
                {240, 1560, 6585, 525}, 1},
    ControlEntry{"OptvCardExport", ControlKind::OptionButton, "",
                L"I want to Export Outlook Contacts to vCard file(s)", {240, 2160, 5775, 255}, 8, kChecked | kBold},
    ControlEntry{"FramevCardExport", ControlKind::Frame, "", L" vCard Export ", {240, 2520, 6735, 1935}, 5},
    ControlEntry{"Label3", ControlKind::Label, "FramevCardExport",
                L"Select Outlook Contacts for Export to vCard files", {120, 360, 4980, 285}, 7},
    ControlEntry{"txtPSTfile", ControlKind::TextBox, "FramevCardExport", L"", {120, 600, 4935, 375}, 6,
                kReadOnly | kDisabled},
    ControlEntry{"Label4", ControlKind::Label, "FramevCardExport", L"Select folder to save vCard files",
                {120, 1080, 4980, 285}, 11},
    ControlEntry{"txtExportSavePath", ControlKind::TextBox, "FramevCardExport", L"", {120, 1320, 4935, 375}, 10,
                kReadOnly | kDisabled},
    ControlEntry{"Picture1", ControlKind::PictureBox, "FramevCardExport", L"", {5040, 240, 1575, 1575}, 12},
    ControlEntry{"CmdPSTSelect", ControlKind::Button, "Picture1", L"Select...", {120, 360, 1335, 375}, 13},
    ControlEntry{"CmdBrowseExport", ControlKind::Button, "Picture1", L"Browse...", {120, 1080, 1335, 375}, 14},
    ControlEntry{"OptvCardImport", ControlKind::OptionButton, "",
                L"I want to Import vCard file(s) to Outlook Contacts", {240, 4800, 5775, 255}, 9, kBold},
    ControlEntry{"FramevCardImport", ControlKind::Frame, "", L" vCard Import ", {240, 5160, 6735, 1335}, 2},
    ControlEntry{"Label2", ControlKind::Label, "FramevCardImport",
                L"Select Folder where vCard files (.vcf) are stored", {120, 360, 4980, 285}, 4},
    ControlEntry{"txtVCFfolder", ControlKind::TextBox, "FramevCardImport", L"", {120, 600, 4935, 375}, 3,
                kReadOnly | kDisabled},
    ControlEntry{"Picture2", ControlKind::PictureBox, "FramevCardImport", L"", {5160, 240, 1455, 975}, 15},
    ControlEntry{"CmdSelectFolder", ControlKind::Button, "Picture2", L"Select...", {0, 360, 1335, 375}, 16},
    ControlEntry{"CmdProcess", ControlKind::Button, "", L"Proceed >>", {2400, 6720, 2445, 375}, 0, kDisabled},
    // Outside the client area on purpose: it is there for its creation and
    // destruction, never to be seen.
    ControlEntry{"XPStyle1", ControlKind::VisualStyle, "", L"", {10080, 4920, 810, 810}, -1, kNone, IDB_XPSTYLE},
};

constexpr std::array kMainMenus{
    MenuEntry{"mnuFile", "", L"&File"},
    MenuEntry{"mnuExit", "mnuFile", L"E&xit"},
    MenuEntry{"mnuHelp", "", L"Help"},
    MenuEntry{"mnuContents", "mnuHelp", L"Contents"},
    MenuEntry{"mnuAbout", "mnuHelp", L"About..."},
};

constexpr std::array kAboutControls{
    ControlEntry{"Image1", ControlKind::Image, "", L"", {0, 120, 2295, 1665}, -1, kNone, IDB_ABOUT},
    ControlEntry{"Label1", ControlKind::Label, "", L"Pindrel v2.0", {2400, 360, 2055, 255}, -1},
    ControlEntry{"CmdOK", ControlKind::Button, "", L"&OK", {1800, 1680, 1695, 375}, 0, kDefault},
};

const ui::FormLayout kMain{
    .name = "frmMain",
    .title = L"Pindrel",
    .client_width = 7215,
    .client_height = 7320,
    .border = ui::Border::FixedSingle,
    .min_button = true,
    .max_button = false,
    .show_in_taskbar = true,
    .start = ui::StartPosition::CenterScreen,
    .background = ui::Background::Light3D,
    .icon = IDI_PINDREL,
    .picture = IDB_BANNER,
    .controls = kMainControls,
    .menus = kMainMenus,
};

const ui::FormLayout kAbout{
    .name = "frmAbout",
    .title = L" About",
    .client_width = 5280,
    .client_height = 2205,
    .border = ui::Border::FixedDialog,
    .min_button = false,
    .max_button = false,
    .show_in_taskbar = false,
    .start = ui::StartPosition::CenterOwner,
    .background = ui::Background::White,
    .icon = IDI_PINDREL,
    .picture = 0,
    .controls = kAboutControls,
    .menus = {},
};

}  // namespace

const ui::FormLayout& frmMain() { return kMain; }
const ui::FormLayout& frmAbout() { return kAbout; }

}  // namespace pindrel::forms
