#include "message_box.h"

#include <algorithm>

#include "window_text.h"

namespace uihelper {

namespace {

// The id the system gives a message box's text control.
constexpr int kTextControlId = 0xFFFF;
constexpr UINT kAnswerTimeoutMs = 2000;

LONG_PTR styleOf(HWND hwnd) { return GetWindowLongPtrA(hwnd, GWL_STYLE); }

bool isClass(HWND hwnd, const char* name) { return lstrcmpiA(windowClass(hwnd).c_str(), name) == 0; }

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child && children.size() < 256;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The text control: the one with the message box's own id, else the first static control that
// is not an icon.
HWND findTextControl(const std::vector<HWND>& children) {
    for (HWND child : children) {
        if ((GetDlgCtrlID(child) & 0xFFFF) == kTextControlId && isClass(child, "Static")) return child;
    }
    for (HWND child : children) {
        if (isClass(child, "Static") && (styleOf(child) & SS_TYPEMASK) != SS_ICON) return child;
    }
    return nullptr;
}

bool hasButton(const MessageBoxInfo& info, int id) {
    return std::any_of(info.buttons.begin(), info.buttons.end(),
                       [id](const BoxButton& b) { return b.id == id; });
}

int findDefaultId(HWND box, const MessageBoxInfo& info) {
    if (info.buttons.empty()) return 0;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs,
                            &answer) &&
        HIWORD(answer) == DC_HASDEFID && hasButton(info, LOWORD(answer)))
        return LOWORD(answer);
    for (const BoxButton& b : info.buttons) {
        if ((styleOf(b.hwnd) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) return b.id;
    }
    return hasButton(info, IDOK) ? IDOK : info.buttons.front().id;
}

}  // namespace

bool isMessageBox(const std::string& className) { return className == "#32770"; }

std::string withoutAccelerators(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        // '&' marks the next character; "&&" stands for one '&'.
        if (text[i] == '&' && ++i == text.size()) break;
        out += text[i];
    }
    return out;
}

MessageBoxInfo readMessageBox(HWND box) {
    MessageBoxInfo info;
    info.caption = windowTitle(box);
    const std::vector<HWND> children = childrenOf(box);
    if (HWND textControl = findTextControl(children)) info.text = controlText(textControl);

    struct Placed {
        RECT rect;
        BoxButton button;
    };
    std::vector<Placed> placed;
    for (HWND child : children) {
        if (!(styleOf(child) & WS_VISIBLE) || !isClass(child, "Button")) continue;
        Placed p{};
        GetWindowRect(child, &p.rect);
        p.button = BoxButton{child, GetDlgCtrlID(child), withoutAccelerators(controlText(child))};
        placed.push_back(std::move(p));
    }
    // In the order a reader sees them, whatever order the dialog made them in.
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
    });
    for (Placed& p : placed) info.buttons.push_back(std::move(p.button));
    info.defaultId = findDefaultId(box, info);
    return info;
}

const BoxButton* chooseButton(const MessageBoxInfo& info, const PressChoice& choice) {
    auto find = [&info](auto matches) -> const BoxButton* {
        auto it = std::find_if(info.buttons.begin(), info.buttons.end(), matches);
        return it == info.buttons.end() ? nullptr : &*it;
    };
    const BoxButton* chosen = nullptr;
    if (choice.by == PressChoice::By::Text) {
        const std::string wanted = withoutAccelerators(choice.text);
        chosen = find([&wanted](const BoxButton& b) { return b.name == wanted; });
    } else if (choice.by == PressChoice::By::Id) {
        chosen = find([&choice](const BoxButton& b) { return b.id == choice.id; });
    }
    if (!chosen) chosen = find([&info](const BoxButton& b) { return b.id == info.defaultId; });
    return chosen;
}

bool pressButton(HWND box, const BoxButton& button) {
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(button.id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button.hwnd)) != 0;
}

}  // namespace uihelper
