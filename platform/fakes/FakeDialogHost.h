// Test twin of IDialogHost and of the dialog window it hands to a dialog.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/DialogHost.h"

namespace Korvane::PC::Tarnwick {

// A dialog host without windows. Each modal run calls the dialog's
// OnInitDialog, then plays the next scripted user action (a control id, or
// a close request), and returns what the dialog passed to EndDialog. Its
// Window records the operations asked of it; it does not model fonts, DPI,
// icons, the rich-edit control or the posted focus. The COM apartment is
// recorded around each dialog ("co:6" before it, "unco" after), as the real
// host enters and leaves it; no apartment is modelled.
class FakeDialogHost : public IDialogHost {
public:
    static constexpr int kClose = -100;  // script entry: Esc / close box

    std::deque<int> script;        // user actions, one per dialog shown
    std::vector<std::string> calls;  // "cc", "lib:<name>", "co:6", "dialog:<id>", "unco"
    int dialogsShown = 0;
    WindowHandle activeWindow = nullptr;
    WindowHandle lastParent = reinterpret_cast<WindowHandle>(1);

    void InitCommonControls() override { calls.push_back("cc"); }
    void LoadLibraryAndKeep(std::u16string_view name) override {
        calls.push_back("lib:" + std::string(name.begin(), name.end()));
    }
    WindowHandle GetActiveWindow() override { return activeWindow; }
    std::intptr_t RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) override;

    class Window : public IDialogWindow {
    public:
        std::intptr_t endResult = 0;
        bool ended = false;
        std::vector<std::string> log;
        WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(0x1234); }
        void SetTitle(std::u16string_view text) override {
            log.push_back("title");
            title = text;
        }
        void SetItemText(int id, std::u16string_view text) override {
            log.push_back("text:" + std::to_string(id));
            texts[id] = text;
        }
        void ShowItem(int id, bool visible) override {
            log.push_back((visible ? "show:" : "hide:") + std::to_string(id));
        }
        void EnableItem(int id, bool enabled) override {
            log.push_back((enabled ? "enable:" : "disable:") + std::to_string(id));
        }
        void EndDialog(std::intptr_t result) override {
            endResult = result;
            ended = true;
        }
        void SetWindowIcons(std::uint16_t id) override { log.push_back("icons:" + std::to_string(id)); }
        void SetScaledIcon(int controlId, std::uint16_t id, int width, int height) override {
            log.push_back("icon:" + std::to_string(controlId) + ":" + std::to_string(id) + ":" +
                          std::to_string(width) + "x" + std::to_string(height));
        }
        void SetItemFont(int controlId, Font font) override {
            log.push_back((font == Font::kCaption ? "caption-font:" : "body-font:") + std::to_string(controlId));
        }
        void StreamRichText(int controlId, std::span<const std::uint8_t> rtf) override {
            log.push_back("rtf:" + std::to_string(controlId));
            richText.assign(rtf.begin(), rtf.end());
        }
        void AlignRightEdge(int controlId, int referenceId) override {
            log.push_back("align:" + std::to_string(controlId) + ":" + std::to_string(referenceId));
        }
        void PostFocus(int controlId) override { log.push_back("focus:" + std::to_string(controlId)); }
        void OpenAddress(std::u16string_view address) override { opened.emplace_back(address); }

        std::u16string title;
        std::map<int, std::u16string> texts;
        std::vector<std::uint8_t> richText;
        std::vector<std::u16string> opened;
    };
};

inline std::intptr_t FakeDialogHost::RunModalDialog(std::uint16_t templateId, WindowHandle parent,
                                                    IDialogDelegate& dialog) {
    calls.push_back("co:6");  // COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE
    calls.push_back("dialog:" + std::to_string(templateId));
    lastParent = parent;
    ++dialogsShown;
    Window window;
    dialog.OnInitDialog(window);
    // Plays scripted actions until the dialog ends; an empty script means
    // the user closes the dialog.
    for (int guard = 0; !window.ended && guard < 100; ++guard) {
        const int action = script.empty() ? kClose : script.front();
        if (!script.empty()) script.pop_front();
        if (action == kClose) {
            dialog.OnCloseRequest(window);
        } else {
            dialog.OnCommand(window, action);
        }
    }
    calls.push_back("unco");
    return window.ended ? window.endResult : -1;
}

}  // namespace Korvane::PC::Tarnwick
