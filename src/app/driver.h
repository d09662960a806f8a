// The run from start to exit: help and version texts, argument checks, the steps in order.
#pragma once

int runQuavelin(int argc, char** argv);
