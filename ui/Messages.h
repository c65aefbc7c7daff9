// The task-dialog messages of the run: who may show them and the
// configuration they share. The operations themselves are on the
// UpdateController (ShowMessage, AskChoice, AskKeepOpen).
#pragma once

#include <cstdint>

#include "app/ToolOptions.h"
#include "platform/Handles.h"
#include "platform/Platform.h"
#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick {

enum class MessageOperation { kShowMessage, kAskChoice, kAskKeepOpen };

// Whether `operation` shows its dialog in this run; when it does not, the
// caller gets the operation's default answer. Nothing shows in silent mode or
// without a companion library; ShowMessage also stays quiet in notification
// mode, while the questions (AskChoice, AskKeepOpen) are still asked there.
bool MessageShown(MessageOperation operation, const ToolOptions& options, bool companionLibraryLoaded);

// What every message shares: the module its ids are read from (null: the
// program's own), the flags (hyperlinks, Esc cancels, placed over its parent,
// sized to its content), its window title and footer ids and the program's
// icon used as window icon.
TaskDialogRequest MessageRequest(ModuleHandle instance, std::uint16_t titleId, std::uint16_t footerId,
                                 std::uint16_t windowIconId);

// Makes `request`'s hyperlinks open by the link rule (MayOpenLink) through
// the shell.
void OpenLinksByRule(TaskDialogRequest& request, Platform& platform);

// Ids of the companion library's messages.
inline constexpr std::uint16_t kMessageTitleString = 119;
inline constexpr std::uint16_t kMessageFooterString = 150;
inline constexpr std::uint16_t kProgressTextString = 141;
inline constexpr std::uint16_t kProgressIcon = 100;  // icon resource of the companion library
// The program's own icon 101, the window icon of every message.
inline constexpr std::uint16_t kProgramIcon = 101;

}  // namespace Korvane::PC::Tarnwick
