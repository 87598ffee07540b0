#ifndef KORVAN_SHELL_HEAP_H
#define KORVAN_SHELL_HEAP_H

// The program's allocator settings, made once at its start.
//
// A read of many order lines comes back as many small blocks: a row list
// and its texts, about 25 MB for 20,000 lines. With glibc's defaults the
// allocator hands the freed top of the heap back to the kernel, and the
// next large read faults every page in again, which cost a fifth of the
// time of such a read. The program keeps up to 64 MB of freed heap instead.
// Setting the trim threshold also ends glibc's adaptive mmap threshold, so
// that one is set too: blocks up to 32 MB (a row list of a million rows)
// come from the heap instead of being mapped and unmapped on every read.
//
// Only the program calls this: the libraries leave the process's
// allocator alone.

#ifdef __GLIBC__
#include <malloc.h>
#endif

inline void keep_freed_heap()
{
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

#endif
