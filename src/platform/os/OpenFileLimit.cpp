#include "platform/os/OpenFileLimit.h"

#include <sys/resource.h>

namespace OpenFileLimit {

long raiseTo(long wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur == RLIM_INFINITY)
        return wanted;
    if (limit.rlim_cur < rlim_t(wanted) && limit.rlim_max > limit.rlim_cur) {
        const rlimit raised{limit.rlim_max == RLIM_INFINITY || limit.rlim_max > rlim_t(wanted) ? rlim_t(wanted)
                                                                                                : limit.rlim_max,
                            limit.rlim_max};
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit.rlim_cur = raised.rlim_cur;
    }
    return long(limit.rlim_cur);
}

} // namespace OpenFileLimit
