#include "msword/xml/XMLEngine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "msword/base/CodePages.h"
#include "msword/base/Streams.h"

namespace msword {

namespace {

constexpr std::array<bool, 128> MakeNameChars() {
  std::array<bool, 128> t{};
  for (char c : std::string_view("!-:?_")) t[size_t(c)] = true;
  for (char c = '0'; c <= '9'; ++c) t[size_t(c)] = true;
  for (char c = 'A'; c <= 'Z'; ++c) t[size_t(c)] = true;
  for (char c = 'a'; c <= 'z'; ++c) t[size_t(c)] = true;
  return t;
}
constexpr std::array<bool, 128> kNameChars = MakeNameChars();

inline bool IsNameChar(uint32_t c) { return c < 128 && kNameChars[c]; }
inline bool IsWhite(uint32_t c) { return c == 9 || c == 10 || c == 13 || c == 32; }

// The first position from I on (below N) whose character is one of Cs; N when none.
template <class CharT, char... Cs>
inline size_t FindAny(const CharT* s, size_t i, size_t n) {
#if defined(__SSE2__)
  if constexpr (sizeof(CharT) == 1) {
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      __m128i m = _mm_setzero_si128();
      ((m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(Cs)))), ...);
      const int mask = _mm_movemask_epi8(m);
      if (mask) return i + size_t(__builtin_ctz(unsigned(mask)));
      i += 16;
    }
  } else {
    while (i + 8 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      __m128i m = _mm_setzero_si128();
      ((m = _mm_or_si128(m, _mm_cmpeq_epi16(v, _mm_set1_epi16(short(Cs))))), ...);
      const int mask = _mm_movemask_epi8(m);
      if (mask) return i + size_t(__builtin_ctz(unsigned(mask))) / 2;
      i += 8;
    }
  }
#endif
  for (; i < n; ++i) {
    const uint32_t c = s[i];
    if (((c == uint32_t(uint8_t(Cs))) || ...)) return i;
  }
  return n;
}

// The last position from I down to 1 whose character is one of Cs; 0 when none.
template <class CharT, char... Cs>
inline size_t FindLastAny(const CharT* s, size_t i) {
#if defined(__SSE2__)
  constexpr size_t kLanes = 16 / sizeof(CharT);
  while (i >= kLanes - 1) {  // the block that ends at i
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i - (kLanes - 1)));
    __m128i m = _mm_setzero_si128();
    if constexpr (sizeof(CharT) == 1) {
      ((m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(Cs)))), ...);
    } else {
      ((m = _mm_or_si128(m, _mm_cmpeq_epi16(v, _mm_set1_epi16(short(Cs))))), ...);
    }
    const unsigned mask = unsigned(_mm_movemask_epi8(m));
    if (mask) return i - (kLanes - 1) + size_t(31 - __builtin_clz(mask)) / sizeof(CharT);
    if (i < kLanes) return 0;  // position 0 counts as found either way
    i -= kLanes;
  }
#endif
  for (; i > 0; --i) {
    const uint32_t c = s[i];
    if (((c == uint32_t(uint8_t(Cs))) || ...)) return i;
  }
  return 0;
}

// UTF-8 to UTF-16 appended to Out, exactly as AppendUtf8ToWide decodes, with a fast
// path for runs of ASCII. Malformed sequences never swallow an ASCII byte, so
// decoding piece by piece between ASCII characters gives the same text.
void AppendUtf8(std::u16string& Out, const uint8_t* p, size_t n) {
  const size_t start = Out.size();
  Out.resize(start + n);  // never more code units than bytes
  char16_t* o = Out.data() + start;
  size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      if (_mm_movemask_epi8(v)) break;
      const __m128i zero = _mm_setzero_si128();
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
      o += 16;
      i += 16;
    }
