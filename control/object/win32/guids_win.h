// IGatherwick, its coclass and type library, as widl declares them from gatherwick.idl.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "gatherwick.h"
