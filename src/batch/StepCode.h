#pragma once

// What became of one file, beyond the cipher engine's own codes (zq4e::ResultCode, all negative): a step's outcome
// is an int holding either, 0 being done. The report's texts of each are in ResultTexts.
enum class StepCode : int {
    Done = 0,
    ProgramFile = 1,             // the program's own executable, never replaced in place
    CurrentKeyfile = 2,          // the keyfile of the run, never replaced in place
    Empty = 3,                   // 0 bytes: nothing to do
    TooSmall = 4,                // too short to be one of ours (decrypting)
    NoTemporaryName = 5,         // no free temporary name beside the file
    RenameFailed = 6,            // the result is complete under another name (counts as done)
    SensitiveExtension = 7,      // a program or system file, never replaced in place
    RenameFailedOnFloppy = 8,    // as 6, on a floppy (counts as done)
    OtherNames = 9,              // hard links would keep the old contents
    ChangedDuringOperation = 10, // written to while it was processed: left as it is
    PurgeFailed = 11,            // the original could not be purged; the result is kept beside it
    SymbolicLink = 12,           // the entry became a link: not followed
    NotARegularFile = 13,        // the entry became a socket, FIFO or device: not read
    NoOutputName = 14,           // the output pattern gives no name
};

// The code as the int a step's outcome is held in: +StepCode::Empty.
constexpr int operator+(StepCode c) {
    return static_cast<int>(c);
}