#endif
    while (i + 8 <= n) {
      uint64_t block;
      std::memcpy(&block, p + i, 8);
      if (block & 0x8080808080808080ull) break;
      for (int k = 0; k < 8; ++k) o[k] = char16_t(p[i + size_t(k)]);
      o += 8;
      i += 8;
    }
    if (i >= n) break;
    const uint8_t b = p[i];
    if (b < 0x80) {
      *o++ = char16_t(b);
      ++i;
      continue;
    }
    uint32_t cp = 0, min = 0;
    size_t len = 0;
    if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; min = 0x10000; }
    else { *o++ = u'\uFFFD'; ++i; continue; }
    size_t k = 1;
    for (; k < len && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) cp = cp << 6 | (p[i + k] & 0x3F);
    if (k < len || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      *o++ = u'\uFFFD';
      i += k;
      continue;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *o++ = char16_t(0xD800 + (cp >> 10));
      *o++ = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      *o++ = char16_t(cp);
    }
  }
  Out.resize(size_t(o - Out.data()));
}

// How values are re-decoded, as the declared encoding says.
enum class TRedecode : uint8_t { rdNone, rdUtf8, rdCodePage };

// Parsed text is given back in steps of this many bytes: whole huge pages, where
// the buffer has them (giving back part of one would split it).
constexpr size_t kReleaseStep = size_t(2) << 20;

// Gives the whole steps of [From, To) back to the system and returns where the memory
// given back ends (From when there was nothing to give). The memory stays mapped and
// reads as zeros should it be touched again (it is not: the parser never goes back).
const void* ReleaseMemory(const void* From, const void* To) {
#if defined(__linux__)
  const uintptr_t from = (reinterpret_cast<uintptr_t>(From) + kReleaseStep - 1) & ~uintptr_t(kReleaseStep - 1);
  const uintptr_t to = reinterpret_cast<uintptr_t>(To) & ~uintptr_t(kReleaseStep - 1);
  if (to <= from) return From;
  madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
  return reinterpret_cast<const void*>(to);
#else
  (void)To;
  return From;
#endif
}

}  // namespace

// One parse of one text. CharT is uint8_t for text scanned as bytes (a character per
// byte in the ANSI code page, whose structural characters are the ASCII ones), or
// char16_t for decoded text.
template <class CharT>
class TKvXMLParser {
 public:
  TKvXMLParser(TKvXMLEngine& AEngine, const CharT* AText, size_t ALength)
      : E(AEngine), T(AText), L(ALength) {}
  // Lets the parse give back the memory of the text it has left behind; only for text
  // that the engine owns and drops after the parse.
  void SetReleaseParsed(bool Value) { FReleaseParsed = Value; }
  void Run();

 private:
  struct TRange {
    size_t From, To;
  };
  uint32_t At(size_t i) const { return i < L ? uint32_t(T[i]) : 0u; }

  // The scanners; each moves P.
  TRange SkipUntilTagStarted();
  TRange AttributeText();
  TRange CommentValue();
  TRange CDATAValue();
  TRange SkipTag(bool StepOver);
  void ReturnTag();
  void SkipFullTag();
  void SkipWhite() {
    while (IsWhite(At(P))) ++P;
  }
  TRange Trim(TRange R) const {
    while (R.From < R.To && uint32_t(T[R.From]) <= 32) ++R.From;
    while (R.To > R.From && uint32_t(T[R.To - 1]) <= 32) --R.To;
    return R;
  }
  // Whether the attribute text holds xml:space="preserve". Decoding as UTF-8 or a
  // character per byte keeps ASCII runs as they are, so the raw bytes can be searched.
  bool PreservesSpace() const {
    static constexpr std::u16string_view kPreserve = u"xml:space=\"preserve\"";
    if constexpr (sizeof(CharT) == 1) {
      if (FRedecode != TRedecode::rdCodePage) {
        return FAttrTo - FAttrFrom >= kPreserve.size() &&
               memmem(T + FAttrFrom, FAttrTo - FAttrFrom, "xml:space=\"preserve\"", kPreserve.size()) != nullptr;
      }
    }
    return FAttr.find(kPreserve) != std::u16string::npos;
  }
  bool AtCDATA() const {
    static constexpr char kCDATA[] = "![CDATA[";
    for (size_t k = 0; k < 8; ++k)
      if (AsciiUpper(char16_t(T[P + k])) != char16_t(kCDATA[k])) return false;
    return true;
  }

