/* Entry point of a windows-subsystem program. */
#include "zorun32.h"

#include <stdlib.h>

void WinMainCRTStartup(void) { exit(zoStart()); }
