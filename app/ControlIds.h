#pragma once
// Identifiers shared by the windows, their resources and the tests that drive the real
// program: window classes and titles, control IDs, resource IDs. Plain #defines so the
// resource script can include this file too.

#define THEMEFOLD_APP_TITLE "Themefold"

#define THEMEFOLD_MAIN_CLASS "ThemefoldMain"
#define THEMEFOLD_MAIN_TITLE "Themefold Maker"
#define THEMEFOLD_README_CLASS "ThemefoldReadme"
#define THEMEFOLD_README_TITLE "Readme.txt"

// frmMain: the controls keep their design names.
#define IDC_TEXT1 1001     /* target path, read-only */
#define IDC_COMMAND3 1002  /* "..." browse */
#define IDC_TEXT3 1003     /* description, at most 300 characters */
#define IDC_TEXT4 1004     /* version */
#define IDC_COMMAND1 1005  /* "Generate..." */
#define IDC_COMMAND2 1006  /* "CLOSE" */
#define IDC_PICTURE1 1007  /* logo */
#define IDC_LABEL1 1011
#define IDC_LABEL2 1012
#define IDC_LABEL3 1013
#define IDC_LABEL4 1014
#define IDC_LABEL12 1015
#define IDC_LABEL13 1016   /* link */

// frmReadme
#define IDC_README_TEXT1 2001

// Resources of themefold.exe
#define IDI_THEMEFOLD 1    /* icon group, 32x32 and 16x16, 16 colours */
#define IDB_LOGO 101       /* 200x71 24-bit logo */
#define IDC_HAND_LINK 102  /* 32x32 two-colour hand cursor */
