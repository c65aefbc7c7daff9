// The task-dialog messages that the run raises. Texts are string ids of the
// companion library; every message shares the window title (119), the footer
// (150) and the program's icon 101 as its window icon.
#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint16_t kMessageTitle = 119;
constexpr std::uint16_t kMessageFooter = 150;
constexpr std::int32_t kFirstChoice = 100;
constexpr std::int32_t kSecondChoice = 200;

TaskDialogRequest CompanionMessage(ModuleHandle library) {
    TaskDialogRequest request;
    request.instance = library;
    request.flags = kMessageFlags;
    request.windowTitleId = kMessageTitle;
    request.footerId = kMessageFooter;
    return request;
}

}  // namespace

std::int32_t UpdateController::ShowMessage(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                           std::uint32_t commonButtons, std::int32_t defaultResult) {
    if (options.silent || options.viewTarget || !companionLibrary) return defaultResult;
    TaskDialogRequest request = CompanionMessage(companionLibrary.get());
    request.mainIconId = icon;
    request.mainInstructionId = mainInstruction;
    request.contentId = content;
    request.commonButtons = commonButtons;
    request.defaultButton = defaultResult;
    return platform.taskDialogs.Show(request).value_or(defaultResult);
}

std::int32_t UpdateController::AskChoice(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                         std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    if (options.silent || !companionLibrary) return kSecondChoice;
    TaskDialogRequest request = CompanionMessage(companionLibrary.get());
    request.mainIconId = icon;
    request.mainInstructionId = mainInstruction;
    request.contentId = content;
    request.buttons = {{kFirstChoice, firstButtonText}, {kSecondChoice, secondButtonText}};
    request.defaultButton = kSecondChoice;
    return platform.taskDialogs.Show(request).value_or(kSecondChoice);
}

}  // namespace Korvane::PC::Tarnwick
