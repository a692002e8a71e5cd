#include "batch/frmFileOps.h"

#include "batch/RunContext.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"

#include <QCoreApplication>
#include <QFileInfo>

int frmFileOps::ProcessFile(const QString& inputPath, const QString& outputPath, bool inPlace) {
    if (inPlace) {
        const int r = ExcludedFile(inputPath);
        if (r != 0)
            return r;
    }
    const bool encrypt = m_ctx.runSetup.blnEncrypt;
    zq4e::operation_initialization(m_ctx.runKey, encrypt ? 1 : 0, QFileInfo(inputPath).size(), 0);
    return encrypt ? zq4e::encrypt_file(inputPath, outputPath) : zq4e::decrypt_file(inputPath, outputPath);
}

int frmFileOps::ExcludedFile(const QString& path) const {
    const FileStamp file = FileStamp::of(path);
    const auto isFile = [&](const QString& other) {
        return path == other || file.sameFileAs(FileStamp::of(other));
    };
    if (isFile(programFilePath()))
        return 1;
    if (m_ctx.runKeyFrom == frmKeyFrom::FromKeyfile && !m_ctx.runKeyFile.isEmpty() && isFile(m_ctx.runKeyFile))
        return 2;
    const QString e = FileProc::FileExtension(path, true);
    if (!e.isEmpty())
        for (int i = 1; i <= intNumSensitiveExtns && i < int(strSensitiveExtns.size()); ++i)
            if (e == strSensitiveExtns[i])
                return 7;
    // Replacing one name of a file with other names would leave its old contents readable under those.
    if (file.valid && file.links > 1)
        return 9;
    return 0;
}

void frmFileOps::SetSensitiveFileExtensions() {
    static const char* const table[] = {"bat", "bin", "com", "dll", "drv", "exe", "ini", "ovl", "pif", "swp", "sys"};
    int i = 0;
    for (const char* e : table)
        strSensitiveExtns[++i] = QString::fromLatin1(e);
    intNumSensitiveExtns = i;
}

QString frmFileOps::programFilePath() const {
    if (!m_ctx.programFilePath.isEmpty())
        return m_ctx.programFilePath;
    return QCoreApplication::applicationFilePath();
}
