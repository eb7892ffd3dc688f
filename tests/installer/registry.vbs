' Prints registry values as the Windows API reads them back, one
' "NAME=DATA" line per argument, "NAME=<missing>" when there is none. A NAME
' ending in "\" is the key's default value. With "/count-uninstall NAME"
' prints how many entries in the list of installed programs show NAME.
' One script for all of them: every process started under Wine counts.
Option Explicit
Const HKLM = &H80000002
Const UNINSTALL = "Software\Microsoft\Windows\CurrentVersion\Uninstall"
Dim shell, i, args
Set shell = CreateObject("WScript.Shell")
Set args = WScript.Arguments

Function ReadValue(path)
  On Error Resume Next
  ReadValue = shell.RegRead(path)
  If Err.Number <> 0 Then ReadValue = "<missing>"
  On Error GoTo 0
End Function

' Through WMI's registry provider, the one way a script can list subkeys.
Function CountUninstallEntries(displayName)
  Dim registry, keys, key, value, count
  On Error Resume Next
  Set registry = GetObject("winmgmts:{impersonationLevel=impersonate}!\\.\root\default:StdRegProv")
  count = 0
  If registry.EnumKey(HKLM, UNINSTALL, keys) = 0 And IsArray(keys) Then
    For Each key In keys
      value = Empty
      registry.GetStringValue HKLM, UNINSTALL & "\" & key, "DisplayName", value
      If value = displayName Then count = count + 1
    Next
  End If
  If Err.Number <> 0 Then count = "<error " & Hex(Err.Number) & ": " & Err.Description & ">"
  On Error GoTo 0
  CountUninstallEntries = count
End Function

i = 0
Do While i < args.Count
  If args(i) = "/count-uninstall" Then
    WScript.Echo "uninstall entries showing " & args(i + 1) & "=" & CountUninstallEntries(args(i + 1))
    i = i + 2
  Else
    WScript.Echo args(i) & "=" & ReadValue(args(i))
    i = i + 1
  End If
Loop
