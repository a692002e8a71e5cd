#pragma once

#include "platform/engine/Engine.h"
#include "platform/os/FileIdentity.h"

#include <QString>

#include <array>

struct RunContext;

// The engine call of one file and the rules that keep some files from being replaced in place.
class frmFileOps {
public:
    explicit frmFileOps(RunContext& context) : m_ctx(context) {}

    // Number of entries in use in strSensitiveExtns (1-based, like the table).
    int intNumSensitiveExtns = 0;
    std::array<QString, 21> strSensitiveExtns;

    // Encrypts or decrypts input into output (a different path) with the run's key. In place (the output
    // replaces the input afterwards), 1/2/7/9 for an excluded file; negative codes from the engine. inputSize:
    // the input's length when the caller knows it already.
    [[nodiscard]] int ProcessFile(const QString& inputPath, const QString& outputPath, bool inPlace,
                                  qint64 inputSize = -1);
    // The same with the way the result is written chosen for this file (zq4e::FileOptions), and all the engine
    // tells of it. inputSize: the input's length, as the caller found it (only told to the engine; a negative
    // one tells 0).
    [[nodiscard]] zq4e::FileResult Process(const QString& inputPath, const QString& outputPath, bool inPlace,
                                           qint64 inputSize, const zq4e::FileOptions& options);
    // 1 the program's own executable, 2 the current keyfile (both recognised as files, whatever the path's
    // spelling), 7 a sensitive extension, 9 a file with other names (hard links), 0 otherwise.
    int ExcludedFile(const QString& path) const;
    void SetSensitiveFileExtensions();

private:
    QString programFilePath() const;
    // The program and the keyfile as the file system sees them, looked up once per path.
    struct Known {
        QString path;
        FileStamp stamp;
    };
    static const FileStamp& stampOf(const QString& path, Known& known);
    mutable Known m_program, m_keyfile;

    RunContext& m_ctx;
};
