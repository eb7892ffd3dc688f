' The modern reading's pictures from a script, as the README shows it: every
' binary value of every card, its media type and size, and with a folder
' given each one saved to a file of its own through an ADODB.Stream.
'   cscript //nologo pictures.vbs FILE [FOLDER]
Option Explicit
Dim stream, card, i, data, line, out

Set stream = CreateObject("Tessary.VCardStream")
stream.OpenDecoded WScript.Arguments(0)
stream.MoveFirst
card = 0
Do While stream.IsEOF = 0
  card = card + 1
  For i = 1 To stream.BinaryCount
    line = "card " & card & ": " & stream.BinaryName(i) & " " & stream.BinaryMediaType(i) & ", " & _
           stream.BinarySize(i) & " bytes"
    If stream.BinaryFailure(i) <> "" Then line = line & " (" & stream.BinaryFailure(i) & ")"
    WScript.Echo line
    data = stream.BinaryData(i)
    If VarType(data) <> vbArray + vbByte Then WScript.Echo "  not an array of bytes"
    If WScript.Arguments.Count > 1 And stream.BinarySize(i) > 0 Then
      Set out = CreateObject("ADODB.Stream")
      out.Type = 1  ' binary
      out.Open
      out.Write data
      out.SaveToFile WScript.Arguments(1) & "\" & card & "-" & i & ".bin", 2  ' overwrite
      out.Close
    End If
  Next
  stream.MoveNext
Loop
stream.Close
