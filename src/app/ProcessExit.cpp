#include "app/ProcessExit.h"

#include <cstdio>
#include <cstdlib>

void EndProcessNow()
{
    std::fflush(nullptr);
    std::_Exit(0);
}
