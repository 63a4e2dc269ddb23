#include "apistats.h"
#include "startup.h"

int main(int argc, char **argv)
{
    prepareProcess();
    return apistats::quorbitMain(argc, argv);
}
