#pragma once

#include <functional>

// SIGTERM, SIGINT and SIGHUP (as at logout) end the program cleanly rather than mid-write: at once, inside the
// handler, the engine is told to abandon the file in progress (its partial output is removed, its input left
// as it was); then the event loop calls `quit`, which stops the run and closes the program as its own Quit does.
namespace QuitSignals {

// Installs the handlers; call once, from the thread that runs the event loop, after the application object
// exists. False when they could not be installed.
bool install(std::function<void()> quit);

} // namespace QuitSignals