  // Conversions of scanned text to the strings of the tree.
  void Name(TRange R, std::u16string& Out) const {
    Out.resize(R.To - R.From);
    for (size_t i = R.From; i < R.To; ++i) Out[i - R.From] = char16_t(T[i]);
  }
  // A name as bytes: names are made of ASCII characters only.
  std::string_view AsciiName(TRange R) {
    if constexpr (sizeof(CharT) == 1) {
      return std::string_view(reinterpret_cast<const char*>(T + R.From), R.To - R.From);
    } else {
      FScratch.resize(R.To - R.From);
      for (size_t i = R.From; i < R.To; ++i) FScratch[i - R.From] = char(T[i]);
      return FScratch;
    }
  }
  void AppendPlain(TRange R, std::u16string& Out) const;
  void Redecode(TRange R, std::u16string& Out);
  void DeclareEncoding(std::u16string Encoding);

  static void AddItemValue(TKvXMLItem* Item, const std::u16string& Text) {
    if (Item && !Text.empty()) Item->FValue.append(Text);
  }

  TKvXMLEngine& E;
  const CharT* T;
  size_t L;
  size_t P = 0;
  size_t FAttrFrom = 0, FAttrTo = 0;
  TRedecode FRedecode = TRedecode::rdNone;
  uint16_t FCodePage = 0;
  std::u16string FName, FValue, FAttr, FText;
  std::string FScratch;

  // Giving back parsed text. Nothing of a pass reads before the pass's start, except
  // the step back over a refused element's start tag, which stops at the last ">" (or
  // NUL) before it; what lies before that stop is never read again.
  void ReleaseBefore(size_t PassStart);
  bool FReleaseParsed = false;
  size_t FNextRelease = kReleaseStep;
  size_t FReleased = 0;         // everything before is given back
  size_t FStopSearchedTo = 0;   // [FStopSearchedTo, ...) searched for the last stop
  size_t FLastStop = SIZE_MAX;  // position of the last ">" or NUL found, or none
};

template <class CharT>
void TKvXMLParser<CharT>::ReleaseBefore(size_t PassStart) {
  // Each character is looked at once by this backward search, however often it runs.
  for (size_t i = PassStart; i > FStopSearchedTo; --i) {
    if (T[i - 1] == '>' || T[i - 1] == 0) {
      FLastStop = i - 1;
      break;
    }
  }
  FStopSearchedTo = PassStart;
  FNextRelease = PassStart + kReleaseStep;
  if (FLastStop == SIZE_MAX || FLastStop <= FReleased) return;
  FReleased = size_t(static_cast<const CharT*>(ReleaseMemory(T + FReleased, T + FLastStop)) - T);
}

template <class CharT>
typename TKvXMLParser<CharT>::TRange TKvXMLParser<CharT>::SkipUntilTagStarted() {
  while (At(P) == '>') ++P;
  const size_t from = P;
  for (;;) {
    P = FindAny<CharT, '<', '\0', '/'>(T, P, L);
    if (P >= L || T[P] != '/' || At(P + 1) == '>') break;
    ++P;
  }
  const TRange r{from, P};
  if (At(P) == '<') ++P;
  return r;
}

template <class CharT>
typename TKvXMLParser<CharT>::TRange TKvXMLParser<CharT>::AttributeText() {
  // Up to the first ">" or NUL, or the first "/" outside double quotes.
  const size_t from = P;
  bool inQuotes = false;
#if defined(__SSE2__)
  if constexpr (sizeof(CharT) == 1) {
    // Sixteen bytes at a time: a "/" counts where the quotes before it are even.
    uint32_t quoted = 0;  // all ones while the block starts inside quotes
    while (P + 16 <= L) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(T + P));
      const uint32_t quotes = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
      const uint32_t ends = uint32_t(_mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('>')), _mm_cmpeq_epi8(v, _mm_setzero_si128()))));
      const uint32_t slashes = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('/'))));
      uint32_t inside = quotes << 1;  // bit i: the parity of the quotes before i
      inside ^= inside << 1;
      inside ^= inside << 2;
      inside ^= inside << 4;
      inside ^= inside << 8;
      inside ^= quoted;
      const uint32_t stops = (ends | (slashes & ~inside)) & 0xFFFF;
      if (stops) {
        P += size_t(__builtin_ctz(stops));
        return {from, P};
      }
      if (__builtin_popcount(quotes) & 1) quoted = ~quoted;
      P += 16;
    }
    inQuotes = quoted != 0;
  }
