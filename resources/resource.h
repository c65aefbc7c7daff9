/*
 * Resource ids shared by Tarnwick.rc and the C++ code. Preprocessor only, so
 * windres and the compilers can both read it without <windows.h>.
 */
#ifndef TARNWICK_RESOURCE_H
#define TARNWICK_RESOURCE_H

/* Icons */
#define IDI_APP                     101
#define IDI_LOGO                    102

/* Dialogs */
#define IDD_ACTION_DIALOG           129

/* Strings (all in string block 9, which holds ids 128..143) */
#define IDS_TOOL_NAME               131
#define IDS_FILES_MISSING           132
#define IDS_FILES_MISSING_TEXT      133
#define IDS_FILES_MISSING_FOOTER    134

/* Controls of IDD_ACTION_DIALOG (besides IDOK and IDCANCEL) */
#define IDC_STATIC_CAPTION          1000
#define IDC_STATIC_CAPTION_VRSION   1001
#define IDC_RICHEDIT                1002
#define IDC_LABEL_PC                1005
#define IDC_MACHINE_LINE            1006
#define IDC_LOGO                    1007
#define IDC_SEPARATOR               1008

#endif /* TARNWICK_RESOURCE_H */
