#include "forms.h"

#include <array>

#include "resource_ids.h"

namespace pindrel::forms {

using ui::ControlKind;
using ui::ControlEntry;
using ui::MenuEntry;
using ui::Rgb;
using enum ui::ControlFlags;

namespace {

// The main window: the choice between export and import, one frame per mode.
// Tab indexes follow the order the window has always had; the builder orders
// each container's children by them. Its labels are see-through, so the
// first one sits on the banner.
namespace m = frmMain;
constexpr std::array kMainControls{
    ControlEntry{m::Label1, ControlKind::Label, "",
                L"Pindrel allows you to export outlook contacts to vCard file or you can import vCard file(s) to Outlook contacts.",
                {240, 1560, 6585, 525}, 1, kTransparent},
    ControlEntry{m::OptvCardExport, ControlKind::OptionButton, "",
                L"I want to Export Outlook Contacts to vCard file(s)", {240, 2160, 5775, 255}, 8, kChecked | kBold},
    ControlEntry{m::FramevCardExport, ControlKind::Frame, "", L" vCard Export ", {240, 2520, 6735, 1935}, 5},
    ControlEntry{m::Label3, ControlKind::Label, m::FramevCardExport,
                L"Select Outlook Contacts for Export to vCard files", {120, 360, 4980, 285}, 7, kTransparent},
    ControlEntry{m::txtPSTfile, ControlKind::TextBox, m::FramevCardExport, L"", {120, 600, 4935, 375}, 6,
                kReadOnly | kDisabled},
    ControlEntry{m::Label4, ControlKind::Label, m::FramevCardExport, L"Select folder to save vCard files",
                {120, 1080, 4980, 285}, 11, kTransparent},
    ControlEntry{m::txtExportSavePath, ControlKind::TextBox, m::FramevCardExport, L"", {120, 1320, 4935, 375}, 10,
                kReadOnly | kDisabled},
    ControlEntry{m::Picture1, ControlKind::PictureBox, m::FramevCardExport, L"", {5040, 240, 1575, 1575}, 12},
    ControlEntry{m::CmdPSTSelect, ControlKind::Button, m::Picture1, L"Select...", {120, 360, 1335, 375}, 13},
    ControlEntry{m::CmdBrowseExport, ControlKind::Button, m::Picture1, L"Browse...", {120, 1080, 1335, 375}, 14},
    ControlEntry{m::OptvCardImport, ControlKind::OptionButton, "",
                L"I want to Import vCard file(s) to Outlook Contacts", {240, 4800, 5775, 255}, 9, kBold},
    ControlEntry{m::FramevCardImport, ControlKind::Frame, "", L" vCard Import ", {240, 5160, 6735, 1335}, 2},
    ControlEntry{m::Label2, ControlKind::Label, m::FramevCardImport,
                L"Select Folder where vCard files (.vcf) are stored", {120, 360, 4980, 285}, 4, kTransparent},
    ControlEntry{m::txtVCFfolder, ControlKind::TextBox, m::FramevCardImport, L"", {120, 600, 4935, 375}, 3,
                kReadOnly | kDisabled},
    ControlEntry{m::Picture2, ControlKind::PictureBox, m::FramevCardImport, L"", {5160, 240, 1455, 975}, 15},
    ControlEntry{m::CmdSelectFolder, ControlKind::Button, m::Picture2, L"Select...", {0, 360, 1335, 375}, 16},
    ControlEntry{m::CmdProcess, ControlKind::Button, "", L"Proceed >>", {2400, 6720, 2445, 375}, 0, kDisabled},
    // Outside the client area on purpose: it is there for its creation and
    // destruction, never to be seen.
    ControlEntry{m::XPStyle1, ControlKind::VisualStyle, "", L"", {10080, 4920, 810, 810}, -1, kNone, IDB_XPSTYLE},
};

constexpr std::array kMainMenus{
    MenuEntry{m::mnuFile, "", L"&File"},
    MenuEntry{m::mnuExit, m::mnuFile, L"E&xit"},
    MenuEntry{m::mnuHelp, "", L"Help"},
    MenuEntry{m::mnuContents, m::mnuHelp, L"Contents"},
    MenuEntry{m::mnuAbout, m::mnuHelp, L"About..."},
};

namespace a = frmAbout;
constexpr std::array kAboutControls{
    ControlEntry{a::Image1, ControlKind::Image, "", L"", {0, 120, 2295, 1665}, -1, kNone, IDB_ABOUT},
    ControlEntry{a::Label1, ControlKind::Label, "", L"Pindrel v2.0", {2400, 360, 2055, 255}, -1, kTransparent},
    ControlEntry{a::CmdOK, ControlKind::Button, "", L"&OK", {1800, 1680, 1695, 375}, 0, kDefault},
};

// Value labels are dark blue, fixed captions of values dark red.
constexpr ui::Colour kValueBlue = Rgb(0, 0, 192);
constexpr ui::Colour kNameNavy = Rgb(0, 0, 128);
constexpr ui::Colour kCaptionRed = Rgb(192, 0, 0);
constexpr ui::Colour kLineGrey = Rgb(224, 224, 224);

namespace e = frmvCardExport;
constexpr std::array kExportControls{
    ControlEntry{e::FrameProgress, ControlKind::Frame, "", L" Summary ", {240, 120, 6405, 1905}},
    ControlEntry{e::LblProgress, ControlKind::Label, e::FrameProgress, L"Number of Contacts Found : ",
                {120, 360, 2055, 375}},
    ControlEntry{e::LblTotalContacts, ControlKind::Label, e::FrameProgress, L"", {2400, 360, 1095, 255}, -1, kBold,
                0, kValueBlue},
    ControlEntry{e::sLblProcessing, ControlKind::Label, e::FrameProgress, L"Processing : ", {4080, 360, 975, 255}},
    ControlEntry{e::LblCurrent, ControlKind::Label, e::FrameProgress, L"", {5160, 360, 1095, 255}, -1,
                kBold | kTransparent, 0, kValueBlue},
    ControlEntry{e::Label2, ControlKind::Label, e::FrameProgress, L"Selected PST File > ", {120, 720, 2175, 255}, -1,
                kNone, 0, kCaptionRed},
    ControlEntry{e::LblCurrentPSTName, ControlKind::Label, e::FrameProgress, L"", {2400, 720, 3855, 255}, -1,
                kTransparent, 0, kValueBlue},
    ControlEntry{e::Line1, ControlKind::Line, e::FrameProgress, L"", {120, 960, 6120, 0}, -1, kNone, 0, kLineGrey},
    ControlEntry{e::Label3, ControlKind::Label, e::FrameProgress, L"Saving Path for vCard File > ",
                {120, 1080, 2175, 255}, -1, kNone, 0, kCaptionRed},
    ControlEntry{e::LblSavingPath, ControlKind::Label, e::FrameProgress, L"", {2400, 1080, 3855, 375}, -1, kNone, 0,
                kValueBlue},
    ControlEntry{e::imgContactICON, ControlKind::Image, e::FrameProgress, L"", {1920, 1440, 240, 240}, -1,
                kIcon | kHidden, IDI_CONTACT},
    ControlEntry{e::LblCurrentContact, ControlKind::Label, e::FrameProgress, L"", {2400, 1440, 3855, 255}, -1, kNone,
                0, kNameNavy},
    // What the export writes: a file per contact as before, or all of them
    // in one file of either version.
    ControlEntry{e::FrameFormat, ControlKind::Frame, "", L" Write ", {240, 2085, 6405, 1035}},
    ControlEntry{e::OptOneFileEach, ControlKind::OptionButton, e::FrameFormat,
                L"One file per contact, as the mail client writes it", {120, 240, 6135, 255}, 1, kChecked},
    ControlEntry{e::OptOneFile30, ControlKind::OptionButton, e::FrameFormat,
                L"All contacts in one file, vCard 3.0 (phones, webmail, most address books)", {120, 480, 6135, 255},
                2},
    ControlEntry{e::OptOneFile40, ControlKind::OptionButton, e::FrameFormat,
                L"All contacts in one file, vCard 4.0", {120, 720, 6135, 255}, 3},
    ControlEntry{e::CmdExport, ControlKind::Button, "", L"Export to vCard", {2400, 3240, 2055, 375}, 0},
};

namespace i = frmvCardImport;
constexpr std::array kImportControls{
    // Only the first row of the summary frame shows: the rows at 960 and
    // 1320 lie below its height and are clipped by it.
    ControlEntry{i::FrameProgress, ControlKind::Frame, "", L"vCard Summary", {240, 120, 6405, 825}},
    ControlEntry{i::LblProgress, ControlKind::Label, i::FrameProgress, L"Number of vCards Found : ",
                {120, 360, 2055, 375}},
    ControlEntry{i::LblTotalvCards, ControlKind::Label, i::FrameProgress, L"", {2160, 360, 3375, 255}, -1, kBold, 0,
                kValueBlue},
    ControlEntry{i::Label2, ControlKind::Label, i::FrameProgress, L"Processing Current PST File : ",
                {480, 960, 2175, 255}},
    ControlEntry{i::LblCurrentPSTName, ControlKind::Label, i::FrameProgress, L"", {2760, 960, 4455, 255}, -1, kBold, 0,
                kValueBlue},
    ControlEntry{i::LblCurrentPSTFolder, ControlKind::Label, i::FrameProgress, L"", {840, 1320, 4455, 255}, -1, kNone,
                0, kNameNavy},
    ControlEntry{i::Image2, ControlKind::Image, i::FrameProgress, L"", {120, 960, 240, 240}, -1, kIcon, IDI_FOLDER},
    ControlEntry{i::Image1, ControlKind::Image, i::FrameProgress, L"", {480, 1320, 240, 240}, -1, kIcon, IDI_CONTACT},
    ControlEntry{i::Label5, ControlKind::Label, "",
                L"Pindrel allows you to choose desired Outlook Contacts folder where you need to import your vCard "
                L"file(s). You can also create a New Contacts for importing vCard file(s).",
                {240, 1080, 6465, 405}, -1, kTransparent},
    ControlEntry{i::Frame1, ControlKind::Frame, "", L" vCard Import ", {240, 1560, 6375, 1335}},
    ControlEntry{i::Label6, ControlKind::Label, i::Frame1,
                L"Select Outlook Contacts folder where you need to import vCard files", {120, 360, 4980, 285}, -1,
                kTransparent},
    ControlEntry{i::txtvCardImportDefault, ControlKind::TextBox, i::Frame1, L"", {480, 600, 4575, 375}, 1, kReadOnly},
    ControlEntry{i::Image3, ControlKind::Image, i::Frame1, L"", {120, 650, 240, 240}, -1, kIcon, IDI_FOLDER},
    ControlEntry{i::Picture2, ControlKind::PictureBox, i::Frame1, L"", {5160, 240, 1095, 855}},
    ControlEntry{i::CmdvCardImportConfigured, ControlKind::Button, i::Picture2, L"Select...", {0, 360, 1095, 375}, 0},
    // What to do with a card whose person the folder already has.
    ControlEntry{i::FrameDuplicates, ControlKind::Frame, "", L" If a contact is already in the folder ",
                {240, 2955, 6375, 675}},
    ControlEntry{i::OptDuplicateSkip, ControlKind::OptionButton, i::FrameDuplicates, L"Skip it",
                {120, 300, 1815, 255}, 3, kChecked},
    ControlEntry{i::OptDuplicateUpdate, ControlKind::OptionButton, i::FrameDuplicates, L"Update it",
                {2160, 300, 1815, 255}, 4},
    ControlEntry{i::OptDuplicateAdd, ControlKind::OptionButton, i::FrameDuplicates, L"Add it again",
                {4200, 300, 1815, 255}, 5},
    ControlEntry{i::LblvCardFileH, ControlKind::Label, "", L"Processing vCard File :", {240, 3720, 1695, 255}, -1,
                kHidden},
    ControlEntry{i::LblvCardFile, ControlKind::Label, "", L"", {2040, 3720, 4695, 255}, -1, kHidden, 0, kValueBlue},
    ControlEntry{i::LblSaveOutlookH, ControlKind::Label, "", L"Contacts Saved :", {240, 4080, 1695, 255}, -1, kHidden},
    ControlEntry{i::LblSaveOutlook, ControlKind::Label, "", L"", {2040, 4080, 4695, 255}, -1, kHidden | kBold},
    ControlEntry{i::Line1, ControlKind::Line, "", L"", {120, 4440, 6600, 0}, -1, kNone, 0, kLineGrey},
    ControlEntry{i::CmdImportvCard, ControlKind::Button, "", L"Import vCard to Outlook", {2400, 4560, 2085, 375}, 2,
                kDisabled},
};

const ui::FormLayout kMain{
    .name = m::Self,
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

// The program's three dialogs share a fixed frame without minimise or
// maximise buttons, no taskbar button, and a place over their owner.
constexpr ui::FormLayout Dialog(std::string_view name, std::wstring_view title, int width, int height,
                                ui::Background background, std::span<const ui::ControlEntry> controls) {
  return {
      .name = name,
      .title = title,
      .client_width = width,
      .client_height = height,
      .border = ui::Border::FixedDialog,
      .min_button = false,
      .max_button = false,
      .show_in_taskbar = false,
      .start = ui::StartPosition::CenterOwner,
      .background = background,
      .icon = IDI_PINDREL,
      .picture = 0,
      .controls = controls,
      .menus = {},
  };
}

const ui::FormLayout kAbout = Dialog(a::Self, L" About", 5280, 2205, ui::Background::White, kAboutControls);
const ui::FormLayout kExport = Dialog(e::Self, L"vCard Export > Export Outlook Contacts to vCard", 6855, 3780,
                                      ui::Background::Light3D, kExportControls);
const ui::FormLayout kImport = Dialog(i::Self, L"vCard Import > Import vCard Files to Outlook Contacts", 6855,
                                      5175, ui::Background::Light3D, kImportControls);

}  // namespace

const ui::FormLayout& frmMain::Layout() { return kMain; }
const ui::FormLayout& frmAbout::Layout() { return kAbout; }
const ui::FormLayout& frmvCardExport::Layout() { return kExport; }
const ui::FormLayout& frmvCardImport::Layout() { return kImport; }

}  // namespace pindrel::forms
