#pragma once

#include "batch/OperationSetup.h"

#include <QString>

#include <functional>

class frmKeyFrom;
struct FileLine;

// What a batch run reads from, and writes back to, the window that owns the operation: the setup record
// and the working fields. The main window owns one and hands it to the report window.
struct RunContext {
    explicit RunContext(OperationSetup& s, frmKeyFrom& k) : setup(s), key(k) {}

    OperationSetup& setup; // blnEncrypt, blnOutputFilesSame, blnSubdirectories
    // The setup as the current run started. The run goes by this copy, so that switching the function or the
    // output in the main window while files are processed cannot change what happens to the rest of them.
    OperationSetup runSetup;
    frmKeyFrom& key; // strKey, intKeyFrom, strKeyFile
    // The key as the current run started, in a buffer of the run's own (wiped when the run ends), and where it
    // came from. The run uses only these, so erasing or changing the key meanwhile changes nothing for it.
    QByteArray runKey;
    int runKeyFrom = -1;
    QString runKeyFile;

    // Matching files of the folder being processed.
    qint64 intNumFiles = 0;
    // Set by the owner's clock at every tick, and by Stop so that a test waiting between passes wakes up.
    bool blnGenerateNextKey = false;
    bool blnPerformingReliabilityTest = false;
    // Set once the program has begun to end (Quit, or its window closed): whatever runs stops without a word.
    bool blnProgramEnding = false;
    int intMinFilesizeForRandomness = 256;
    double dblMinZQ4Randomness = 0.89;
    // The program's own executable, never replaced in place. Empty: the running executable.
    QString programFilePath;
    // Called when Stop is pressed: the owner stops its clock.
    std::function<void()> stopOwnerClock;
    // Called after each file's line is written, with that line (its code, 0 done, and its text); false stops the
    // run after this file. The command line says a file not done from it, and stops a decryption whose first files
    // all fail this way.
    std::function<bool(const FileLine& line)> afterFileLine;
    // Tests only: called when a result has been written, before it is checked or named (possibly on a worker);
    // result is where it can be read (/proc/self/fd/N while it has no name).
    std::function<void(const QString& original, const QString& result)> afterResultWritten;
    // Tests only: called when an in-place result has been read back and found right (possibly on a worker).
    std::function<void(const QString& original)> afterResultChecked;
    // Tests only: called just before an in-place original is purged.
    std::function<void(const QString& original)> beforePurge;
};
