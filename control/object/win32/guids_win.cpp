// Defines the identifiers that gatherwick.h declares, once for the library.
#include <windows.h>
#include <ocidl.h>

#include <initguid.h>

#include "gatherwick.h"
