#include "msword/base/Numbering.h"

#include <string_view>

#include "msword/base/SymbolFonts.h"

namespace msword {

namespace {

// Beyond this a number is shown in decimal: a letter or roman form would grow with
// the value itself.
constexpr int32_t MaxSpelledValue = 99999;

std::u16string Decimal(int32_t Value) {
  std::u16string out;
  int64_t v = Value;
  bool negative = v < 0;
  if (negative) v = -v;
  do {
    out.insert(out.begin(), char16_t(u'0' + v % 10));
    v /= 10;
  } while (v > 0);
  if (negative) out.insert(out.begin(), u'-');
  return out;
}

std::u16string Roman(int32_t Value, bool upper) {
  static constexpr struct { int32_t value; std::u16string_view text; } parts[] = {
      {1000, u"m"}, {900, u"cm"}, {500, u"d"}, {400, u"cd"}, {100, u"c"}, {90, u"xc"},
      {50, u"l"},   {40, u"xl"},  {10, u"x"},  {9, u"ix"},   {5, u"v"},   {4, u"iv"}, {1, u"i"}};
  std::u16string out;
  for (const auto& part : parts)
    while (Value >= part.value) {
      out += part.text;
      Value -= part.value;
    }
  if (upper)
    for (char16_t& c : out) c = char16_t(c - u'a' + u'A');
  return out;
}

// a..z, then aa..zz, aaa..: the letter repeated, as Word counts.
std::u16string Letters(int32_t Value, bool upper) {
  const char16_t letter = char16_t((upper ? u'A' : u'a') + (Value - 1) % 26);
  return std::u16string(size_t((Value - 1) / 26 + 1), letter);
}

// The 24 letters of the Greek alphabet (no final sigma), counted as the Latin ones.
std::u16string GreekLetters(int32_t Value, bool upper) {
  static constexpr char16_t lower[] = u"\u03B1\u03B2\u03B3\u03B4\u03B5\u03B6\u03B7\u03B8\u03B9\u03BA\u03BB\u03BC"
                                      u"\u03BD\u03BE\u03BF\u03C0\u03C1\u03C3\u03C4\u03C5\u03C6\u03C7\u03C8\u03C9";
  char16_t letter = lower[(Value - 1) % 24];
  if (upper) letter = char16_t(letter - 0x20);  // the capitals lie 0x20 below, Σ included
  return std::u16string(size_t((Value - 1) / 24 + 1), letter);
}

// Decimal with leading zeros up to Width digits.
std::u16string ZeroPadded(int32_t Value, size_t Width) {
  std::u16string digits = Decimal(Value);
  if (Value >= 0 && digits.size() < Width) digits.insert(0, Width - digits.size(), u'0');
  return digits;
}

std::u16string Ordinal(int32_t Value) {
  const int32_t lastTwo = Value % 100, last = Value % 10;
  std::u16string_view suffix = u"th";
  if (lastTwo < 11 || lastTwo > 13) {
    if (last == 1) suffix = u"st";
    else if (last == 2) suffix = u"nd";
    else if (last == 3) suffix = u"rd";
  }
  return Decimal(Value) + std::u16string(suffix);
}

std::u16string CardinalText(int32_t Value, bool ordinal) {
  static constexpr std::u16string_view ones[] = {
      u"Zero", u"One", u"Two", u"Three", u"Four", u"Five", u"Six", u"Seven", u"Eight", u"Nine",
      u"Ten", u"Eleven", u"Twelve", u"Thirteen", u"Fourteen", u"Fifteen", u"Sixteen",
      u"Seventeen", u"Eighteen", u"Nineteen"};
  static constexpr std::u16string_view onesOrdinal[] = {
      u"Zeroth", u"First", u"Second", u"Third", u"Fourth", u"Fifth", u"Sixth", u"Seventh",
      u"Eighth", u"Ninth", u"Tenth", u"Eleventh", u"Twelfth", u"Thirteenth", u"Fourteenth",
      u"Fifteenth", u"Sixteenth", u"Seventeenth", u"Eighteenth", u"Nineteenth"};
  static constexpr std::u16string_view tens[] = {
      u"", u"", u"Twenty", u"Thirty", u"Forty", u"Fifty", u"Sixty", u"Seventy", u"Eighty",
      u"Ninety"};
  static constexpr std::u16string_view tensOrdinal[] = {
      u"", u"", u"Twentieth", u"Thirtieth", u"Fortieth", u"Fiftieth", u"Sixtieth",
      u"Seventieth", u"Eightieth", u"Ninetieth"};
  if (Value >= 100) return ordinal ? Ordinal(Value) : Decimal(Value);
  if (Value < 20) return std::u16string(ordinal ? onesOrdinal[Value] : ones[Value]);
  const int32_t ten = Value / 10, one = Value % 10;
  if (one == 0) return std::u16string(ordinal ? tensOrdinal[ten] : tens[ten]);
  std::u16string out(tens[ten]);
  out += u'-';
  std::u16string low(ordinal ? onesOrdinal[one] : ones[one]);
  low[0] = char16_t(low[0] - u'A' + u'a');
  return out + low;
}

}  // namespace

std::u16string FormatListNumber(int32_t Value, TKvWNumberFormat Format) {
  switch (Format) {
    case nfBullet:
    case nfNone:
      return {};
    case nfDecimalZero:
      return ZeroPadded(Value, 2);
    case nfDecimalZero3:
      return ZeroPadded(Value, 3);
    case nfDecimalZero4:
      return ZeroPadded(Value, 4);
    case nfDecimalZero5:
      return ZeroPadded(Value, 5);
    default:
      break;
  }
  if (Value < 1 || Value > MaxSpelledValue) return Decimal(Value);
  switch (Format) {
    case nfUpperRoman: return Roman(Value, true);
    case nfLowerRoman: return Roman(Value, false);
    case nfUpperLetter: return Letters(Value, true);
    case nfLowerLetter: return Letters(Value, false);
    case nfLowerGreek: return GreekLetters(Value, false);
    case nfUpperGreek: return GreekLetters(Value, true);
    case nfOrdinal: return Ordinal(Value);
    case nfCardinalText: return CardinalText(Value, false);
    case nfOrdinalText: return CardinalText(Value, true);
    default: return Decimal(Value);
  }
}

std::u16string TKvWNumbering::NextLabel(uint32_t Instance, const TKvWListLevels& Levels,
                                        uint32_t Level) {
  if (Level >= ListLevelCount) return {};
  TCounters& counters = FCounters[Instance];
  const TKvWListLevel& level = Levels[Level];
  if (counters.Pending[Level]) {
    counters.Pending[Level] = false;
  } else if (counters.Started[Level]) {
    if (counters.Value[Level] < INT32_MAX) ++counters.Value[Level];
  } else {
    counters.Value[Level] = level.Start;
    counters.Started[Level] = true;
  }
  // Deeper levels start again after this paragraph as their restart rule says.
  for (uint32_t deeper = Level + 1; deeper < ListLevelCount; ++deeper) {
    const int32_t restart = Levels[deeper].Restart;
    if (restart < 0 || (restart > 0 && int64_t(Level) < restart)) {
      counters.Started[deeper] = false;
      counters.Pending[deeper] = false;
    }
  }

  std::u16string label;
  for (char16_t c : level.Text) {
    if (c < ListLevelCount) {
      const TKvWListLevel& shown = Levels[c];
      // A shallower level that no paragraph has counted yet shows its start, and
      // counts on from there: its next paragraph shows the number after it.
      if (!counters.Started[c] && c < Level) {
        counters.Value[c] = shown.Start;
        counters.Started[c] = true;
      }
      const int32_t value = counters.Started[c] ? counters.Value[c] : shown.Start;
      TKvWNumberFormat format = shown.Format;
      if (level.Legal && format != nfNone && format != nfBullet) format = nfDecimal;
      label += FormatListNumber(value, format);
    } else if (c >= 0xF020 && c <= 0xF0FF) {
      label += SymbolFontText(level.FontName.empty() ? std::u16string_view(u"Symbol")
                                                     : std::u16string_view(level.FontName), c);
    } else if (c >= 0x20 && c <= 0xFF && IsSymbolFont(level.FontName)) {
      label += SymbolFontText(level.FontName, c);
    } else {
      label += c;
    }
  }
  if (level.Follow != 0) label += level.Follow;
  return label;
}

void TKvWNumbering::StartAt(uint32_t Instance, uint32_t Level, int32_t Value) {
  if (Level >= ListLevelCount) return;
  TCounters& counters = FCounters[Instance];
  counters.Value[Level] = Value;
  counters.Started[Level] = true;
  counters.Pending[Level] = true;
}

}  // namespace msword
