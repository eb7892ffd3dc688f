// Layout tables of the program's windows, and the names of their controls.
// Window logic addresses controls only through these constants, so a
// misspelt name fails the build instead of the user.
#pragma once

#include <string_view>

#include "layout.h"

namespace pindrel::forms {

using Name = std::string_view;

// The main window: export or import, the two path frames, the menu.
namespace frmMain {
inline constexpr Name Self = "frmMain";
inline constexpr Name Label1 = "Label1";
inline constexpr Name OptvCardExport = "OptvCardExport";
inline constexpr Name FramevCardExport = "FramevCardExport";
inline constexpr Name Label3 = "Label3";
inline constexpr Name txtPSTfile = "txtPSTfile";
inline constexpr Name Label4 = "Label4";
inline constexpr Name txtExportSavePath = "txtExportSavePath";
inline constexpr Name Picture1 = "Picture1";
inline constexpr Name CmdPSTSelect = "CmdPSTSelect";
inline constexpr Name CmdBrowseExport = "CmdBrowseExport";
inline constexpr Name OptvCardImport = "OptvCardImport";
inline constexpr Name FramevCardImport = "FramevCardImport";
inline constexpr Name Label2 = "Label2";
inline constexpr Name txtVCFfolder = "txtVCFfolder";
inline constexpr Name Picture2 = "Picture2";
inline constexpr Name CmdSelectFolder = "CmdSelectFolder";
inline constexpr Name CmdProcess = "CmdProcess";
inline constexpr Name XPStyle1 = "XPStyle1";
inline constexpr Name mnuFile = "mnuFile";
inline constexpr Name mnuExit = "mnuExit";
inline constexpr Name mnuHelp = "mnuHelp";
inline constexpr Name mnuContents = "mnuContents";
inline constexpr Name mnuAbout = "mnuAbout";
const ui::FormLayout& Layout();
}  // namespace frmMain

// The About box.
namespace frmAbout {
inline constexpr Name Self = "frmAbout";
inline constexpr Name Image1 = "Image1";
inline constexpr Name Label1 = "Label1";
inline constexpr Name CmdOK = "CmdOK";
const ui::FormLayout& Layout();
}  // namespace frmAbout

// The export window: where the contacts come from and go, and the progress.
namespace frmvCardExport {
inline constexpr Name Self = "frmvCardExport";
inline constexpr Name FrameProgress = "FrameProgress";
inline constexpr Name LblProgress = "LblProgress";
inline constexpr Name LblTotalContacts = "LblTotalContacts";
inline constexpr Name sLblProcessing = "sLblProcessing";
inline constexpr Name LblCurrent = "LblCurrent";
inline constexpr Name Label2 = "Label2";
inline constexpr Name LblCurrentPSTName = "LblCurrentPSTName";
inline constexpr Name Line1 = "Line1";
inline constexpr Name Label3 = "Label3";
inline constexpr Name LblSavingPath = "LblSavingPath";
inline constexpr Name imgContactICON = "imgContactICON";
inline constexpr Name LblCurrentContact = "LblCurrentContact";
inline constexpr Name FrameFormat = "FrameFormat";
inline constexpr Name OptOneFileEach = "OptOneFileEach";
inline constexpr Name OptOneFile30 = "OptOneFile30";
inline constexpr Name OptOneFile40 = "OptOneFile40";
inline constexpr Name CmdExport = "CmdExport";
const ui::FormLayout& Layout();
}  // namespace frmvCardExport

// The import window: the target contacts folder and the import's progress.
namespace frmvCardImport {
inline constexpr Name Self = "frmvCardImport";
inline constexpr Name FrameProgress = "FrameProgress";
inline constexpr Name LblProgress = "LblProgress";
inline constexpr Name LblTotalvCards = "LblTotalvCards";
inline constexpr Name Label2 = "Label2";
inline constexpr Name LblCurrentPSTName = "LblCurrentPSTName";
inline constexpr Name LblCurrentPSTFolder = "LblCurrentPSTFolder";
inline constexpr Name Image2 = "Image2";
inline constexpr Name Image1 = "Image1";
inline constexpr Name Label5 = "Label5";
inline constexpr Name Frame1 = "Frame1";
inline constexpr Name Label6 = "Label6";
inline constexpr Name txtvCardImportDefault = "txtvCardImportDefault";
inline constexpr Name Image3 = "Image3";
inline constexpr Name Picture2 = "Picture2";
inline constexpr Name CmdvCardImportConfigured = "CmdvCardImportConfigured";
inline constexpr Name FrameDuplicates = "FrameDuplicates";
inline constexpr Name OptDuplicateSkip = "OptDuplicateSkip";
inline constexpr Name OptDuplicateUpdate = "OptDuplicateUpdate";
inline constexpr Name OptDuplicateAdd = "OptDuplicateAdd";
inline constexpr Name LblvCardFileH = "LblvCardFileH";
inline constexpr Name LblvCardFile = "LblvCardFile";
inline constexpr Name LblSaveOutlookH = "LblSaveOutlookH";
inline constexpr Name LblSaveOutlook = "LblSaveOutlook";
inline constexpr Name Line1 = "Line1";
inline constexpr Name CmdImportvCard = "CmdImportvCard";
const ui::FormLayout& Layout();
}  // namespace frmvCardImport

}  // namespace pindrel::forms
