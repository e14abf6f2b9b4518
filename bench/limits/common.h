/* Shared helpers of the limit programs: allocate a buffer, read a whole file,
 * write a buffer. */
#ifndef KVWORD_BENCH_LIMITS_COMMON_H
#define KVWORD_BENCH_LIMITS_COMMON_H

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdint.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

/* A buffer of N bytes, its whole 2 MiB pages offered for huge pages as kvword
 * offers its own large blocks: on virtual machines faulting in 4 KiB pages one at
 * a time costs more than inflating into them, and a limit must not pay for what
 * kvword does not. Exits with a message when memory runs out. */
static unsigned char* big_alloc(size_t n) {
  unsigned char* buf = malloc(n ? n : 1);
  if (!buf) {
    fprintf(stderr, "out of memory\n");
    exit(2);
  }
#ifdef MADV_HUGEPAGE
  const uintptr_t huge = (uintptr_t)2 << 20;
  uintptr_t from = ((uintptr_t)buf + huge - 1) & ~(huge - 1), to = ((uintptr_t)buf + n) & ~(huge - 1);
  if (to > from) madvise((void*)from, to - from, MADV_HUGEPAGE);
#endif
  return buf;
}

/* Reads the whole of PATH into a fresh buffer; exits with a message on failure. */
static unsigned char* read_whole(const char* path, size_t* size) {
  int fd = open(path, O_RDONLY);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) {
    fprintf(stderr, "%s: %s\n", path, strerror(errno));
    exit(2);
  }
  size_t n = (size_t)st.st_size;
  unsigned char* buf = big_alloc(n);
  size_t got = 0;
  while (got < n) {
    ssize_t r = read(fd, buf + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      fprintf(stderr, "%s: short read\n", path);
      exit(2);
    }
    got += (size_t)r;
  }
  close(fd);
  *size = n;
  return buf;
}

static void write_whole(const unsigned char* buf, size_t n) {
  while (n > 0) {
    ssize_t w = write(1, buf, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      perror("write");
      exit(2);
    }
    buf += w;
    n -= (size_t)w;
  }
}

#endif
