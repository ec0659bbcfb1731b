// Reading a message box (caption, text, buttons) and pressing one of its buttons.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace uihelper {

struct BoxButton {
    HWND hwnd = nullptr;
    int id = 0;
    std::string name;  // the button's text without '&' accelerator marks
};

struct MessageBoxInfo {
    std::string caption;
    std::string text;
    std::vector<BoxButton> buttons;  // visible buttons, left to right (top to bottom)
    int defaultId = 0;               // id of the default button; 0 when there are no buttons
};

// Which button to press: the box's default one, or the one with a given text or control id.
struct PressChoice {
    enum class By { Default, Text, Id };
    By by = By::Default;
    std::string text;  // compared without '&' accelerator marks
    int id = 0;
};

// Message boxes are dialogs of the system's dialog class.
bool isMessageBox(const std::string& className);

MessageBoxInfo readMessageBox(HWND box);

// The chosen button if the box has one, else the box's default button; nullptr for a box
// without buttons.
const BoxButton* chooseButton(const MessageBoxInfo& info, const PressChoice& choice);

// Clicks the button the way the button itself would tell its dialog.
bool pressButton(HWND box, const BoxButton& button);

// "&Yes" -> "Yes", "Save && Quit" -> "Save & Quit".
std::string withoutAccelerators(std::string_view text);

}  // namespace uihelper
