#pragma once

// A core dump, or another process reading this one's memory, would hand out the key and what was derived
// from it. Called first thing at start-up: the process is made non-dumpable (no core file, and only a
// privileged process may attach to it or read its memory) and its core-file limit is set to zero, for the
// window and the command line alike. False when the system refused either (the program runs on regardless).
namespace CoreDumps {

bool forbid();

} // namespace CoreDumps
