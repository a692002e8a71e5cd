#include "platform/os/DisplayCheck.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace DisplayCheck {

namespace {

QtMessageHandler previousHandler = nullptr;

void exitOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    std::_Exit(refuse(message));
}

} // namespace

QString missingDisplay(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return {};
    return QStringLiteral("no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).");
}

int refuse(const QString& why) {
    std::fprintf(stderr,
                 "zq4: %s\nzq4: the window needs a display; without one, see zq4 --help for the command line.\n",
                 why.toLocal8Bit().constData());
    std::fflush(stderr);
    return NoDisplayStatus;
}

Guard::Guard() {
    previousHandler = qInstallMessageHandler(exitOnFatal);
}

Guard::~Guard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}

} // namespace DisplayCheck
