#include "key/Keyfile.h"

#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/DurableWrite.h"
#include "platform/os/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace Keyfile {

bool readKeyBytes(const QString& path, QByteArray& key, QString& errorText) {
    errorText.clear();
    KeyMaterial::replace(key, QByteArray(keyLength, '\0'));
    // Read straight into the key: a buffered read would leave a copy of the key in memory nobody wipes.
    const int fd = RegularFile::openDescriptor(path, errorText);
    if (fd < 0)
        return false;
    qsizetype filled = 0;
    while (filled < keyLength) {
        const ssize_t n = ::read(fd, key.data() + filled, std::size_t(keyLength - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            errorText = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            KeyMaterial::wipe(key);
            return false;
        }
        if (n == 0)
            break;
        filled += n;
    }
    ::close(fd);
    return true;
}

void replaceEmbeddedZeros(QByteArray& key) {
    qsizetype last = key.size() - 1;
    while (last >= 0 && key.at(last) == '\0')
        --last;
    // Index i counts from 0, the rule's positions from 1.
    for (qsizetype i = 0; i < last; ++i)
        if (key.at(i) == '\0')
            key[i] = static_cast<char>(128 - (i + 1));
}

bool writeKeyBytes(const QString& path, const QByteArray& key, QString& errorText) {
    return DurableWrite::writeFile(path, key, errorText);
}

void takeCandidate(frmKeyFrom& key) {
    KeyMaterial::replace(key.strKey, key.ReducedKey(key.strNewKey));
    key.intKeyChecksum = key.KeyChecksum(key.strKey);
    key.intKeyFrom = frmKeyFrom::FromKeyfile;
}

QString inspectionSourceLabel(const frmKeyFrom& key, bool isNewRandomKey) {
    if (isNewRandomKey)
        return QStringLiteral("New random key in file");
    if (key.blnKeyIsRandom)
        return QStringLiteral("Apparently random key from file");
    if (key.blnKeyIsText)
        return QStringLiteral("Text key from file");
    return QStringLiteral("Non-random non-text key from file");
}

QString createQuestion(const QString& path) {
    return QStringLiteral("Do you wish to create ") + path + QStringLiteral(" as a new random keyfile?");
}

QString overwriteQuestion(const QString& path) {
    return QStringLiteral("Overwrite existing file ") + path + QStringLiteral("?");
}

QString unsuitableText(const QString& path) {
    return path + QStringLiteral(" is not a suitable keyfile.");
}

QString dialogTitle(bool isNew, bool decrypting) {
    if (isNew)
        return QStringLiteral("Specify new keyfile");
    return QStringLiteral("Get ") + (decrypting ? QStringLiteral("decryption") : QStringLiteral("encryption")) +
           QStringLiteral(" key from keyfile");
}

} // namespace Keyfile
