/* Resource identifiers of LocalStore.dll (plain #defines: windres and the
   tests read this file). */
#pragma once

#define IDR_LOCALSESSION 101

#define IDD_PICK_FOLDER 200
#define IDD_NEW_FOLDER 201

/* controls of the picker and of its "New Folder..." prompt */
#define IDC_FOLDER_TREE 1001
#define IDC_NEW_FOLDER 1002
#define IDC_FOLDER_NAME 1003
#define IDC_FOLDER_NAME_LABEL 1004
