#include "batch/frmFileOps.h"

#include "batch/RunContext.h"
#include "batch/StepCode.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/PathEntry.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

int frmFileOps::ProcessFile(const QString& inputPath, const QString& outputPath, bool inPlace, qint64 inputSize) {
    if (inPlace) {
        const int r = ExcludedFile(inputPath);
        if (r != 0)
            return r;
    }
    const bool encrypt = m_ctx.runSetup.blnEncrypt;
    zq4e::operation_initialization(m_ctx.runKey, encrypt ? 1 : 0,
                                   inputSize >= 0 ? inputSize : PathEntry::size(inputPath), 0);
    return encrypt ? zq4e::encrypt_file(inputPath, outputPath) : zq4e::decrypt_file(inputPath, outputPath);
}

zq4e::FileResult frmFileOps::Process(const QString& inputPath, const QString& outputPath, bool inPlace,
                                     qint64 inputSize, const zq4e::FileOptions& options) {
    if (inPlace) {
        zq4e::FileResult excluded;
        excluded.code = ExcludedFile(inputPath);
        excluded.path = outputPath;
        if (excluded.code != 0)
            return excluded;
    }
    const bool encrypt = m_ctx.runSetup.blnEncrypt;
    zq4e::operation_initialization(m_ctx.runKey, encrypt ? 1 : 0, std::max<qint64>(inputSize, 0), 0);
    return encrypt ? zq4e::encrypt_file(inputPath, outputPath, options)
                   : zq4e::decrypt_file(inputPath, outputPath, options);
}

int frmFileOps::ExcludedFile(const QString& path) const {
    const FileStamp file = FileStamp::of(path);
    if (path == programFilePath() || file.sameFileAs(stampOf(programFilePath(), m_program)))
        return +StepCode::ProgramFile;
    if (m_ctx.runKeyFrom == frmKeyFrom::FromKeyfile && !m_ctx.runKeyFile.isEmpty() &&
        (path == m_ctx.runKeyFile || file.sameFileAs(stampOf(m_ctx.runKeyFile, m_keyfile))))
        return +StepCode::CurrentKeyfile;
    const QString e = FileProc::FileExtension(path, true);
    if (!e.isEmpty())
        for (int i = 1; i <= intNumSensitiveExtns && i < int(strSensitiveExtns.size()); ++i)
            if (e == strSensitiveExtns[i])
                return +StepCode::SensitiveExtension;
    // Replacing one name of a file with other names would leave its old contents readable under those.
    if (file.valid && file.links > 1)
        return +StepCode::OtherNames;
    return +StepCode::Done;
}

void frmFileOps::SetSensitiveFileExtensions() {
    // A new run looks at the program and the keyfile afresh.
    m_program = m_keyfile = Known();
    static const char* const table[] = {"bat", "bin", "com", "dll", "drv", "exe", "ini", "ovl", "pif", "swp", "sys"};
    int i = 0;
    for (const char* e : table)
        strSensitiveExtns[++i] = QString::fromLatin1(e);
    intNumSensitiveExtns = i;
}

const FileStamp& frmFileOps::stampOf(const QString& path, Known& known) {
    if (known.path != path) {
        known.path = path;
        known.stamp = FileStamp::of(path);
    }
    return known.stamp;
}

QString frmFileOps::programFilePath() const {
    if (!m_ctx.programFilePath.isEmpty())
        return m_ctx.programFilePath;
    return QCoreApplication::applicationFilePath();
}
