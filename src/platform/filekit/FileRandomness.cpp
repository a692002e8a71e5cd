#include "platform/filekit/FileKit.h"
#include "platform/filekit/PosixFile.h"
#include "platform/filekit/RandomnessMeasure.h"

#include <algorithm>
#include <memory>

namespace filekit {

namespace {

constexpr qint64 kWholeFileLimit = 4 << 20;
constexpr qint64 kBufferSize = 1 << 20;
constexpr int kStretches = 32;
constexpr qint64 kStretchSize = 128 << 10;

constexpr double kNotFound = -11;
constexpr double kReadError = -12;
constexpr double kEmpty = -14;
constexpr double kTooShort = -15;

} // namespace

double fr(const QString& path, int minimumSize) {
    if (path.isEmpty())
        return kNotFound;
    posix::Fd fd(posix::openForReading(path));
    if (!fd.isOpen())
        return posix::isMissing(errno) ? kNotFound : kReadError;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return kReadError;
    const qint64 size = st.st_size;
    if (size == 0)
        return kEmpty;
    if (size < minimumSize)
        return kTooShort;

    ::posix_fadvise(fd.get(), 0, 0, size <= kWholeFileLimit ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    measure::ByteStatistics stats;
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferSize]);
    if (!buffer)
        return kReadError;
    if (size <= kWholeFileLimit) {
        for (;;) {
            const qint64 got = posix::readFull(fd.get(), buffer.get(), kBufferSize);
            if (got < 0)
                return kReadError;
            stats.add(reinterpret_cast<const uchar*>(buffer.get()), got, false);
            if (got < kBufferSize)
                break;
        }
    } else {
        const qint64 span = size - kStretchSize;
        for (int i = 0; i < kStretches; ++i) {
            const qint64 offset = span * i / (kStretches - 1);
            const qint64 got = posix::preadFull(fd.get(), buffer.get(), kStretchSize, offset);
            if (got < 0)
                return kReadError;
            stats.add(reinterpret_cast<const uchar*>(buffer.get()), got, true);
        }
    }
    // The file may have been emptied while it was being read.
    if (stats.byteCount() == 0)
        return kEmpty;
    return stats.fileValue();
}

} // namespace filekit
