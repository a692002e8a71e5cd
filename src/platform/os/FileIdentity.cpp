#include "platform/os/FileIdentity.h"

#include "platform/os/NativeName.h"

#include <QFile>

#include <sys/stat.h>

namespace FileIdentity {

bool sameEntry(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    const bool aExists = !a.isEmpty() && ::stat(NativeName::encode(a).constData(), &sa) == 0;
    const bool bExists = !b.isEmpty() && ::stat(NativeName::encode(b).constData(), &sb) == 0;
    if (aExists && bExists)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return !aExists && !bExists && a == b;
}

} // namespace FileIdentity
