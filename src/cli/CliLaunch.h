#pragma once

#include "batch/OperationSetup.h"
#include "cli/CliOptions.h"
#include "cli/CliSession.h"

#include <QList>
#include <QString>
#include <QStringList>

// The one launch of both front ends that run files (an operation file, and encrypt or decrypt): every check of
// every setup, then the key, then the runs one after the other, their report and exit status.
namespace CliLaunch {

// One run of the command, and what its messages are about (a path, a folder, the operation file).
struct Planned {
    OperationSetup setup;
    QString about;
};

struct Front {
    QStringList ownFiles;                            // the operation file, the keyfile: never the report
    CliSession::KeyAsk ask = CliSession::KeyAsk::No; // where a key given no other way is asked for
    CliRun::Output output = CliRun::Output::Report;
    bool plainMessages = false; // the command line's own voice (encrypt, decrypt)
};

// Every launch check of every run (exit 2 before a key is read or a file touched), the key, the runs. The exit
// status.
int run(CliSession::Session& session, QList<Planned>& planned, const CliOptions::Options& options, const Front& front);

} // namespace CliLaunch
