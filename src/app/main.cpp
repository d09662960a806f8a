// Entry point of the quavelin tool.
#include "app/driver.h"

int main(int argc, char** argv) {
    return runQuavelin(argc, argv);
}
