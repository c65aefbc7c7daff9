/*
 * The ids of the program's own resources, the only place they are written:
 * Tarnwick.rc names its resources with the macros below and the C++ code
 * uses the typed constants at the end, made from the same macros. Needs no
 * <windows.h>; windres reads only the macros (the C++ part is guarded by
 * __cplusplus, which it does not define).
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

#ifdef __cplusplus
#include <cstdint>

namespace Korvane::PC::Tarnwick {

namespace OwnResource {
inline constexpr std::uint16_t kProgramIcon = IDI_APP;  // window icon of the dialog and of every message
inline constexpr std::uint16_t kLogoIcon = IDI_LOGO;
inline constexpr std::uint16_t kActionDialog = IDD_ACTION_DIALOG;
// The "files missing" message, shown before battery.dll is loaded.
inline constexpr std::uint16_t kToolNameString = IDS_TOOL_NAME;
inline constexpr std::uint16_t kFilesMissingString = IDS_FILES_MISSING;
inline constexpr std::uint16_t kDownloadAgainString = IDS_FILES_MISSING_TEXT;
inline constexpr std::uint16_t kFooterString = IDS_FILES_MISSING_FOOTER;
}  // namespace OwnResource

// Controls of the action dialog besides IDOK (1) and IDCANCEL (2).
namespace DialogControl {
inline constexpr int kCaption = IDC_STATIC_CAPTION;
inline constexpr int kRelease = IDC_STATIC_CAPTION_VRSION;
inline constexpr int kRichText = IDC_RICHEDIT;
inline constexpr int kPcLabel = IDC_LABEL_PC;
inline constexpr int kMachineLine = IDC_MACHINE_LINE;
inline constexpr int kLogo = IDC_LOGO;
inline constexpr int kSeparator = IDC_SEPARATOR;
}  // namespace DialogControl

}  // namespace Korvane::PC::Tarnwick
#endif /* __cplusplus */

#endif /* TARNWICK_RESOURCE_H */