#endif
  for (;;) {
    P = inQuotes ? FindAny<CharT, '>', '\0', '"'>(T, P, L) : FindAny<CharT, '>', '\0', '"', '/'>(T, P, L);
    if (P >= L) break;
    const uint32_t c = T[P];
    if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c != '/' || !inQuotes) {
      break;
    }
    ++P;
  }
  return {from, P};
}

template <class CharT>
typename TKvXMLParser<CharT>::TRange TKvXMLParser<CharT>::CommentValue() {
  const size_t from = P;
  TRange r{from, from};
  for (;;) {
    P = FindAny<CharT, '-', '\0'>(T, P, L);
    if (P >= L || T[P] == 0) {  // unterminated: to there, without the last character
      r.To = P > from ? P - 1 : from;
      break;
    }
    if (At(P + 1) == '-' && At(P + 2) == '>') {
      r.To = P + 2;  // the "--" belongs to the value
      P += 3;
      break;
    }
    ++P;
  }
  SkipWhite();
  if (At(P) == '<') ++P;
  return r;
}

template <class CharT>
typename TKvXMLParser<CharT>::TRange TKvXMLParser<CharT>::CDATAValue() {
  const size_t from = P;
  for (;;) {
    P = FindAny<CharT, ']'>(T, P, L);
    if (P >= L || At(P + 1) == ']') break;
    ++P;
  }
  const TRange r{from, std::min(P, L)};
  P += 2;  // onto the ">" of "]]>" (past the end when the section is unterminated)
  return r;
}

template <class CharT>
typename TKvXMLParser<CharT>::TRange TKvXMLParser<CharT>::SkipTag(bool StepOver) {
  bool closing = false;
  if (P + 1 < L) closing = T[P] == '/' && ((P > 0 && T[P - 1] == '<') || T[P + 1] == '>');
  SkipWhite();
  if (closing) {
    do ++P;
    while (P < L && T[P - 1] != '>');
  }
  SkipWhite();
  const size_t from = P;
  P = FindAny<CharT, '<', '\0'>(T, std::min(P, L), L);
  const TRange r = Trim({std::min(from, P), P});
  if (StepOver && At(P) == '<') ++P;
  return r;
}

template <class CharT>
void TKvXMLParser<CharT>::ReturnTag() {
  // Back to the last ">" or NUL before P, or to the start; past the end every
  // character reads as NUL.
  if (P > 0) --P;
  if (P < L) P = FindLastAny<CharT, '>', '\0'>(T, P);
}

template <class CharT>
void TKvXMLParser<CharT>::SkipFullTag() {
  int64_t depth = 1;
  if (!(At(P) == '/' && At(P + 1) == '>')) ReturnTag();
  while (P < L && depth > 0) {
    P = FindAny<CharT, '<', '/'>(T, P, L);
    if (P >= L) break;
    const uint32_t c = T[P];
    if (c == '/') {
      if (At(P + 1) == '>') {
        --depth;
        P += 2;
      } else {
        ++P;
      }
    } else if (At(P + 1) == '/') {
      --depth;
      P += 2;
      SkipTag(false);
    } else {
      ++depth;
      ++P;
    }
  }
  SkipWhite();
  if (At(P) == '<') ++P;
}

template <class CharT>
void TKvXMLParser<CharT>::AppendPlain(TRange R, std::u16string& Out) const {
  if constexpr (sizeof(CharT) == 1) {
    AppendAnsiToWide(Out, std::string_view(reinterpret_cast<const char*>(T + R.From), R.To - R.From));
  } else {
    Out.append(T + R.From, R.To - R.From);
  }
}

