// quorvel-host: a small headless player host that renders a module through an input
// plug-in (see host_session.h for the commands).
#include "host_session.h"

int main(int argc, char **argv)
{
    int status = host_run(argc - 1, argv + 1, stdout);
    fflush(stdout);
    return status;
}
