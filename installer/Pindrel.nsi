; PindrelSetup.exe: installs Pindrel for every user of the machine, registers
; its vCard reader Tessary.dll, and leaves an uninstaller that takes away
; exactly what was installed.
;
; The build passes (makensis -D):
;   VERSION       the program's product version, as its version block says it
;   VI_VERSION    the same as four numbers, for Setup's own version block
;   PUBLISHER     the name shown in the list of installed programs
;   BIN_DIR       where Pindrel.exe, Tessary.dll and Manual.chm were built
;   LICENSE_FILE, README_FILE, ICON, OUTFILE
;
; The local store the tests register under "Redemption.RDOSession" is never
; shipped: on a user's machine that ProgID belongs to the user's own library.

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Pindrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

; What Tessary's DllRegisterServer writes: its type library and, per class,
; the class key and two ProgIDs. Kept here so the uninstaller can remove them
; even when the DLL itself is gone.
!define TESSARY_LIBID "{10345516-3E31-455E-9E60-918D3FA369F3}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; An installed copy is upgraded where it is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VI_VERSION}"
VIFileVersion "${VI_VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; ---------------------------------------------------------------- Tessary keys

; A class's keys go only when its class key still names the DLL in $INSTDIR:
; a Tessary registered from anywhere else is someone else's.
!macro RemoveClassKeys CLSID PROGID
  ReadRegStr $R0 HKCR "CLSID\${CLSID}\InprocServer32" ""
  ${If} $R0 == "$INSTDIR\Tessary.dll"
    DeleteRegKey HKCR "CLSID\${CLSID}"
    ReadRegStr $R0 HKCR "${PROGID}\CLSID" ""
    ${If} $R0 == "${CLSID}"
      DeleteRegKey HKCR "${PROGID}"
    ${EndIf}
    ReadRegStr $R0 HKCR "${PROGID}.1\CLSID" ""
    ${If} $R0 == "${CLSID}"
      DeleteRegKey HKCR "${PROGID}.1"
    ${EndIf}
  ${EndIf}
!macroend

!macro RemoveInterfaceKey IID
  ReadRegStr $R0 HKCR "Interface\${IID}\TypeLib" ""
  ${If} $R0 == "${TESSARY_LIBID}"
    DeleteRegKey HKCR "Interface\${IID}"
  ${EndIf}
!macroend

; Both Setup (before it replaces an installed copy, and when registration
; fails) and the uninstaller take Tessary's registration away; NSIS wants
; the uninstaller's functions under names of their own.
!macro TessaryFunctions UN
Function ${UN}UnregisterTessary
  ${If} ${FileExists} "$INSTDIR\Tessary.dll"
    ClearErrors
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\Tessary.dll"' $0
    ${If} ${Errors}
    ${OrIf} $0 <> 0
      DetailPrint "Tessary.dll did not unregister itself (regsvr32: $0); removing its keys."
    ${EndIf}
  ${EndIf}
  ; Whatever still names this copy: left by a DLL deleted by hand, or by
  ; one that could not unregister itself.
  !insertmacro RemoveClassKeys "{0883F9F3-546F-46C9-A0E2-E43871712F15}" "Tessary.BusinessContact"
  !insertmacro RemoveClassKeys "{A7E11431-C6E0-41AD-9269-D0A9D0F86320}" "Tessary.VCardStream"
  !insertmacro RemoveClassKeys "{AA3960A5-A9D9-4265-A77C-80039B49E943}" "Tessary.VCardContact"
  ReadRegStr $R0 HKCR "TypeLib\${TESSARY_LIBID}\1.0\0\win32" ""
  ; The type library's path may carry the "\\?\" prefix of a long path.
  StrCpy $R1 $R0 4
  ${If} $R1 == "\\?\"
    StrCpy $R0 $R0 "" 4
  ${EndIf}
  ${If} $R0 == "$INSTDIR\Tessary.dll"
    !insertmacro RemoveInterfaceKey "{729F5633-BA01-40C9-B1B6-699497ECD8F7}"
    !insertmacro RemoveInterfaceKey "{39C3E785-D542-4957-BA49-366E82E443F4}"
    !insertmacro RemoveInterfaceKey "{7C3E6FC6-121A-4561-A87C-25A12393AE92}"
    !insertmacro RemoveInterfaceKey "{ED8E3B0C-ADF8-4210-8653-636F14099C28}"
    DeleteRegKey HKCR "TypeLib\${TESSARY_LIBID}\1.0"
    DeleteRegKey /ifempty HKCR "TypeLib\${TESSARY_LIBID}"
  ${EndIf}
