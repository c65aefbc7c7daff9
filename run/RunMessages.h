// The run's three message operations, as the parts below the controller
// reach them. The controller provides them (its ShowMessage, AskChoice and
// AskKeepOpen); the actions, the job, the pair probes, the dialog and the
// support step hold a reference that the controller outlives.
//
// Texts are string ids of the companion library. Each operation returns the
// pressed button's id, or its default result when the message is not shown
// (silent mode, no companion library, and for ShowMessage notification
// mode). Main thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

class IRunMessages {
public:
    virtual ~IRunMessages() = default;

    // `commonButtons` are TDCBF_* flags; `defaultResult` is the default
    // button and the answer when the message is not shown.
    virtual std::int32_t ShowMessage(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                     std::uint32_t commonButtons, std::int32_t defaultResult) = 0;
    // Buttons 100 and 200 carry the given text ids; the default is 200.
    virtual std::int32_t AskChoice(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                   std::uint16_t firstButtonText, std::uint16_t secondButtonText) = 0;
    // The same with a content text built by the caller.
    virtual std::int32_t AskChoice(std::uint16_t icon, std::uint16_t mainInstruction, std::u16string_view content,
                                   std::uint16_t firstButtonText, std::uint16_t secondButtonText) = 0;
    // The warning question of the action dialog's close request, over
    // `parent`: 1 (string 184, the default) keeps the dialog open, 0 (string
    // 183) lets it close.
    virtual std::int32_t AskKeepOpen(WindowHandle parent, std::uint16_t content) = 0;
    virtual std::int32_t AskKeepOpen(WindowHandle parent, std::u16string_view content) = 0;
};

}  // namespace Korvane::PC::Tarnwick
