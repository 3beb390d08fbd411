#pragma once
// Identifiers shared by the windows, their resources and the tests that drive the real
// program: window classes and titles, control IDs, resource IDs. Plain #defines so the
// resource script can include this file too.

#include "base/AppTitle.h"

#define THEMEFOLD_MAIN_CLASS "ThemefoldMain"
#define THEMEFOLD_MAIN_TITLE "Themefold Maker"
#define THEMEFOLD_README_CLASS "ThemefoldReadme"
#define THEMEFOLD_README_TITLE "Readme.txt"
#define THEMEFOLD_OPTIONS_CLASS "ThemefoldOptions"
#define THEMEFOLD_OPTIONS_TITLE "Manifest options"

// frmMain: the controls keep their design names.
#define IDC_TEXT1 1001    /* target path, read-only */
#define IDC_COMMAND3 1002 /* "..." browse */
#define IDC_TEXT3 1003    /* description, at most 300 characters */
#define IDC_TEXT4 1004    /* version */
#define IDC_COMMAND1 1005 /* "Generate..." */
#define IDC_COMMAND2 1006 /* "CLOSE" */
#define IDC_PICTURE1 1007 /* logo */
#define IDC_COMMAND4 1008 /* "Options..." */
#define IDC_COMMAND5 1009 /* "Embed in the program" */
#define IDC_CHECK1 1010   /* with the components the program uses */
#define IDC_LABEL1 1011
#define IDC_LABEL2 1012
#define IDC_LABEL3 1013
#define IDC_LABEL4 1014
#define IDC_LABEL12 1015
#define IDC_LABEL13 1016 /* link */

// frmReadme
#define IDC_README_TEXT1 2001

// frmOptions. OK and Cancel carry the numbers of IDOK and IDCANCEL, so that Enter and Esc
// press them.
#define IDC_OPTIONS_OK 1
#define IDC_OPTIONS_CANCEL 2
#define IDC_OPTIONS_SUPPORTEDOS 3001 /* check box */
#define IDC_OPTIONS_SUPPORTEDOS_NOTE 3002
#define IDC_OPTIONS_RUNLEVEL_LABEL 3003
#define IDC_OPTIONS_RUNLEVEL 3004 /* drop-down list */
#define IDC_OPTIONS_RUNLEVEL_NOTE 3005
#define IDC_OPTIONS_DPI_LABEL 3006
#define IDC_OPTIONS_DPI 3007 /* drop-down list */
#define IDC_OPTIONS_DPI_NOTE 3008
#define IDC_OPTIONS_PERMONITOR_NOTE 3009
#define IDC_OPTIONS_GDISCALING 3010 /* check box */
#define IDC_OPTIONS_GDISCALING_NOTE 3011
#define IDC_OPTIONS_LONGPATHS 3012 /* check box */
#define IDC_OPTIONS_LONGPATHS_NOTE 3013
#define IDC_OPTIONS_REPORT 3014 /* what the program carries now, read-only */
#define IDC_OPTIONS_COMPONENTS_LABEL 3015
#define IDC_OPTIONS_COMPONENTS 3016 /* list box */
#define IDC_OPTIONS_ADD_COMPONENT 3017
#define IDC_OPTIONS_REMOVE_COMPONENT 3018
#define IDC_OPTIONS_FROM_PROJECT 3019
#define IDC_OPTIONS_CODEPAGE_LABEL 3020
#define IDC_OPTIONS_CODEPAGE 3021 /* drop-down list */
#define IDC_OPTIONS_CODEPAGE_NOTE 3022
#define IDC_OPTIONS_UTF8_NOTE 3023
#define IDC_OPTIONS_PRINTERISOLATION 3024 /* check box */
#define IDC_OPTIONS_PRINTERISOLATION_NOTE 3025

// Resources of themefold.exe
#define IDI_THEMEFOLD 1   /* icon group, 32x32 and 16x16, 16 colours */
#define IDB_LOGO 101      /* 200x71 24-bit logo */
#define IDC_HAND_LINK 102 /* 32x32 two-colour hand cursor */
