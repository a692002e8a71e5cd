#include "platform/os/FileIdentity.h"

#include "platform/os/NativeName.h"

#include <QFile>

#include <sys/stat.h>

FileStamp FileStamp::of(const QString& path) {
    struct stat st {};
    const QByteArray native = NativeName::encode(path);
    if (native.isEmpty() || ::stat(native.constData(), &st) != 0)
        return FileStamp();
    return of(st);
}

FileStamp FileStamp::of(const struct stat& st) {
    FileStamp s;
    s.valid = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.accessedNs = qint64(st.st_atim.tv_sec) * 1000000000 + st.st_atim.tv_nsec;
    s.links = st.st_nlink;
    s.owner = st.st_uid;
    s.group = st.st_gid;
    s.mode = st.st_mode;
    return s;
}

namespace FileIdentity {

bool sameFile(const QString& a, const QString& b) {
    if (a == b)
        return true;
    // The second is most often an output still to be made: nothing there, nothing more to ask.
    const FileStamp sb = FileStamp::of(b);
    return sb.valid && FileStamp::of(a).sameFileAs(sb);
}

} // namespace FileIdentity
