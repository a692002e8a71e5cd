#include "platform/os/CoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace CoreDumps {

bool forbid() {
    const bool undumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    const rlimit none{0, 0};
    return ::setrlimit(RLIMIT_CORE, &none) == 0 && undumpable;
}

} // namespace CoreDumps
