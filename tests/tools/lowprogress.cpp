// A tool as it is built for use, with one difference: the progress line
// shows for an input of any size, so that the tests can watch it on small
// traces. Built once per tool (TOOL_VARNEL or TOOL_QUORBIT).

#include "startup.h"

#if defined(TOOL_VARNEL)
#include "formatter.h"
#elif defined(TOOL_QUORBIT)
#include "apistats.h"
#else
#error "define TOOL_VARNEL or TOOL_QUORBIT"
#endif

int main(int argc, char **argv)
{
    prepareProcess();
#if defined(TOOL_VARNEL)
    return varnelMain(argc, argv, 0);
#elif defined(TOOL_QUORBIT)
    return apistats::quorbitMain(argc, argv, 0);
#endif
}
