/* The ".docx" text floor: read a zip file whole, find one entry (word/document.xml
 * by default) through the central directory, inflate it with libdeflate in a
 * single call into a buffer of its stated size, and write to standard output the
 * character data of its <w:t> elements, as they stand (no entity decoding, no
 * line breaks): the least a text extractor must do with the part.
 *
 *   inflate_scan FILE.docx [ENTRY]
 *
 * Only what a docx written by a word processor needs: no zip64, no encryption,
 * methods 0 (stored) and 8 (deflate). Sizes and offsets are checked. */
#include <libdeflate.h>

#include "common.h"

static unsigned u16(const unsigned char* p) { return p[0] | (unsigned)p[1] << 8; }
static unsigned long u32(const unsigned char* p) {
  return p[0] | (unsigned long)p[1] << 8 | (unsigned long)p[2] << 16 | (unsigned long)p[3] << 24;
}

static void fail(const char* what) {
  fprintf(stderr, "inflate_scan: %s\n", what);
  exit(1);
}

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: inflate_scan FILE.docx [ENTRY]\n");
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
        struct libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        if (!d) fail("out of memory");
        if (libdeflate_deflate_decompress(d, zip + data, csize, out, usize, NULL) != LIBDEFLATE_SUCCESS)
          fail("inflate failed or size differs");
        libdeflate_free_decompressor(d);
      } else {
        fail("unsupported compression method");
      }
      /* The text of every <w:t> or <w:t ...>, compacted in place. */
      size_t textLen = 0;
      const unsigned char* q = out;
      const unsigned char* stopAt = out + usize;
      while ((q = memchr(q, '<', (size_t)(stopAt - q))) != NULL) {
        if (stopAt - q >= 5 && q[1] == 'w' && q[2] == ':' && q[3] == 't' && (q[4] == '>' || q[4] == ' ')) {
          const unsigned char* gt = memchr(q + 4, '>', (size_t)(stopAt - q - 4));
          if (!gt) break;
          if (gt[-1] == '/') { q = gt + 1; continue; }
          const unsigned char* lt = memchr(gt + 1, '<', (size_t)(stopAt - gt - 1));
          if (!lt) break;
          memmove(out + textLen, gt + 1, (size_t)(lt - gt - 1));
          textLen += (size_t)(lt - gt - 1);
          q = lt;
        } else {
          ++q;
        }
      }
      write_whole(out, textLen);
      free(out);
      free(zip);
      return 0;
    }
    p += 46 + nameLen + extraLen + commentLen;
  }
  fail("entry not found");
  return 1;
}
