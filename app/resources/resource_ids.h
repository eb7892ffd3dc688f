/* Resource identifiers shared by pindrel.rc and the layout tables. Plain
   #defines only: windres reads nothing else. */
#ifndef PINDREL_RESOURCE_IDS_H
#define PINDREL_RESOURCE_IDS_H

#define IDI_PINDREL 1   /* icon group: main window, About box, the .exe */
#define IDB_BANNER 101  /* 487 x 113 banner at the top of the main window */
#define IDB_ABOUT 102   /* 153 x 111 product picture of the About box */
#define IDB_XPSTYLE 103 /* 54 x 54 picture of the visual-style control */
#define IDI_CONTACT 2   /* 16 x 16 contact card of the export and import windows */
#define IDI_FOLDER 3    /* 16 x 16 contacts folder of the import window */

#endif
