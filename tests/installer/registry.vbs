' Prints registry values as the Windows API reads them back, one
' "NAME=DATA" line per argument, "NAME=<missing>" when there is none. A NAME
' ending in "\" is the key's default value.
' One script for all of them: every process started under Wine counts.
Option Explicit
Dim shell, i, args
Set shell = CreateObject("WScript.Shell")
Set args = WScript.Arguments

Function ReadValue(path)
  On Error Resume Next
  ReadValue = shell.RegRead(path)
  If Err.Number <> 0 Then ReadValue = "<missing>"
  On Error GoTo 0
End Function

i = 0
Do While i < args.Count
  WScript.Echo args(i) & "=" & ReadValue(args(i))
  i = i + 1
Loop
