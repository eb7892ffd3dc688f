' The modern reading from a script, as the README shows it: every card of
' a file, property by property, with the parts of structured values.
'   cscript //nologo decoded.vbs FILE
Option Explicit
Dim stream, card, i, k, line

Set stream = CreateObject("Tessary.VCardStream")
stream.OpenDecoded WScript.Arguments(0)
WScript.Echo stream.ContactCount & " cards"
stream.MoveFirst
card = 0
Do While stream.IsEOF = 0
  card = card + 1
  WScript.Echo "Card " & card
  For i = 1 To stream.PropertyCount
    line = stream.PropertyName(i)
    If stream.PropertyGroup(i) <> "" Then line = stream.PropertyGroup(i) & "." & line
    If stream.PropertyTypes(i) <> "" Then line = line & " (" & stream.PropertyTypes(i) & ")"
    WScript.Echo "  " & line & ": " & stream.PropertyValue(i)
    If stream.PropertyComponentCount(i) > 1 Then
      For k = 1 To stream.PropertyComponentCount(i)
        WScript.Echo "    " & k & ": " & stream.PropertyComponent(i, k)
      Next
    End If
  Next
  stream.MoveNext
Loop
stream.Close
