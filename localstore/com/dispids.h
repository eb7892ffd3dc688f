/* DISPIDs of LocalStore's automation members: one list for the type
   library (widl reads this file) and the C++ member tables. Plain #defines,
   as widl's and windres's preprocessors want. */
#pragma once

#define LS_DISPID_DEFAULT 0
/* DISPID_NEWENUM: a collection's enumerator, what For Each asks for */
#define LS_DISPID_NEWENUM (-4)

/* session */
#define LS_DISPID_LOGON 1
#define LS_DISPID_LOGOFF 2
#define LS_DISPID_GETDEFAULTFOLDER 3
#define LS_DISPID_PICKFOLDER 4
#define LS_DISPID_STORES 5
#define LS_DISPID_GETSTOREFROMID 6
#define LS_DISPID_GETFOLDERFROMID 7
#define LS_DISPID_LOGGEDON 8
#define LS_DISPID_PROFILEPATH 9

/* stores, folders and items collections */
#define LS_DISPID_COUNT 20
#define LS_DISPID_ITEM 21
#define LS_DISPID_ADD 22
#define LS_DISPID_DEFAULTSTORE 23
#define LS_DISPID_ADDPSTSTORE 24

/* store and folder */
#define LS_DISPID_NAME 30
#define LS_DISPID_STOREID 31
#define LS_DISPID_ENTRYID 32
#define LS_DISPID_PSTPATH 33
#define LS_DISPID_IPMROOTFOLDER 34
#define LS_DISPID_DEFAULTMESSAGECLASS 35
#define LS_DISPID_FOLDERPATH 36
#define LS_DISPID_ITEMS 37
#define LS_DISPID_FOLDERS 38
#define LS_DISPID_ROOTFOLDER 39

/* item */
#define LS_DISPID_MESSAGECLASS 50
#define LS_DISPID_SAVE 51
#define LS_DISPID_SAVEAS 52
#define LS_DISPID_DELETE 53
/* the contact schema's dates (record tags 101, 102) at 54, 55 */
#define LS_DISPID_DATE(tag) (54 + (tag) - 101)
#define LS_DISPID_BIRTHDAY LS_DISPID_DATE(101)
#define LS_DISPID_ANNIVERSARY LS_DISPID_DATE(102)
/* the contact's picture, and the attachments that hold it */
#define LS_DISPID_ADDPICTURE 56
#define LS_DISPID_HASPICTURE 57
#define LS_DISPID_REMOVEPICTURE 58
#define LS_DISPID_ATTACHMENTS 59
/* attachment (its FileName is the default member) */
#define LS_DISPID_DISPLAYNAME 60
#define LS_DISPID_SIZE 61
#define LS_DISPID_SAVEASFILE 62
/* the schema's texts: LS_DISPID_TEXT + their record tag less one */
#define LS_DISPID_TEXT 100