template <class CharT>
void TKvXMLParser<CharT>::Redecode(TRange R, std::u16string& Out) {
  Out.clear();
  if (R.To <= R.From) return;
  if constexpr (sizeof(CharT) == 1) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(T + R.From);
    const size_t n = R.To - R.From;
    switch (FRedecode) {
      case TRedecode::rdUtf8:
        AppendUtf8(Out, bytes, n);
        return;
      case TRedecode::rdCodePage:
        Out = StringToWideStringEx(std::string_view(reinterpret_cast<const char*>(bytes), n), FCodePage);
        return;
      case TRedecode::rdNone:
        AppendPlain(R, Out);
        return;
    }
  } else {
    const std::u16string_view text(T + R.From, R.To - R.From);
    switch (FRedecode) {
      case TRedecode::rdUtf8:
        FScratch = WideToAnsi(text);
        AppendUtf8(Out, reinterpret_cast<const uint8_t*>(FScratch.data()), FScratch.size());
        return;
      case TRedecode::rdCodePage:
        Out = StringToWideStringEx(WideToAnsi(text), FCodePage);
        return;
      case TRedecode::rdNone:
        Out.assign(text);
        return;
    }
  }
}

template <class CharT>
void TKvXMLParser<CharT>::DeclareEncoding(std::u16string Encoding) {
  FRedecode = TRedecode::rdNone;
  if (!E.FUTF8Processed &&
      (SameTextAscii(Encoding, u"utf-8") || (Encoding.empty() && E.FUndeclaredIsUTF8))) {
    FRedecode = TRedecode::rdUtf8;
  } else if (Encoding.size() >= 8 && SameTextAscii(std::u16string_view(Encoding).substr(0, 8), u"windows-")) {
    // "windows-N": N in decimal, the ANSI code page when it is no number. A page the
    // converter does not know leaves the text as it is.
    const std::u16string_view digits = std::u16string_view(Encoding).substr(8);
    int64_t page = digits.empty() ? -1 : 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') {
        page = -1;
        break;
      }
      page = std::min<int64_t>(page * 10 + (c - u'0'), 1 << 20);
    }
    if (page < 0) page = GetACP();
    if (page <= 0xFFFF && IsSupportedCodePage(uint16_t(page))) {
      FRedecode = TRedecode::rdCodePage;
      FCodePage = uint16_t(page);
    }
  }
}

template <class CharT>
void TKvXMLParser<CharT>::Run() {
  TKvXMLItem* current = nullptr;
  DeclareEncoding(std::u16string());
  P = 0;
  SkipUntilTagStarted();  // anything before the first "<" is dropped
  while (P + 1 < L && T[P] != 0) {
    const size_t passStart = P;
    if (FReleaseParsed && passStart >= FNextRelease) ReleaseBefore(passStart);
    enum { tkElement, tkComment, tkCDATA } kind = tkElement;
    bool refused = false;
    FAttr.clear();
    if (P + 9 < L && AtCDATA()) {
      P += 8;
      kind = tkCDATA;
      FName.assign(u"![CDATA[");
      FValue.clear();
      AppendPlain(CDATAValue(), FValue);
    } else if (At(P) == '!' && At(P + 1) == '-' && At(P + 2) == '-') {
      P += 3;
      kind = tkComment;
      FName.assign(u"!--");
      FValue.assign(u"!--");
      AppendPlain(CommentValue(), FValue);
    } else {
      const size_t nameFrom = P;
      while (IsNameChar(At(P))) ++P;
      const TRange name{nameFrom, P};
      const TRange attributes = AttributeText();
      FAttrFrom = attributes.From;
      FAttrTo = attributes.To;
      TRange value = SkipUntilTagStarted();
      // An element its name alone refuses is skipped before anything of it is decoded.
      if (current && name.To > name.From && E.FOnTagName && E.FOnTagName(&E, current, AsciiName(name))) {
        SkipFullTag();
        refused = true;
      } else {
        Name(name, FName);
        Redecode(attributes, FAttr);
        if (!PreservesSpace()) value = Trim(value);
        Redecode(value, FValue);
      }
    }

    bool accept = true;
    if (refused) {
      accept = false;
    } else if (!FName.empty()) {
      if (!current) {
        current = E.EnsureRootItem();  // no event for the root
      } else {
        if (E.FOnTag) E.FOnTag(&E, current, FName, FValue, FAttr, accept);
        if (accept) current = current->FItems.AddItem(current);
      }
    }
    if (accept && current) {
      if (!FName.empty()) current->FTagName = FName;
      AddItemValue(current, FValue);
      if (kind == tkComment) {
        current->FKind = ikComment;
        current = current->FParentItem;
      } else if (kind == tkCDATA) {
        current->FKind = ikCDATA;
        current = current->FParentItem;
      } else {
        current->FKind = ikProperty;
        if (!FAttr.empty()) {
          current->FAttributes = FAttr;
          const bool processed = E.FAttributesAutoProcess;
          if (processed) current->ProcessAttributes();
          if (SameTextAscii(current->FTagName, u"?xml")) {
            if (!processed) current->ProcessAttributes();
            if (TKvXMLItem* encoding = E.GetItemByTag(current, u"encoding")) {
              std::u16string declared = encoding->GetTagValue();
              if (declared.size() >= 2 && declared.ends_with(u"\"?")) declared.erase(declared.size() - 2);
              DeclareEncoding(std::move(declared));
            }
          }
        }
      }
    } else if (!accept && !refused) {
      SkipFullTag();
    }

    // Close items: end tags and empty-element tags.
    while (P + 1 < L && T[P] == '/') {
      if (!current) break;
      if (T[P + 1] == '>' && P + 2 == L) {  // "/>" ends the text: nothing closes
        ++P;
        break;
      }
      Redecode(SkipTag(true), FText);
      TKvXMLItem* closed = current;
      current = current->FParentItem;
      AddItemValue(current, FText);
      if (E.FOnAfterTag) {
        bool cancel = false;
        E.FOnAfterTag(&E, closed, cancel);
        if (cancel) return;
      }
    }
    if (P == passStart) ++P;  // a pass that read nothing (such as "/>" with no open element)
  }
}

