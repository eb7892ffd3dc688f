' A real late-bound client of the local store, created by the store
' library's ProgID. "write" logs on to a fresh profile, checks its folders,
' adds and saves contacts, finds them again by identifiers and saves one as
' a vCard file; it prints the identifiers. "read" (another process) opens
' the folder by those identifiers and checks what the first one saved.
'   cscript contract.vbs write OUTDIR
'   cscript contract.vbs read STOREID FOLDERID ENTRYID
' Wine's VBScript lacks ChrW; Chr(252) is the u-umlaut in the prefix's
' Western code page.
Option Explicit
Dim failures, session, mode
failures = 0

Sub Check(what, actual, expected)
  If CStr(actual) <> CStr(expected) Then
    WScript.Echo "FAIL: " & what & ": got [" & actual & "] expected [" & expected & "]"
    failures = failures + 1
  End If
End Sub

' Runs nothing itself: the caller has just made a call under On Error
' Resume Next; this checks the code it left.
Sub CheckError(what, expected)
  Check what & " (error code)", Hex(Err.Number), expected
  If Err.Number <> 0 And Err.Description = "" Then
    WScript.Echo "FAIL: " & what & ": no description"
    failures = failures + 1
  End If
  Err.Clear
End Sub

mode = WScript.Arguments(0)
Set session = CreateObject("Redemption.RDOSession")
' Omitted arguments in the middle, as scripts write them.
session.Logon "", , False, True
Check "LoggedOn", session.LoggedOn, True

If mode = "write" Then
  Dim kind, contacts, inbox, calendar, items, c, dl, store, again, found, i, entry, outdir, x
  outdir = WScript.Arguments(1)
  ' A variable passes by reference.
  kind = 10
  Set contacts = session.GetDefaultFolder(kind)
  Check "contacts name", contacts.Name, "Contacts"
  Check "contacts default member", contacts, "Contacts"
  Check "contacts class", contacts.DefaultMessageClass, "IPM.Contact"
  Check "contacts path", contacts.FolderPath, "\\Personal Folders\Contacts"
  Set inbox = session.GetDefaultFolder(6)
  Check "inbox class", inbox.DefaultMessageClass, "IPM.Note"
  Check "inbox path", inbox.FolderPath, "\\Personal Folders\Inbox"
  Set calendar = session.GetDefaultFolder(9)
  Check "calendar class", calendar.DefaultMessageClass, "IPM.Appointment"
  Check "stores", session.Stores.Count, 1
  Check "store name", session.Stores.Item(1).Name, "Personal Folders"
  Check "root folders", session.Stores.Item(1).IPMRootFolder.Folders.Count, 3
  Check "empty folder", contacts.Items.Count, 0

  On Error Resume Next
  Set x = session.GetDefaultFolder(13)
  CheckError "no tasks folder", "8004010F"
  Set x = session.GetStoreFromID("0123")
  CheckError "unknown store", "8004010F"
  Set x = session.Stores.Item(1).GetFolderFromID("0123")
  CheckError "unknown folder", "8004010F"
  Set x = contacts.Items.Item(1)
  CheckError "item of an empty folder", "8004010F"
  Set x = session.NoSuchMember
  CheckError "unknown member", "1B6"
  On Error GoTo 0

  Set c = contacts.Items.Add
  Check "new item class", c.MessageClass, "IPM.Contact"
  Check "unsaved entry id", c.EntryID, ""
  Check "unset birthday", IsEmpty(c.Birthday), True
  c.FirstName = "Jane"
  c.LastName = "M" & Chr(252) & "ller"
  c.FullName = "Jane M" & Chr(252) & "ller"
  c.CompanyName = "Acme"
  c.BusinessTelephoneNumber = "+1 555 0100"
  c.Email1Address = "jane@example.org"
  c.Body = "line one" & vbCrLf & "line two"
  c.Birthday = DateSerial(1980, 1, 25)
  c.Save
  entry = c.EntryID
  Check "saved entry id length", Len(entry), 48
  Check "birthday", c.Birthday, DateSerial(1980, 1, 25)

  Set dl = contacts.Items.Add(7)
  Check "list class", dl.MessageClass, "IPM.DistList"
  dl.Subject = "Team"
  dl.Save
  Set dl = contacts.Items.Add("IPM.DistList")
  Check "list class by name", dl.MessageClass, "IPM.DistList"

  Set items = contacts.Items
  Check "count", items.Count, 2
  Check "first by default member", items(1).FirstName, "Jane"
  Check "second", items.Item(2).MessageClass, "IPM.DistList"

  ' For Each, as scripts written for the store library walk its collections.
  Dim member, walked
  walked = ""
  For Each member In items
    walked = walked & member.MessageClass & ";"
  Next
  Check "For Each item", walked, "IPM.Contact;IPM.DistList;"
  walked = ""
  For Each member In session.Stores
    walked = walked & member.Name & ";"
  Next
  Check "For Each store", walked, "Personal Folders;"
  walked = ""
  For Each member In session.Stores.Item(1).IPMRootFolder.Folders
    walked = walked & member.Name & ";"
  Next
  Check "For Each folder", walked, "Contacts;Inbox;Calendar;"

  ' Found again by identifiers, through a fresh store object.
  Set store = session.Stores.GetStoreFromID(contacts.StoreID)
  Set again = store.GetFolderFromID(contacts.EntryID)
  Check "again path", again.FolderPath, contacts.FolderPath
  found = False
  For i = 1 To again.Items.Count
    If again.Items.Item(i).EntryID = entry Then found = True
  Next
  Check "found by entry id", found, True
  Check "pst path", Len(store.PstPath) > 0, True

  c.SaveAs outdir & "\jane.vcf", 6
  On Error Resume Next
  c.SaveAs outdir & "\jane.msg", 3
  CheckError "save as MSG", "80040102"
  c.SaveAs outdir & "\no such folder\jane.vcf", 6
  CheckError "save into a missing folder", "80070003"
  On Error GoTo 0

  ' A new contacts folder, then a second store of the profile.
  Dim subfolder
  Set subfolder = contacts.Folders.Add("Friends", 10)
  Check "new folder path", subfolder.FolderPath, "\\Personal Folders\Contacts\Friends"
  Check "new folder class", subfolder.DefaultMessageClass, "IPM.Contact"

  WScript.Echo "STORE " & contacts.StoreID
  WScript.Echo "FOLDER " & contacts.EntryID
  WScript.Echo "ITEM " & entry
Else
  Dim folder, first
  Set folder = session.GetStoreFromID(WScript.Arguments(1)).GetFolderFromID(WScript.Arguments(2))
  Check "other process: count", folder.Items.Count, 2
  Set first = folder.Items.Item(1)
  Check "other process: entry id", first.EntryID, WScript.Arguments(3)
  Check "other process: name", first.LastName, "M" & Chr(252) & "ller"
  Check "other process: body", first.Body, "line one" & vbCrLf & "line two"
  Check "other process: birthday", first.Birthday, DateSerial(1980, 1, 25)
  Check "other process: subfolder", folder.Folders.Item("Friends").Name, "Friends"
  WScript.Echo "read: ok"
End If

session.Logoff
Check "LoggedOn after Logoff", session.LoggedOn, False
WScript.Quit failures
