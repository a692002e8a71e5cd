#pragma once

#include <QString>

// The window needs a display. Without one (over ssh, in a service) the program says so and ends with exit
// status 2, as a refused command line does, rather than aborting.
namespace DisplayCheck {

// Why no window can be opened here, or empty: no window system is chosen (QT_QPA_PLATFORM, -platform among
// the arguments) and none is named in the environment (DISPLAY, WAYLAND_DISPLAY).
QString missingDisplay(int argc, char* argv[]);

// While one exists, a fatal failure (the window system named cannot be reached) prints its message and ends
// the program with exit status 2.
class Guard {
public:
    Guard();
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};

// The exit status of both cases.
constexpr int NoDisplayStatus = 2;

// Prints why no window can be opened, with the way to the command line, and returns NoDisplayStatus.
int refuse(const QString& why);

} // namespace DisplayCheck