// --- TKvXMLEngine ---

TKvXMLEngine::TKvXMLEngine(TComponent* AOwner) : TComponent(AOwner) { EnsureRootItem(); }

TKvXMLEngine::~TKvXMLEngine() {
  if (TKvXMLItem* root = FRootItem) {
    root->FEngine = nullptr;
    FRootItem = nullptr;
    delete root;
  }
}

TKvXMLItem* TKvXMLEngine::EnsureRootItem() {
  if (!FRootItem) {
    FRootItem = new TKvXMLItem(nullptr);
    FRootItem->FEngine = this;
  }
  return FRootItem;
}

void TKvXMLEngine::RootItemFreed(TKvXMLItem* Item) {
  if (FRootItem == Item) FRootItem = nullptr;
}

template <class CharT>
void TKvXMLEngine::Parse(const CharT* Text, size_t Length, bool ReleaseParsed) {
  if (Length > 0 && Text[Length - 1] == 27) --Length;  // a trailing ESC is dropped
  if (Length == 0) return;
  TKvXMLParser<CharT> parser(*this, Text, Length);
  parser.SetReleaseParsed(ReleaseParsed);
  parser.Run();
}

void TKvXMLEngine::ParseXMLFromString(std::u16string_view AText, int32_t ALength) {
  const size_t length = std::min(AText.size(), size_t(std::max(ALength, 0)));
  if (length == 0) return;
  TKvXMLParser<char16_t> parser(*this, AText.data(), length);
  parser.Run();
}

namespace {

// Up to Count bytes from the stream's position: a view when it is a memory stream,
// else read into Buffer.
std::string_view ReadBytes(TStream& S, int64_t Count, std::string& Buffer) {
  Count = std::max<int64_t>(0, std::min(Count, S.Size() - S.Position()));
  if (auto* memory = dynamic_cast<TCustomMemoryStream*>(&S)) {
    const std::string_view rest = memory->Remaining();
    const std::string_view view = rest.substr(0, size_t(std::min<int64_t>(Count, int64_t(rest.size()))));
    S.Seek(int64_t(view.size()), soCurrent);
    return view;
  }
  Buffer.resize(size_t(Count));
  int64_t got = 0;
  while (got < Count) {
    const int32_t n = S.Read(Buffer.data() + got, int32_t(std::min<int64_t>(Count - got, 1 << 30)));
    if (n <= 0) break;
    got += n;
  }
  Buffer.resize(size_t(got));
  return Buffer;
}

std::u16string Utf16Of(std::string_view Bytes, bool BigEndian) {
  std::u16string text(Bytes.size() / 2, u'\0');  // an odd last byte is ignored
  const auto* p = reinterpret_cast<const uint8_t*>(Bytes.data());
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = BigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1]) : char16_t(p[2 * i] | p[2 * i + 1] << 8);
  return text;
}

}  // namespace

