// The root library, everything at once.
#pragma once

#include "KWRoot/Array.h"
#include "KWRoot/Channels.h"
#include "KWRoot/Exceptions.h"
#include "KWRoot/Memory.h"
#include "KWRoot/MemoryManager.h"
#include "KWRoot/VariableArray.h"
