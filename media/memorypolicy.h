#ifndef VISTALOOM_MEMORYPOLICY_H
#define VISTALOOM_MEMORYPOLICY_H

// How the programs ask the C library to hand memory back. Called once at
// the start of main(), before any thread is started.
namespace MemoryPolicy {

// glibc raises its mmap threshold after each large free, so picture-sized
// buffers end up in the heap arenas of the decoder threads and stay
// resident long after the video that needed them. A fixed threshold keeps
// them mapped on their own and returned as soon as they are freed.
void apply();

} // namespace MemoryPolicy

#endif
