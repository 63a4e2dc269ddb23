#include "apistats.h"

int main(int argc, char **argv) { return apistats::quorbitMain(argc, argv); }
