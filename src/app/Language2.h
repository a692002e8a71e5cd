#pragma once

// The program texts live beside their loader, where every floor can reach them: platform/filekit/Language2.h.
#include "platform/filekit/Language2.h"
