/* Entry point of a console program. */
#include "zorun32.h"

#include <stdlib.h>

void mainCRTStartup(void) { exit(zoStart()); }
