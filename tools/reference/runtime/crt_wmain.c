/* Entry point of a console program whose main entry is wmain. */
#include "zorun32.h"

#include <stdlib.h>

void wmainCRTStartup(void) {
    exit(zoStart());
}
