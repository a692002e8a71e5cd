#include "batch/frmFileOps.h"

#include "batch/RunContext.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"

#include <QCoreApplication>
#include <QFileInfo>

int frmFileOps::ProcessFile(const QString& inputPath, const QString& outputPath) {
    if (m_ctx.runSetup.blnOutputFilesSame) {
        const int r = ExcludedFile(inputPath);
        if (r != 0)
            return r;
    }
    const bool encrypt = m_ctx.runSetup.blnEncrypt;
    zq4e::operation_initialization(m_ctx.key.strKey, encrypt ? 1 : 0, QFileInfo(inputPath).size(), 0);
    return encrypt ? zq4e::encrypt_file(inputPath, outputPath) : zq4e::decrypt_file(inputPath, outputPath);
}

int frmFileOps::ExcludedFile(const QString& path) const {
    if (path.compare(programFilePath(), Qt::CaseInsensitive) == 0)
        return 1;
    if (m_ctx.key.intKeyFrom == frmKeyFrom::FromKeyfile && !m_ctx.key.strKeyFile.isEmpty() &&
        path.compare(m_ctx.key.strKeyFile, Qt::CaseInsensitive) == 0)
        return 2;
    const QString e = FileProc::FileExtension(path, true);
    if (!e.isEmpty())
        for (int i = 1; i <= intNumSensitiveExtns && i < int(strSensitiveExtns.size()); ++i)
            if (e == strSensitiveExtns[i])
                return 7;
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
