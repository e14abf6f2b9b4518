/* The ".docx" limit: read a zip file whole, find one entry (word/document.xml by
 * default) through the central directory and inflate it with zlib in a single
 * call into a buffer of its stated size, then write it to standard output.
 *
 *   inflate_entry FILE.docx [ENTRY]
 *
 * Only what a docx written by a word processor needs: no zip64, no encryption,
 * methods 0 (stored) and 8 (deflate). Sizes and offsets are checked. */
#include <zlib.h>

#include "common.h"

static unsigned u16(const unsigned char* p) { return p[0] | (unsigned)p[1] << 8; }
static unsigned long u32(const unsigned char* p) {
  return p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16 | (unsigned long)p[3] << 24;
}

static void fail(const char* what) {
  fprintf(stderr, "inflate_entry: %s\n", what);
  exit(1);
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: inflate_entry FILE.docx [ENTRY]\n");
    return 2;
  }
  const char* want = argc == 3 ? argv[2] : "word/document.xml";
  size_t wantLen = strlen(want);
  size_t size;
  unsigned char* zip = read_whole(argv[1], &size);

  /* End of central directory: 22 bytes plus a comment of up to 65535. */
  if (size < 22) fail("not a zip file");
  size_t eocd = size - 22, stop = size > 22 + 65535 ? size - 22 - 65535 : 0;
  while (u32(zip + eocd) != 0x06054b50UL) {
    if (eocd == stop) fail("no end of central directory");
    --eocd;
  }
  unsigned long count = u16(zip + eocd + 10), cdSize = u32(zip + eocd + 12), cdOff = u32(zip + eocd + 16);
  if (cdOff > size || cdSize > size - cdOff) fail("central directory out of the file");

  size_t p = cdOff, end = cdOff + cdSize;
  for (unsigned long i = 0; i < count; ++i) {
    if (end - p < 46 || u32(zip + p) != 0x02014b50UL) fail("bad central directory");
    unsigned method = u16(zip + p + 10);
    unsigned long csize = u32(zip + p + 20), usize = u32(zip + p + 24);
    unsigned nameLen = u16(zip + p + 28), extraLen = u16(zip + p + 30), commentLen = u16(zip + p + 32);
    unsigned long local = u32(zip + p + 42);
    if (end - p - 46 < (size_t)nameLen + extraLen + commentLen) fail("bad central directory");
    if (nameLen == wantLen && memcmp(zip + p + 46, want, wantLen) == 0) {
      if (local > size || size - local < 30 || u32(zip + local) != 0x04034b50UL) fail("bad local header");
      size_t data = local + 30 + u16(zip + local + 26) + u16(zip + local + 28);
      if (data > size || csize > size - data) fail("entry data out of the file");
      unsigned char* out = big_alloc(usize);
      if (method == 0) {
        if (csize != usize) fail("stored entry sizes differ");
        memcpy(out, zip + data, usize);
      } else if (method == 8) {
        z_stream zs;
        memset(&zs, 0, sizeof zs);
        if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) fail("inflateInit2");
        zs.next_in = zip + data;
        zs.avail_in = (uInt)csize;
        zs.next_out = out;
        zs.avail_out = (uInt)usize;
        int rc = inflate(&zs, Z_FINISH);
        if (rc != Z_STREAM_END || zs.total_out != usize) fail("inflate failed or size differs");
        inflateEnd(&zs);
      } else {
        fail("unsupported compression method");
      }
      write_whole(out, usize);
      free(out);
      free(zip);
      return 0;
    }
    p += 46 + nameLen + extraLen + commentLen;
  }
  fail("entry not found");
  return 1;
}
