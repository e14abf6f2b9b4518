// Writes msword/base/CodePageData.cpp: the decoding tables of the Windows code
// pages the library reads (874, 932, 936, 949, 950, 1250-1258 but 1252, 1361)
// and of the DOS pages of Word for DOS files (437, 737, 775, 850-869),
// taken from the C library's iconv on the machine that runs it. The library
// decodes from the written tables, so that a statically linked program loads no
// conversion module at run time and reads the same on every system.
//
//   g++ -O1 -o /tmp/codepage-tables scripts/codepage-tables.cpp
//   /tmp/codepage-tables > msword/base/CodePageData.cpp
//
// A byte is decoded alone; on a double-byte page a byte 0x80 or above that does not
// decode alone is a lead byte, and each lead with each trail byte from 0x21 is
// decoded as a pair. Whatever does not give exactly one UTF-16 code unit is left
// out (the library gives U+FFFD for it).
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool DecodeOne(iconv_t cd, const char* bytes, size_t len, char16_t& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[4];
  std::memcpy(in, bytes, len);
  char* inp = in;
  size_t inLeft = len;
  char16_t result[4];
  char* outp = reinterpret_cast<char*>(result);
  size_t outLeft = sizeof(result);
  if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == size_t(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &outp, &outLeft) == size_t(-1)) return false;
  if (inLeft != 0 || sizeof(result) - outLeft != 2) return false;
  out = result[0];
  return true;
}

struct TPage {
  unsigned CodePage;
  const char* Name;
  bool IsDouble;
};

const TPage kPages[] = {{874, "CP874", false},  {932, "CP932", true},    {936, "CP936", true},
                        {949, "CP949", true},   {950, "CP950", true},    {1250, "CP1250", false},
                        {1251, "CP1251", false}, {1253, "CP1253", false}, {1254, "CP1254", false},
                        {1255, "CP1255", false}, {1256, "CP1256", false}, {1257, "CP1257", false},
                        {1258, "CP1258", false}, {1361, "JOHAB", true},
                        // The DOS pages of Word for DOS files.
                        {437, "CP437", false},   {737, "CP737", false},   {775, "CP775", false},
                        {850, "CP850", false},   {852, "CP852", false},   {855, "CP855", false},
                        {857, "CP857", false},   {860, "CP860", false},   {861, "CP861", false},
                        {862, "CP862", false},   {863, "CP863", false},   {864, "CP864", false},
                        {865, "CP865", false},   {866, "CP866", false},   {869, "CP869", false}};

void PrintValues(const std::vector<unsigned>& values) {
  for (size_t i = 0; i < values.size(); ++i)
    std::printf("%s0x%04X,%s", i % 12 == 0 ? "    " : " ", values[i], i % 12 == 11 || i + 1 == values.size() ? "\n" : "");
}

}  // namespace

int main() {
  std::printf(
      "// Written by scripts/codepage-tables.cpp from the C library's iconv; do not edit.\n"
      "// The decoding tables of the Windows code pages the library reads (see CodePageData.h).\n"
      "#include \"msword/base/CodePageData.h\"\n\n"
      "namespace msword {\n\nnamespace {\n\n");
  std::vector<unsigned> rowCounts;
  for (const TPage& page : kPages) {
    iconv_t cd = iconv_open("UTF-16LE", page.Name);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      std::fprintf(stderr, "no iconv conversion from %s\n", page.Name);
      return 1;
    }
    std::vector<unsigned> single(256, 0xFFFD);
    std::vector<bool> lead(256, false);
    for (int b = 0; b < 256; ++b) {
      const char byte = char(b);
      char16_t c;
      if (DecodeOne(cd, &byte, 1, c)) single[size_t(b)] = c;
      else if (page.IsDouble && b >= 0x80) lead[size_t(b)] = true;
    }
    std::printf("// Code page %u.\nconstexpr char16_t kSingle%u[256] = {\n", page.CodePage, page.CodePage);
    PrintValues(single);
    std::printf("};\n");
    unsigned rows = 0;
    if (page.IsDouble) {
      std::vector<unsigned> values;
      std::vector<unsigned> descriptors;  // lead, first trail, count, offset
      for (int l = 0x80; l < 256; ++l) {
        if (!lead[size_t(l)]) continue;
        std::vector<unsigned> row(256, 0xFFFD);
        int first = -1, last = -1;
        for (int t = 0x21; t < 256; ++t) {
          const char pair[2] = {char(l), char(t)};
          char16_t c;
          if (!DecodeOne(cd, pair, 2, c)) continue;
          row[size_t(t)] = c;
          if (first < 0) first = t;
          last = t;
        }
        descriptors.insert(descriptors.end(), {unsigned(l), unsigned(first < 0 ? 0 : first),
                                               unsigned(first < 0 ? 0 : last - first + 1), unsigned(values.size())});
        for (int t = first; first >= 0 && t <= last; ++t) values.push_back(row[size_t(t)]);
        ++rows;
      }
      std::printf("constexpr char16_t kPairs%u[%zu] = {\n", page.CodePage, values.size());
      PrintValues(values);
      std::printf("};\nconstexpr TCodePageLeadRow kRows%u[%u] = {\n", page.CodePage, rows);
      for (size_t i = 0; i < descriptors.size(); i += 4)
        std::printf("    {0x%02X, 0x%02X, %u, %u},\n", descriptors[i], descriptors[i + 1], descriptors[i + 2],
                    descriptors[i + 3]);
      std::printf("};\n");
    }
    rowCounts.push_back(rows);
    iconv_close(cd);
  }
  std::printf("\nconstexpr TCodePageData kPages[] = {\n");
  for (size_t i = 0; i < sizeof(kPages) / sizeof(kPages[0]); ++i) {
    const TPage& page = kPages[i];
    if (page.IsDouble)
      std::printf("    {%u, kSingle%u, kRows%u, %u, kPairs%u},\n", page.CodePage, page.CodePage, page.CodePage,
                  rowCounts[i], page.CodePage);
    else
      std::printf("    {%u, kSingle%u, nullptr, 0, nullptr},\n", page.CodePage, page.CodePage);
  }
  std::printf(
      "};\n\n}  // namespace\n\n"
      "const TCodePageData* FindCodePageData(uint16_t CodePage) {\n"
      "  for (const TCodePageData& page : kPages)\n"
      "    if (page.CodePage == CodePage) return &page;\n"
      "  return nullptr;\n"
      "}\n\n}  // namespace msword\n");
}
