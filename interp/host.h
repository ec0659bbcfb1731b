// The one interface through which the interpreter core reaches the platform. The Win32 side
// implements it for the engine; tests implement it with recorders. The core includes no
// platform header: everything that needs a window, a console, a library or a message box
// goes through here.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

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

    // ---- Console ----
    // The program's console: text output, line input and key polling through the process's
    // standard handles. A standard stream that was already redirected to a file or a pipe when the
    // process started stays in place: output is written there, input read from there, and the
    // operations on the console screen (clearing, the cursor, the colours) do nothing for it.

    // Opens a console window and attaches the standard streams (the handles and the C library's
    // streams) to it, brings it to the front, and installs the control handler that keeps Ctrl+C
    // and the window's close button from ending the process.
    virtual void openConsole() = 0;
    // Releases the console and clears the standard handles that were attached to it.
    virtual void closeConsole() = 0;
    // Writes length bytes to standard output as they are.
    virtual void writeConsole(const char* text, std::size_t length) = 0;
    // The next byte of the C library's standard input, or -1 at its end.
    virtual int readConsoleChar() = 0;
    // Takes one pending console input event without waiting. A key press gives its character, or
    // the low byte of its virtual-key code when virtualKey is set; anything else, or nothing
    // pending, gives 0.
    virtual int pollConsoleKey(bool virtualKey) = 0;
    // Fills the console's whole screen buffer with blanks in the current attribute and puts the
    // cursor at the top left.
    virtual void clearConsole() = 0;
    // Moves the console cursor to the 0-based column and row.
    virtual void setConsoleCursor(std::int32_t column, std::int32_t row) = 0;
    // Sets the attribute (background * 16 + foreground) of the text written from now on.
    virtual void setConsoleAttribute(std::uint16_t attribute) = 0;
    // Writes length bytes at the current text position of a window object of the program (the
    // print statement's window destination) without a line end.
    virtual void printToWindow(void* window, const char* text, std::size_t length) = 0;

    // ---- Libraries ----
    // Loads a dynamic library by file name through the system loader and gives its handle, or
    // null when it cannot be loaded. The library stays loaded until it is released.
    virtual void* loadLibrary(const char* name) = 0;

    // ---- Date formatting ----
    // Formats the date of date (its year, month, day and weekday) with the system's date
    // formatter in its picture language, for locale 0 and without flags, into out (outSize bytes,
    // terminator included). The length of the text; 0, with out empty, when the formatter fails.
    virtual std::size_t formatDate(const std::tm& date, const char* picture, char* out, std::size_t outSize) = 0;

    // ---- Library calls ----
    // The entry point of an exported function of a library that loadLibrary gave, found by its
    // name; null when the library exports no such name.
    virtual void* findProcedure(void* library, const char* name) = 0;
    // Gives back one reference that loadLibrary took.
    virtual void releaseLibrary(void* library) = 0;
    // If a module of that name is loaded in the process, gives back one reference to it.
    virtual void releaseLoadedModule(const char* name) = 0;
    // ---- end of library calls ----

    // ---- Files and directories ----
    // Paths are the program's texts as given (relative ones count from the working directory).
    // Each operation gives true on success; a failure of the system is no error of the program.

    // Copies the file source to destination; with failIfExists an existing destination is left
    // as it is and the copy fails.
    virtual bool copyFile(const char* source, const char* destination, bool failIfExists) = 0;
    virtual bool deleteFile(const char* path) = 0;
    // Creates one directory (its parent must exist) / removes an empty directory.
    virtual bool makeDirectory(const char* path) = 0;
    virtual bool removeDirectory(const char* path) = 0;

    // Directory search. findFirst starts a search for pattern (wildcards * and ? in its last
    // part) and writes the bare name of the first matching entry into name (at most nameSize
    // bytes, terminator included; longer names are cut); it gives the search, or null when
    // nothing matches or the directory cannot be read. findNext writes the next name. findClose
    // ends a search that findFirst gave. Entries come in the order the system lists them,
    // including the directory's own entry and its parent's where the system reports them.
    enum class FindStep { Found, End, Failed };
    virtual void* findFirst(const char* pattern, char* name, std::size_t nameSize) = 0;
    virtual FindStep findNext(void* search, char* name, std::size_t nameSize) = 0;
    virtual void findClose(void* search) = 0;
    // ---- end of files and directories ----
};


}  // namespace kestrun
