// The tool's memory for large documents. A document of some megabytes is read
// into buffers of about its size (streams, the text, the output) and into many
// small ones (lines, parsed elements), all written once. Touched page by page,
// that memory costs a page fault every 4 KiB, and on virtual machines a fault
// costs several microseconds: for a 10 MB document the faults took longer than
// the reading. So, where the system gives huge pages on request (elsewhere the
// advice changes nothing):
// - blocks of 2 MiB and more are offered for huge pages when allocated;
// - the heap the small blocks come from is reserved 64 MiB at a time and kept for
//   the run, and its part past the first megabyte (all a small document needs)
//   is offered for huge pages as well.
//
// Only the tool does this; the library leaves allocation to its host. Not built
// under the sanitizers, which keep their own operator new.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t HugePage = std::size_t(2) << 20;

void AdviseHugePages(void* Block, std::size_t Size) {
#ifdef MADV_HUGEPAGE
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(Block);
  const std::uintptr_t from = (start + HugePage - 1) & ~(HugePage - 1);
  const std::uintptr_t to = (start + Size) & ~(HugePage - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)Block;
  (void)Size;
#endif
}

// Run before main: the heap's reserve and growth step, what of its top it keeps
// and the size from which a block is mapped on its own (the largest the C library
// would come to by itself) are fixed for the whole run.
const bool HeapPrepared = [] {
  constexpr std::size_t Reserve = std::size_t(64) << 20, SmallDocument = std::size_t(1) << 20;
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TOP_PAD, int(Reserve));
  mallopt(M_TRIM_THRESHOLD, int(2 * Reserve));
  char* const start = static_cast<char*>(sbrk(0));
  // Grows the heap by the reserve, without touching it: a block larger than what
  // is left at the heap's top (volatile: a pair of malloc and free the compiler
  // could see through would be left out).
  void* volatile probe = std::malloc(HugePage / 4);
  std::free(probe);
  char* const end = static_cast<char*>(sbrk(0));
  if (start != reinterpret_cast<char*>(-1) && end > start + SmallDocument)
    AdviseHugePages(start + SmallDocument, std::size_t(end - start) - SmallDocument);
  return true;
}();

void* Allocate(std::size_t Size) {
  void* block = std::malloc(Size ? Size : 1);
  if (!block) throw std::bad_alloc();
  if (Size >= HugePage) AdviseHugePages(block, Size);
  return block;
}

}  // namespace

void* operator new(std::size_t Size) { return Allocate(Size); }
void* operator new[](std::size_t Size) { return Allocate(Size); }
void operator delete(void* Block) noexcept { std::free(Block); }
void operator delete[](void* Block) noexcept { std::free(Block); }
void operator delete(void* Block, std::size_t) noexcept { std::free(Block); }
void operator delete[](void* Block, std::size_t) noexcept { std::free(Block); }
