; PindrelSetup.exe: installs Pindrel for every user of the machine, registers
; its vCard reader Tessary.dll, and leaves an uninstaller that takes away
; exactly what was installed.
;
; The build passes (makensis -D):
;   VERSION       the program's product version, as its version block says it
;   VI_VERSION    the same as four numbers, for Setup's own version block
;   PUBLISHER     the name shown in the list of installed programs
;   BIN_DIR       where the 32-bit Pindrel.exe, Tessary.dll and Manual.chm were built
;   BIN64_DIR     where the 64-bit Pindrel.exe and Tessary.dll were built
;   LICENSE_FILE, README_FILE, ICON, OUTFILE
;
; On 32-bit Windows Setup installs the 32-bit build, as it always has. On
; 64-bit Windows it installs Tessary for both kinds of program, the 64-bit
; DLL as Tessary.dll and the 32-bit one as x86\Tessary.dll, each registered
; in its own registry view, so 64- and 32-bit script hosts alike create
; "Tessary.VCardStream"; and the Pindrel.exe whose bitness matches the mail
; client's, since the store library Pindrel loads runs inside it and reaches
; the mail client's own DLLs: /32 or /64 on the command line, else what the
; mail client recorded, else 64-bit.
;
; The local store the tests register under "Redemption.RDOSession" is never
; shipped: on a user's machine that ProgID belongs to the user's own library.

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

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
!macro RemoveClassKeys CLSID PROGID DLL
  ReadRegStr $R0 HKCR "CLSID\${CLSID}\InprocServer32" ""
  ${If} $R0 == "${DLL}"
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
; Unregisters one copy of Tessary in the registry view SetRegView chose
; last, with $SYSDIR's regsvr32 (the caller has turned the file system
; redirection off for the 64-bit one), and removes whatever still names it.
; The type library sits under win32 or win64 ($R8) by bitness.
Function ${UN}UnregisterTessaryCopy
  Exch $R7 ; the DLL's path
  ReadRegStr $R0 HKCR "CLSID\{A7E11431-C6E0-41AD-9269-D0A9D0F86320}\InprocServer32" ""
  ${If} $R0 == $R7
  ${AndIf} ${FileExists} $R7
    ClearErrors
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$R7"' $0
    ${If} ${Errors}
    ${OrIf} $0 <> 0
      DetailPrint "$R7 did not unregister itself (regsvr32: $0); removing its keys."
    ${EndIf}
  ${EndIf}
  ; Whatever still names this copy: left by a DLL deleted by hand, or by
  ; one that could not unregister itself.
  !insertmacro RemoveClassKeys "{0883F9F3-546F-46C9-A0E2-E43871712F15}" "Tessary.BusinessContact" $R7
  !insertmacro RemoveClassKeys "{A7E11431-C6E0-41AD-9269-D0A9D0F86320}" "Tessary.VCardStream" $R7
  !insertmacro RemoveClassKeys "{AA3960A5-A9D9-4265-A77C-80039B49E943}" "Tessary.VCardContact" $R7
  ReadRegStr $R0 HKCR "TypeLib\${TESSARY_LIBID}\1.0\0\$R8" ""
  ; The type library's path may carry the "\\?\" prefix of a long path.
  StrCpy $R1 $R0 4
  ${If} $R1 == "\\?\"
    StrCpy $R0 $R0 "" 4
  ${EndIf}
  ${If} $R0 == $R7
    !insertmacro RemoveInterfaceKey "{729F5633-BA01-40C9-B1B6-699497ECD8F7}"
    !insertmacro RemoveInterfaceKey "{39C3E785-D542-4957-BA49-366E82E443F4}"
    !insertmacro RemoveInterfaceKey "{7C3E6FC6-121A-4561-A87C-25A12393AE92}"
    !insertmacro RemoveInterfaceKey "{25CC501D-ED62-4D3D-8A46-78F1D3BA76B4}"
    !insertmacro RemoveInterfaceKey "{ED8E3B0C-ADF8-4210-8653-636F14099C28}"
    DeleteRegKey HKCR "TypeLib\${TESSARY_LIBID}\1.0\0\$R8"
    ; The version's key goes with the last registration under it.
    EnumRegKey $R1 HKCR "TypeLib\${TESSARY_LIBID}\1.0\0" 0
    ${If} $R1 == ""
      DeleteRegKey HKCR "TypeLib\${TESSARY_LIBID}\1.0"
      DeleteRegKey /ifempty HKCR "TypeLib\${TESSARY_LIBID}"
    ${EndIf}
  ${EndIf}
  Pop $R7
FunctionEnd

Function ${UN}UnregisterTessary
  ${If} ${RunningX64}
    ; The 64-bit copy, through the 64-bit regsvr32 (System32 without the
    ; redirection a 32-bit process gets).
    SetRegView 64
    ${DisableX64FSRedirection}
    StrCpy $R8 "win64"
    Push "$INSTDIR\Tessary.dll"
    Call ${UN}UnregisterTessaryCopy
    ${EnableX64FSRedirection}
    ; The 32-bit copy; a copy from before there was a 64-bit build is
    ; Tessary.dll itself, registered in the 32-bit view.
    SetRegView 32
    StrCpy $R8 "win32"
    Push "$INSTDIR\x86\Tessary.dll"
    Call ${UN}UnregisterTessaryCopy
    Push "$INSTDIR\Tessary.dll"
    Call ${UN}UnregisterTessaryCopy
  ${Else}
    StrCpy $R8 "win32"
    Push "$INSTDIR\Tessary.dll"
    Call ${UN}UnregisterTessaryCopy
  ${EndIf}
FunctionEnd

