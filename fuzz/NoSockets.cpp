// Linked into every fuzz target: the executable's socket() wins over the C
// library's, so no input can make a target open one (a fault sent to a FaultTo
// address would). Kept free of system headers to avoid their declaration.
#include <cerrno>

extern "C" int socket(int, int, int)
{
    errno = EACCES;
    return -1;
}
