#pragma once

// Disk facts live with the other facts of the operating system: platform/os/DiskProc.h.
#include "platform/os/DiskProc.h"