void TKvXMLEngine::LoadFromStream(int32_t AStreamSize, TStream* AStream) {
  EnsureRootItem()->FItems.Clear();
  if (!AStream) return;
  TStream& S = *AStream;
  int64_t remaining = (AStreamSize != 0 ? int64_t(AStreamSize) : S.Size()) - S.Position();
  FUTF8Processed = false;
  FUndeclaredIsUTF8 = false;
  std::string buffer;
  if (AStreamSize == 0) {
    uint8_t mark[2] = {0, 0};
    const int32_t got = S.Read(mark, 2);
    const bool little = got == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
    const bool big = got == 2 && mark[0] == 0xFE && mark[1] == 0xFF;
    if (little || big) {
      const std::u16string text = Utf16Of(ReadBytes(S, remaining - 2, buffer), big);
      FUTF8Processed = true;
      Parse(text.data(), text.size());
      return;
    }
    S.Seek(-int64_t(got), soCurrent);
  }
  const std::string_view bytes = ReadBytes(S, remaining, buffer);
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    std::u16string text;
    AppendUtf8(text, reinterpret_cast<const uint8_t*>(bytes.data()) + 3, bytes.size() - 3);
    FUTF8Processed = true;
    Parse(text.data(), text.size());
  } else if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
    const std::u16string text = Utf16Of(bytes.substr(2), bytes[0] == '\xFE');
    Parse(text.data(), text.size());
  } else {
    FUndeclaredIsUTF8 = true;
    Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}

void TKvXMLEngine::LoadFromBytes(std::string ABytes) {
  // As LoadFromStream reads a whole stream: a UTF-16 mark, a UTF-8 mark, or bytes.
  EnsureRootItem()->FItems.Clear();
  FUTF8Processed = false;
  FUndeclaredIsUTF8 = false;
  const std::string_view bytes = ABytes;
  std::u16string text;
  if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
    text = Utf16Of(bytes.substr(2), bytes[0] == '\xFE');
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    AppendUtf8(text, reinterpret_cast<const uint8_t*>(bytes.data()) + 3, bytes.size() - 3);
  } else {
    FUndeclaredIsUTF8 = true;
    Parse(reinterpret_cast<const uint8_t*>(ABytes.data()), ABytes.size(), true);
    return;
  }
  std::string().swap(ABytes);  // decoded: the bytes go before the parse
  FUTF8Processed = true;
  Parse(text.data(), text.size());
}

void TKvXMLEngine::LoadFromFile(const std::u16string& AFileName) {
  TFileStream stream(AFileName, fmOpenRead);
  stream.Seek(0, soBeginning);
  LoadFromStream(0, &stream);
}

TKvXMLItem* TKvXMLEngine::GetItemByTag(TKvXMLItem* ARoot, std::u16string_view XMLTag) const {
  TKvXMLItem* start = ARoot ? ARoot : FRootItem;
  if (!start) return nullptr;
  std::vector<TKvXMLItem*> stack{start};
  while (!stack.empty()) {
    TKvXMLItem* item = stack.back();
    stack.pop_back();
    if (SameStrings(false, item->FTagName, XMLTag)) return item;
    const TKvXMLItems& children = item->FItems;
    for (int i = children.Count(); i-- > 0;) stack.push_back(children.Items(i));
  }
  return nullptr;
}

std::u16string TKvXMLEngine::GetFirstTagName(std::u16string& AXMLPath) {
  const size_t slash = AXMLPath.find(u'/');
  std::u16string result;
  if (slash == std::u16string::npos) {
    result.swap(AXMLPath);
  } else {
    result = AXMLPath.substr(0, slash);
    AXMLPath.erase(0, slash + 1);
  }
  return result;
}

std::u16string TKvXMLEngine::GetLastTagName(std::u16string& AXMLPath) {
  const size_t slash = AXMLPath.rfind(u'/');
  if (slash == std::u16string::npos) return AXMLPath;
  std::u16string result = AXMLPath.substr(slash + 1);
  AXMLPath.resize(slash);
  return result;
}

}  // namespace msword
