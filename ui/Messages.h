// The task-dialog messages of the run: who may show them, the configuration
// they share and the three operations (the controller's ShowMessage,
// AskChoice and AskKeepOpen delegate here).
#pragma once

#include <cstdint>

#include <string_view>

#include "platform/Handles.h"
#include "platform/OwnedModule.h"
#include "platform/Platform.h"
#include "platform/TaskDialogs.h"
#include "run/ToolOptions.h"

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

// What the operations read of the run: its platform, its options and the
// companion library, whose string ids the texts are.
struct MessageContext {
    Platform& platform;
    const ToolOptions& options;
    const OwnedModule& companionLibrary;
};

// The operations; see run/RunMessages.h for the answers.
std::int32_t ShowCompanionMessage(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                                  std::uint16_t content, std::uint32_t commonButtons, std::int32_t defaultResult);
std::int32_t AskCompanionChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                                std::uint16_t content, std::uint16_t firstButtonText,
                                std::uint16_t secondButtonText);
std::int32_t AskCompanionChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                                std::u16string_view content, std::uint16_t firstButtonText,
                                std::uint16_t secondButtonText);
std::int32_t AskCompanionKeepOpen(const MessageContext& run, WindowHandle parent, std::uint16_t content);
std::int32_t AskCompanionKeepOpen(const MessageContext& run, WindowHandle parent, std::u16string_view content);

// Ids of the companion library's messages.
inline constexpr std::uint16_t kMessageTitleString = 119;
inline constexpr std::uint16_t kMessageFooterString = 150;
inline constexpr std::uint16_t kProgressTextString = 141;
inline constexpr std::uint16_t kProgressIcon = 100;  // icon resource of the companion library
// The program's own icon 101, the window icon of every message.
inline constexpr std::uint16_t kProgramIcon = 101;

}  // namespace Korvane::PC::Tarnwick
