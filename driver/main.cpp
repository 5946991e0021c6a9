#include "driver/main_sequence.h"

int main(int argc, char** argv) {
    return runMainSequence(argc, argv);
}
