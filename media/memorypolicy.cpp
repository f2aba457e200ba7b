#include "memorypolicy.h"

#include <cstdlib> // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Below a 640x360 picture, so every picture buffer is mapped on its own.
constexpr int MmapThresholdBytes = 256 * 1024;

} // namespace

void MemoryPolicy::apply()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, MmapThresholdBytes);
#endif
}
