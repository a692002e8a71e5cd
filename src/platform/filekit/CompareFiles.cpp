#include "platform/filekit/FileKit.h"
#include "platform/filekit/PosixFile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace filekit {

namespace {

constexpr qint64 kBufferSize = 1 << 20;

struct Side {
    posix::Fd fd;
    std::unique_ptr<char[]> buffer;
    bool empty = false;
};

// Opens one side: 0 when it can be read, else its "cannot open" (1) or "cannot read" (2) condition.
int openSide(const QString& path, Side& side) {
    if (path.isEmpty())
        return 1;
    side.fd.reset(posix::openForReading(path));
    if (!side.fd.isOpen())
        return 1;
    struct stat st {};
    if (::fstat(side.fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return 2;
    side.empty = st.st_size == 0;
    ::posix_fadvise(side.fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    side.buffer.reset(new (std::nothrow) char[kBufferSize]);
    return side.buffer ? 0 : 2;
}

} // namespace

qint64 compare_files(const QString& first, const QString& second) {
    Side a;
    Side b;
    const int stateA = openSide(first, a);
    if (stateA == 1)
        return -11;
    // An empty first file leaves nothing to compare, whatever the second one is (or is not).
    if (stateA == 0 && a.empty)
        return -31;
    const int stateB = openSide(second, b);
    if (stateB == 1)
        return -12;
    if (stateA == 2)
        return -21;
    if (stateB == 2)
        return -22;

    qint64 position = 0;
    for (;;) {
        const qint64 gotA = posix::readFull(a.fd.get(), a.buffer.get(), kBufferSize);
        if (gotA < 0)
            return -21;
        const qint64 gotB = posix::readFull(b.fd.get(), b.buffer.get(), kBufferSize);
        if (gotB < 0)
            return -22;
        if (position == 0 && gotA == 0)
            return -31;
        if (position == 0 && gotB == 0)
            return -32;
        const qint64 common = std::min(gotA, gotB);
        if (std::memcmp(a.buffer.get(), b.buffer.get(), static_cast<size_t>(common)) != 0) {
            qint64 i = 0;
            while (a.buffer[i] == b.buffer[i])
                ++i;
            return position + i;
        }
        // Both reads fill the buffer unless they reach the end, so differing counts mean one file has ended.
        if (gotA != gotB)
            return position + common;
        if (gotA < kBufferSize)
            return -1;
        position += gotA;
    }
}

} // namespace filekit
