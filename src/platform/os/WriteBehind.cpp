#include "platform/os/WriteBehind.h"

#include "platform/os/NativeName.h"

#include <QFileInfo>

#include <atomic>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace WriteBehind {

namespace {
std::atomic<bool> g_underWay{false};
} // namespace

void start(const QString& path) {
    bool idle = false;
    if (!g_underWay.compare_exchange_strong(idle, true))
        return;
    const QByteArray folder = NativeName::encode(QFileInfo(path).absolutePath());
    const int fd = folder.isEmpty() ? -1 : ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        g_underWay = false;
        return;
    }
    try {
        std::thread([fd] {
            ::syncfs(fd);
            ::close(fd);
            g_underWay = false;
        }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
        g_underWay = false;
    }
}

} // namespace WriteBehind
