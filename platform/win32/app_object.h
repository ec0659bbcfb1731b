// The process-wide application object: instance handles and the command line that the entry
// point received. Window, dialog and control classes read the instance from here.
#pragma once
#include <windows.h>

namespace kestrun::win32 {

class AppObject {
public:
    AppObject(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine)
        : instance_(instance), previous_(previous), commandLine_(commandLine) {
        current_ = this;
    }
    ~AppObject() {
        if (current_ == this) current_ = nullptr;
    }
    AppObject(const AppObject&) = delete;
    AppObject& operator=(const AppObject&) = delete;

    HINSTANCE instance() const { return instance_; }
    HINSTANCE previousInstance() const { return previous_; }
    LPSTR commandLine() const { return commandLine_; }

    // The one application object of the process, or null before start-up created it.
    static AppObject* current() { return current_; }

private:
    HINSTANCE instance_;
    HINSTANCE previous_;
    LPSTR commandLine_;
    static inline AppObject* current_ = nullptr;
};

}  // namespace kestrun::win32
