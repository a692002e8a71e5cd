#pragma once

#include "cli/CliOptions.h"

// "zq4 encrypt -" and "zq4 decrypt -": standard input to standard output (or -o FILE), in the format of our
// files. Decrypted data is written only once its segment is authenticated; the first segment that fails ends
// the command (status 1) with a message. Neither ciphertext nor plaintext is written to a terminal.
namespace StreamCommand {

int run(const CliOptions::Options& options);

} // namespace StreamCommand
