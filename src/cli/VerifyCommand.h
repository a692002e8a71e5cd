#pragma once

#include "cli/CliOptions.h"

// "zq4 verify [-r] PATH...": every segment of each encrypted file authenticated with the key, nothing written.
// A file that does not verify is one line on standard error; status 0 only when every file verified.
namespace VerifyCommand {

int run(const CliOptions::Options& options);

} // namespace VerifyCommand
