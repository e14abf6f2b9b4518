#include "msword/base/Base64.h"

#include <cstdint>

namespace msword {

namespace {

// The value of a character of the base64 alphabet; -1 for any other.
int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Decodes S into Out group by group. Skip tells whether a character outside the
// alphabet (other than "=") is passed over; Strict makes "=" padding only (with
// nothing but blanks after it) and any other character an error.
bool Decode(std::string_view S, std::string& Out, bool Strict) {
  Out.clear();
  Out.reserve(S.size() / 4 * 3);
  uint32_t bits = 0;
  int count = 0;
  bool padded = false;
  for (const char c : S) {
    const int v = Base64Value(c);
    if (v < 0) {
      if (c == '=') {
        if (!Strict) break;
        padded = true;
        continue;
      }
      if (Strict && c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
      continue;
    }
    if (padded) return false;  // data after the padding
    bits = bits << 6 | uint32_t(v);
    if (++count == 4) {
      Out.push_back(char(bits >> 16));
      Out.push_back(char(bits >> 8));
      Out.push_back(char(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 1 && Strict) return false;
  if (count == 3) {
    Out.push_back(char(bits >> 10));
    Out.push_back(char(bits >> 2));
  } else if (count == 2) {
    Out.push_back(char(bits >> 4));
  }
  return true;
}

}  // namespace

std::string DecodeBase64(std::string_view S) {
  std::string out;
  Decode(S, out, false);
  return out;
}

bool DecodeBase64Strict(std::string_view Text, std::string& Out) { return Decode(Text, Out, true); }

}  // namespace msword