; Everything Setup puts on the machine, and nothing else: a file of the
; user's in $INSTDIR keeps the folder.
Function ${UN}RemoveInstalled
  Call ${UN}UnregisterTessary
  Delete "$INSTDIR\Pindrel.exe"
  Delete "$INSTDIR\Tessary.dll"
  Delete "$INSTDIR\x86\Tessary.dll"
  RMDir "$INSTDIR\x86"
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
; The bitness of the Pindrel.exe to install: 32 or 64.
Var PindrelBits

; What the mail client recorded of its bitness ("x86" or "x64", value
; Bitness under its key in the office suite's version key), newest version
; first, in either registry view; "" when nothing says.
Function MailClientBitness
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R2 ""
  ${ForEach} $R1 16 14 - 1
    ${If} $R2 == ""
      SetRegView 64
      ReadRegStr $R2 HKLM "Software\Microsoft\Office\$R1.0\Outlook" "Bitness"
      SetRegView 32
      ${If} $R2 == ""
        ReadRegStr $R2 HKLM "Software\Microsoft\Office\$R1.0\Outlook" "Bitness"
      ${EndIf}
    ${EndIf}
  ${Next}
  StrCpy $R0 $R2
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

Function .onInit
  !insertmacro RequireAdmin
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $PindrelBits 32
  ${If} ${RunningX64}
    StrCpy $PindrelBits 64
    Call MailClientBitness
    Pop $0
    ${If} $0 == "x86"
      StrCpy $PindrelBits 32
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/32" $0
    ${IfNot} ${Errors}
      StrCpy $PindrelBits 32
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/64" $0
    ${IfNot} ${Errors}
      StrCpy $PindrelBits 64
    ${EndIf}
    ; A fresh install goes to the 64-bit Program Files; an installed copy is
    ; upgraded where it is, and /D is the user's choice.
    ${If} $PreviousDir == ""
    ${AndIf} $INSTDIR == "$PROGRAMFILES\${PRODUCT}"
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${EndIf}
  ; The uninstall entry lives in the 32-bit view, where every release wrote it.
  SetRegView 32
FunctionEnd

Function un.onInit
  !insertmacro RequireAdmin
  SetRegView 32
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

; Fails the install when the program or the reader in $INSTDIR is in use
; (Pindrel running, a script holding Tessary): Windows will not let such a
; file be replaced, and an install that skipped it would report success
; over a mix of old and new files. Nothing has been changed yet when this
; runs.
!macro RequireNotInUse FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    FileOpen $R0 "${FILE}" a
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${FILE} is in use: close Pindrel, and any script or program that uses Tessary, then run Setup again. Nothing has been changed." /SD IDOK
      SetErrorLevel 32 ; ERROR_SHARING_VIOLATION
      Quit
    ${EndIf}
    FileClose $R0
  ${EndIf}
!macroend

; Registers the DLL on the stack with the regsvr32 of the bitness in $R8
; (win32 or win64: System32 seen without a 32-bit process's redirection,
; where the 64-bit one is). Without its
; reader Pindrel cannot import: when that fails, everything goes away again
; rather than leave a copy that only looks installed.
Function RegisterTessary
  Exch $R7
  DetailPrint "Registering $R7"
  ${If} $R8 == "win64"
    ${DisableX64FSRedirection}
  ${EndIf}
  ClearErrors
  ExecWait '"$SYSDIR\regsvr32.exe" /s "$R7"' $0
  ${If} ${Errors}
    StrCpy $0 "not started"
  ${EndIf}
  ${EnableX64FSRedirection}
  ${If} $0 != 0
    ; SetOutPath made $INSTDIR Setup's working directory, which Windows will
    ; not remove while Setup is in it: leave it first, or the empty folder
    ; stays.
    SetOutPath "$TEMP"
    Call RemoveInstalled
    SetRegView 32
    MessageBox MB_OK|MB_ICONSTOP "Tessary.dll, Pindrel's vCard reader, could not be registered (regsvr32: $0). Pindrel has not been installed." /SD IDOK
    Abort "Tessary.dll could not be registered (regsvr32: $0). Pindrel has not been installed."
  ${EndIf}
  Pop $R7
FunctionEnd

Section "Pindrel" SecPindrel
  SectionIn RO
  !insertmacro RequireNotInUse "$INSTDIR\Pindrel.exe"
  !insertmacro RequireNotInUse "$INSTDIR\Tessary.dll"
  !insertmacro RequireNotInUse "$INSTDIR\x86\Tessary.dll"
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
  SetRegView 32

  ${If} ${RunningX64}
    ${If} $PindrelBits == 64
      File "${BIN64_DIR}/Pindrel.exe"
    ${Else}
      File "${BIN_DIR}/Pindrel.exe"
    ${EndIf}
    File "${BIN64_DIR}/Tessary.dll"
    SetOutPath "$INSTDIR\x86"
    File "${BIN_DIR}/Tessary.dll"
    SetOutPath "$INSTDIR"
  ${Else}
    File "${BIN_DIR}/Pindrel.exe"
    File "${BIN_DIR}/Tessary.dll"
  ${EndIf}
  File "${BIN_DIR}/Manual.chm"
  File "/oname=License.txt" "${LICENSE_FILE}"
  File "/oname=ReadMe.txt" "${README_FILE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Each DLL through the regsvr32 of its own bitness.
  ${If} ${RunningX64}
    StrCpy $R8 "win64"
    Push "$INSTDIR\Tessary.dll"
    Call RegisterTessary
    StrCpy $R8 "win32"
    Push "$INSTDIR\x86\Tessary.dll"
    Call RegisterTessary
  ${Else}
    StrCpy $R8 "win32"
    Push "$INSTDIR\Tessary.dll"
    Call RegisterTessary
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
  !insertmacro AddFileSize "$INSTDIR\x86\Tessary.dll"
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
