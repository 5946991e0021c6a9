/* Entry point of a windows-subsystem program whose main entry is wWinMain. */
#include "zorun32.h"

#include <stdlib.h>

void wWinMainCRTStartup(void) {
    exit(zoStart());
}
