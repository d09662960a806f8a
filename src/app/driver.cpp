// The run from start to exit: help and version texts, argument checks, the steps in order.
#include "app/driver.h"

#include <QCoreApplication>

int runQuavelin(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return 0;
}
