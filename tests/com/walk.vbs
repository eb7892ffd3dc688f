' A real outside client: creates the stream by ProgID, walks the sample
' file twice and reads fields. Prints what it saw; exits 1 on a mismatch.
' Wine's VBScript lacks ChrW; Chr(252) is the u-umlaut in the Western code
' page the prefix uses.
Option Explicit
Dim stream, pass, seen, names, failures
failures = 0

Sub Check(what, actual, expected)
  If actual <> expected Then
    WScript.Echo "FAIL: " & what & ": got [" & actual & "] expected [" & expected & "]"
    failures = failures + 1
  End If
End Sub

Set stream = CreateObject("Tessary.VCardStream")
stream.Open WScript.Arguments(0)
Check "ContactCount", stream.ContactCount, 2

For pass = 1 To 2
  seen = 0
  names = ""
  stream.MoveFirst
  Do While stream.IsEOF = 0
    seen = seen + 1
    names = names & Replace(stream.FullName, vbLf, "") & ";"
    If seen = 1 Then
      Check "Org", stream.Org, "Roe Consulting" & vbLf
      Check "WorkTelephoneVoice", stream.WorkTelephoneVoice, "+1 555 0100" & vbLf
      Check "Note", stream.Note, "Met at the =" & vbLf & "$$NEWLINE$$conference=0D=0Ain May" & vbLf
    Else
      ' The file is UTF-8: the umlauts arrive as themselves.
      Check "Name", stream.Name, "M" & Chr(252) & "ller;J" & Chr(252) & "rgen" & vbLf
      Check "WorkUrl", stream.WorkUrl, "http://example.org/" & vbLf
    End If
    stream.MoveNext
  Loop
  Check "contacts on pass " & pass, seen, 2
  Check "names on pass " & pass, names, "Jane Roe;J" & Chr(252) & "rgen M" & Chr(252) & "ller;"
  WScript.Echo "pass " & pass & ": " & seen & " contacts"
Next

stream.Close
WScript.Quit failures
