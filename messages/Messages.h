// The task-dialog messages of a run: a message, a question with two
// buttons and the keep-open question of the action dialog's close request.
// The actions, the download job, the pair probes, the support step, the
// dialog and the controller all call these directly.
//
// Texts are string ids of the companion library, or a content text built by
// the caller. Every message shares the window title (119), the footer (150)
// and the program's icon 101 as its window icon. When a message is not
// shown (silent mode, no companion library, and for ShowMessage also
// notification mode) or its dialog fails, the caller gets the default
// answer. Main thread only.
#pragma once

#include <cstdint>

#include <string_view>

#include "platform/Handles.h"
#include "platform/OwnedModule.h"
#include "platform/Platform.h"
#include "platform/TaskDialogs.h"
#include "resources/resource.h"
#include "run/CompanionIds.h"
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

// What the messages read of the run: its platform, its options and the
// companion library, whose string ids the texts are. The references are
// the run's own (RunView::Messages() makes one) and are read at the time of
// each message.
struct MessageContext {
    Platform& platform;
    const ToolOptions& options;
    const OwnedModule& companionLibrary;
};

// The answer to AskChoice: the first button or the second, which is also
// the default.
enum class Choice { kFirst, kSecond };

// The answer to AskKeepOpen: keep the dialog open (the default) or let it
// close.
enum class KeepOpen { kClose, kKeep };

// A message with the common buttons `commonButtons` (TDCBF_* flags);
// `defaultResult` is the default button and the answer when the message is
// not shown. Returns the pressed button's id (IDOK, IDCLOSE...).
std::int32_t ShowMessage(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                         std::uint16_t content, std::uint32_t commonButtons, std::int32_t defaultResult);

// A question whose two buttons carry the text ids `firstButtonText` and
// `secondButtonText`; the second is the default. Asked in notification mode
// too.
[[nodiscard]] Choice AskChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                               std::uint16_t content, std::uint16_t firstButtonText,
                               std::uint16_t secondButtonText);
[[nodiscard]] Choice AskChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                               std::u16string_view content, std::uint16_t firstButtonText,
                               std::uint16_t secondButtonText);

// The warning question of the action dialog's close request, over
// `parent`: "keep open" (string 184, the default) or "close" (string 183).
// Asked in notification mode too.
[[nodiscard]] KeepOpen AskKeepOpen(const MessageContext& run, WindowHandle parent, std::uint16_t content);
[[nodiscard]] KeepOpen AskKeepOpen(const MessageContext& run, WindowHandle parent, std::u16string_view content);

}  // namespace Korvane::PC::Tarnwick
