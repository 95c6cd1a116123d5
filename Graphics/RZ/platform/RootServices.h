// How the library reaches the root library: memory blocks, the allocator,
// exceptions, channels, the variable-array service and the growable array.
#pragma once

#include "KWRoot/KWRoot.h"
