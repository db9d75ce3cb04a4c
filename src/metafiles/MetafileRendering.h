#pragma once

#include "logic/MetafileModule.h"

// The module's functions, for the module's entry and for programs that link them directly.
const MetafileModule *MetafileRendering();
