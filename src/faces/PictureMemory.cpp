#include "faces/PictureMemory.h"

#include <malloc.h>

void KeepPictureMemory()
{
    constexpr int Largest = 32 * 1024 * 1024; // the allocator's upper bound for this setting
    mallopt(M_MMAP_THRESHOLD, Largest);
    mallopt(M_TRIM_THRESHOLD, 8 * Largest);
}