FunctionEnd

; Everything Setup puts on the machine, and nothing else: a file of the
; user's in $INSTDIR keeps the folder.
Function ${UN}RemoveInstalled
  Call ${UN}UnregisterTessary
  Delete "$INSTDIR\Pindrel.exe"
  Delete "$INSTDIR\Tessary.dll"
  Delete "$INSTDIR\Manual.chm"
  Delete "$INSTDIR\License.txt"
  Delete "$INSTDIR\ReadMe.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

!macroend

!insertmacro TessaryFunctions ""
!insertmacro TessaryFunctions "un."

; Both write for every user: Program Files, HKLM, the common Start menu.
!macro RequireAdmin
  SetShellVarContext all
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Pindrel is set up for every user of this computer, which needs administrator rights." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

; Where an installed copy is, if there is one.
Var PreviousDir

Function .onInit
  !insertmacro RequireAdmin
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
FunctionEnd

; Adds the size of one installed file, in bytes, to $R2.
!macro AddFileSize FILE
  ClearErrors
  FileOpen $R0 "${FILE}" r
  ${IfNot} ${Errors}
    FileSeek $R0 0 END $R1
    FileClose $R0
    IntOp $R2 $R2 + $R1
  ${EndIf}
!macroend

; ---------------------------------------------------------------- install

Section "Pindrel" SecPindrel
  SectionIn RO
  SetOutPath "$INSTDIR"

  ; A copy installed in another folder goes first, by its own uninstaller
  ; run in place: one copy, one entry.
  ${If} $PreviousDir != ""
  ${AndIf} $PreviousDir != $INSTDIR
  ${AndIf} ${FileExists} "$PreviousDir\Uninstall.exe"
    DetailPrint "Removing the copy in $PreviousDir"
    ExecWait '"$PreviousDir\Uninstall.exe" /S _?=$PreviousDir'
    Delete "$PreviousDir\Uninstall.exe"
    RMDir "$PreviousDir"
  ${EndIf}

  ; An earlier build in this folder takes its classes away first, so the
  ; classes registered below are exactly this build's.
  Call UnregisterTessary

  File "${BIN_DIR}/Pindrel.exe"
  File "${BIN_DIR}/Tessary.dll"
  File "${BIN_DIR}/Manual.chm"
  File "/oname=License.txt" "${LICENSE_FILE}"
  File "/oname=ReadMe.txt" "${README_FILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The 32-bit regsvr32 ($SYSDIR of a 32-bit process) for a 32-bit DLL.
  DetailPrint "Registering Tessary.dll"
  ClearErrors
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\Tessary.dll"' $0
  ${If} ${Errors}
    StrCpy $0 "not started"
  ${EndIf}
  ${If} $0 != 0
    ; Without its reader Pindrel cannot import: take everything away again
    ; rather than leave a copy that only looks installed. SetOutPath made
    ; $INSTDIR Setup's working directory, which Windows will not remove
    ; while Setup is in it: leave it first, or the empty folder stays.
    SetOutPath "$TEMP"
    Call RemoveInstalled
    MessageBox MB_OK|MB_ICONSTOP "Tessary.dll, Pindrel's vCard reader, could not be registered (regsvr32: $0). Pindrel has not been installed." /SD IDOK
    Abort "Tessary.dll could not be registered (regsvr32: $0). Pindrel has not been installed."
  ${EndIf}

  CreateShortcut "${SHORTCUT}" "$INSTDIR\Pindrel.exe" "" "$INSTDIR\Pindrel.exe" 0 SW_SHOWNORMAL "" "Moves contacts between contacts folders and vCard files"

  ; One key, whatever was installed before: an upgrade overwrites it.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pindrel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The size of what Setup put there, in KiB rounded up; files of the
  ; user's in the same folder are not ours to count.
  StrCpy $R2 0
  !insertmacro AddFileSize "$INSTDIR\Pindrel.exe"
  !insertmacro AddFileSize "$INSTDIR\Tessary.dll"
  !insertmacro AddFileSize "$INSTDIR\Manual.chm"
  !insertmacro AddFileSize "$INSTDIR\License.txt"
  !insertmacro AddFileSize "$INSTDIR\ReadMe.txt"
  !insertmacro AddFileSize "$INSTDIR\Uninstall.exe"
  IntOp $R2 $R2 + 1023
  IntOp $R2 $R2 / 1024
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R2
SectionEnd

; ---------------------------------------------------------------- uninstall

Section "Uninstall"
  Call un.RemoveInstalled
SectionEnd
