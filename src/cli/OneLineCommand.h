#pragma once

#include "cli/CliOptions.h"

#include <QString>

struct OperationSetup;

// The one-line commands, "zq4 encrypt [options] PATH..." and "zq4 decrypt [options] PATH...": the paths become
// the setups of runs (the files named in one folder one run), which then go through the same launch checks
// and the same run as an operation file. Results keep the input's name and add ".enc" (taken off again when
// decrypting). "-" as the path is a stream (StreamCommand.h), "zq4 verify" a check (VerifyCommand.h).
namespace OneLineCommand {

inline constexpr char kExtension[] = "enc";

// Runs the command and returns the exit status.
int run(const CliOptions::Options& options);

// The setup of one path (made absolute from the current folder). False with a message naming the path.
bool setupFor(const CliOptions::Options& options, const QString& path, OperationSetup& setup, QString& wrong);

} // namespace OneLineCommand
