// The one interface through which the interpreter core reaches the platform. The Win32 side
// implements it for the engine; tests implement it with recorders. The core includes no
// platform header: everything that needs a window, a console, a library or a message box
// goes through here.
#pragma once
#include <cstdint>

namespace kestrun {

class TextBuffer;

class Host {
public:
    virtual ~Host() = default;

    // Shows the run-time error box (no owner, stop icon, OK button) and returns when it is closed.
    virtual void showErrorBox(const char* text, const char* caption) = 0;

    // Detaches the process from its console, if it has one.
    virtual void releaseConsole() = 0;

    // Registers the two window classes programs open windows with and stores their names:
    // a white one and one painted in the application-workspace colour.
    virtual bool registerWindowClasses(TextBuffer& whiteClass, TextBuffer& workspaceClass) = 0;

    // Prepares services some statements rely on during a run (control containment for hosted
    // browsers, rich edit support).
    virtual void prepareRunServices() = 0;

    // Destroys the platform window of a window or dialog object of the program's object list
    // (the object itself stays).
    virtual void destroyObjectWindow(void* object) = 0;

    // Destroys a WINDOW variable's window object: its window and the object.
    virtual void deleteWindowObject(void* object) = 0;

    // Deletes a DIALOG variable's dialog object with its template (which destroys its window).
    virtual void deleteDialogObject(void* object) = 0;

    // The system window handle of a window or dialog object (not null), as a 32-bit value;
    // 0 while the object has no window.
    virtual std::uint32_t windowHandleOf(void* object) = 0;
};

}  // namespace kestrun
