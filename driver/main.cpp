#include "driver/main_sequence.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    return runMainSequence(argc, platformCommandLine(argc, argv));
}
