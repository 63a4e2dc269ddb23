// varnel: copies a formatted MQ trace and expands the MQ structures it shows.

#include "formatter.h"
#include "startup.h"

int main(int argc, char **argv)
{
    prepareProcess();
    return varnelMain(argc, argv);
}
