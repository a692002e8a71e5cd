#pragma once

// The operation the main window sets up lives with the run that carries it out: batch/OperationSetup.h.
#include "batch/OperationSetup.h"
