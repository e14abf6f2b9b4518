#include "msword/html/HtmlParser.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "msword/base/CodePages.h"
#include "msword/base/MarkedText.h"
#include "msword/base/SummaryInformation.h"
#include "msword/model/DocumentSink.h"
#include "msword/xml/XMLItem.h"

namespace msword {

namespace {

// What an element is to the text.
enum THtmlKind : uint8_t {
  hkOther = 0,
  hkParagraph,  // a paragraph of its own, ended even when empty: p, h1-h6, li, dt, dd
  hkBlock,      // ends the paragraph before and in it: div, ul, blockquote, ...
  hkPre,        // keeps its white space
  hkBreak,      // br
  hkTable,
  hkRow,
  hkCell,
  hkSkip,       // nothing in it is text: script, style, Word's xml islands, ...
  hkHead,
  hkBody,
  hkTitle,
  hkMeta,
  hkIns,
  hkDel,
  hkVoid,       // never has content: img, input, link, ...
};

struct THtmlName {
  std::string_view Name;
  THtmlKind Kind;
};
constexpr THtmlName kNames[] = {
    {"p", hkParagraph}, {"h1", hkParagraph}, {"h2", hkParagraph}, {"h3", hkParagraph},
    {"h4", hkParagraph}, {"h5", hkParagraph}, {"h6", hkParagraph}, {"li", hkParagraph},
    {"dt", hkParagraph}, {"dd", hkParagraph}, {"caption", hkParagraph},
    {"div", hkBlock}, {"ul", hkBlock}, {"ol", hkBlock}, {"dl", hkBlock}, {"blockquote", hkBlock},
    {"address", hkBlock}, {"center", hkBlock}, {"section", hkBlock}, {"article", hkBlock},
    {"header", hkBlock}, {"footer", hkBlock}, {"nav", hkBlock}, {"aside", hkBlock},
    {"main", hkBlock}, {"form", hkBlock}, {"fieldset", hkBlock}, {"figure", hkBlock},
    {"figcaption", hkBlock}, {"hr", hkBlock}, {"html", hkBlock}, {"legend", hkBlock},
    {"pre", hkPre}, {"xmp", hkPre}, {"listing", hkPre}, {"plaintext", hkPre},
    {"br", hkBreak}, {"table", hkTable}, {"tr", hkRow}, {"td", hkCell}, {"th", hkCell},
    {"script", hkSkip}, {"style", hkSkip}, {"xml", hkSkip}, {"template", hkSkip},
    {"iframe", hkSkip}, {"noscript", hkSkip}, {"svg", hkSkip}, {"object", hkSkip},
    {"applet", hkSkip}, {"noframes", hkSkip}, {"textarea", hkOther},
    {"head", hkHead}, {"body", hkBody}, {"title", hkTitle}, {"meta", hkMeta},
    {"ins", hkIns}, {"del", hkDel},
    {"img", hkVoid}, {"input", hkVoid}, {"link", hkVoid}, {"base", hkVoid}, {"col", hkVoid},
    {"area", hkVoid}, {"wbr", hkVoid}, {"param", hkVoid}, {"source", hkVoid}, {"embed", hkVoid},
    {"track", hkVoid}, {"basefont", hkVoid}, {"frame", hkVoid}, {"keygen", hkVoid},
};

// The elements whose content is raw text up to their end tag.
bool IsRawText(std::u16string_view Name) {
  return Name == u"script" || Name == u"style" || Name == u"title" || Name == u"textarea" ||
         Name == u"xmp" || Name == u"noframes";
}

THtmlKind KindOf(std::u16string_view Name) {
  static const std::unordered_map<std::u16string, THtmlKind> table = [] {
    std::unordered_map<std::u16string, THtmlKind> t;
    for (const THtmlName& n : kNames) t.emplace(std::u16string(n.Name.begin(), n.Name.end()), n.Kind);
    return t;
  }();
  if (Name.size() > 10) return hkOther;
  const auto it = table.find(std::u16string(Name));
  return it == table.end() ? hkOther : it->second;
}

struct TEntity {
  std::string_view Name;
  char16_t Code;
};
// The named references of Latin-1 and the ones word processors write most; the
// list is sorted by name.
constexpr TEntity kEntities[] = {
    {"AElig", 0xC6}, {"Aacute", 0xC1}, {"Acirc", 0xC2}, {"Agrave", 0xC0}, {"Alpha", 0x391},
    {"Aring", 0xC5}, {"Atilde", 0xC3}, {"Auml", 0xC4}, {"Beta", 0x392}, {"Ccedil", 0xC7},
    {"Dagger", 0x2021}, {"Delta", 0x394}, {"ETH", 0xD0}, {"Eacute", 0xC9}, {"Ecirc", 0xCA},
    {"Egrave", 0xC8}, {"Euml", 0xCB}, {"Gamma", 0x393}, {"Iacute", 0xCD}, {"Icirc", 0xCE},
    {"Igrave", 0xCC}, {"Iuml", 0xCF}, {"Lambda", 0x39B}, {"Ntilde", 0xD1}, {"OElig", 0x152},
    {"Oacute", 0xD3}, {"Ocirc", 0xD4}, {"Ograve", 0xD2}, {"Omega", 0x3A9}, {"Oslash", 0xD8},
    {"Otilde", 0xD5}, {"Ouml", 0xD6}, {"Phi", 0x3A6}, {"Pi", 0x3A0}, {"Prime", 0x2033},
    {"Psi", 0x3A8}, {"Scaron", 0x160}, {"Sigma", 0x3A3}, {"THORN", 0xDE}, {"Theta", 0x398},
    {"Uacute", 0xDA}, {"Ucirc", 0xDB}, {"Ugrave", 0xD9}, {"Uuml", 0xDC}, {"Yacute", 0xDD},
    {"Yuml", 0x178}, {"aacute", 0xE1}, {"acirc", 0xE2}, {"acute", 0xB4}, {"aelig", 0xE6},
    {"agrave", 0xE0}, {"alpha", 0x3B1}, {"amp", 0x26}, {"apos", 0x27}, {"aring", 0xE5},
    {"atilde", 0xE3}, {"auml", 0xE4}, {"bdquo", 0x201E}, {"beta", 0x3B2}, {"brvbar", 0xA6},
    {"bull", 0x2022}, {"ccedil", 0xE7}, {"cedil", 0xB8}, {"cent", 0xA2}, {"circ", 0x2C6},
    {"copy", 0xA9}, {"curren", 0xA4}, {"dagger", 0x2020}, {"darr", 0x2193}, {"deg", 0xB0},
    {"delta", 0x3B4}, {"divide", 0xF7}, {"eacute", 0xE9}, {"ecirc", 0xEA}, {"egrave", 0xE8},
    {"emsp", 0x2003}, {"ensp", 0x2002}, {"epsilon", 0x3B5}, {"eth", 0xF0}, {"euml", 0xEB},
    {"euro", 0x20AC}, {"frac12", 0xBD}, {"frac14", 0xBC}, {"frac34", 0xBE}, {"gamma", 0x3B3},
    {"ge", 0x2265}, {"gt", 0x3E}, {"harr", 0x2194}, {"hellip", 0x2026}, {"iacute", 0xED},
    {"icirc", 0xEE}, {"iexcl", 0xA1}, {"igrave", 0xEC}, {"infin", 0x221E}, {"iquest", 0xBF},
    {"iuml", 0xEF}, {"lambda", 0x3BB}, {"laquo", 0xAB}, {"larr", 0x2190}, {"ldquo", 0x201C},
    {"le", 0x2264}, {"lrm", 0x200E}, {"lsaquo", 0x2039}, {"lsquo", 0x2018}, {"lt", 0x3C},
    {"macr", 0xAF}, {"mdash", 0x2014}, {"micro", 0xB5}, {"middot", 0xB7}, {"minus", 0x2212},
    {"mu", 0x3BC}, {"nbsp", 0xA0}, {"ndash", 0x2013}, {"ne", 0x2260}, {"not", 0xAC},
    {"ntilde", 0xF1}, {"oacute", 0xF3}, {"ocirc", 0xF4}, {"oelig", 0x153}, {"ograve", 0xF2},
    {"omega", 0x3C9}, {"ordf", 0xAA}, {"ordm", 0xBA}, {"oslash", 0xF8}, {"otilde", 0xF5},
    {"ouml", 0xF6}, {"para", 0xB6}, {"permil", 0x2030}, {"phi", 0x3C6}, {"pi", 0x3C0},
    {"plusmn", 0xB1}, {"pound", 0xA3}, {"prime", 0x2032}, {"quot", 0x22}, {"raquo", 0xBB},
    {"rarr", 0x2192}, {"rdquo", 0x201D}, {"reg", 0xAE}, {"rlm", 0x200F}, {"rsaquo", 0x203A},
    {"rsquo", 0x2019}, {"sbquo", 0x201A}, {"scaron", 0x161}, {"sect", 0xA7}, {"shy", 0xAD},
    {"sigma", 0x3C3}, {"sup1", 0xB9}, {"sup2", 0xB2}, {"sup3", 0xB3}, {"szlig", 0xDF},
    {"theta", 0x3B8}, {"thinsp", 0x2009}, {"thorn", 0xFE}, {"tilde", 0x2DC}, {"times", 0xD7},
    {"trade", 0x2122}, {"uacute", 0xFA}, {"uarr", 0x2191}, {"ucirc", 0xFB}, {"ugrave", 0xF9},
    {"uml", 0xA8}, {"uuml", 0xFC}, {"yacute", 0xFD}, {"yen", 0xA5}, {"yuml", 0xFF},
    {"zwj", 0x200D}, {"zwnj", 0x200C},
};

// Windows-1252's characters for the numeric references 128-159, as browsers read them.
constexpr char16_t kC1[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                              0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

bool IsAsciiAlnum(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

// Decodes the character reference at S[I] ("&..."), appending its text to Out;
// returns the position after it, or I + 1 with "&" appended when it is none.
size_t DecodeReference(std::u16string_view S, size_t I, std::u16string& Out) {
  size_t k = I + 1;
  if (k < S.size() && S[k] == u'#') {
    ++k;
    const bool hex = k < S.size() && (S[k] == u'x' || S[k] == u'X');
    if (hex) ++k;
    const size_t digitsStart = k;
    uint32_t value = 0;
    while (k < S.size() && k - digitsStart < 12) {
      const char16_t c = S[k];
      int d = -1;
      if (c >= u'0' && c <= u'9') d = c - u'0';
      else if (hex && c >= u'a' && c <= u'f') d = c - u'a' + 10;
      else if (hex && c >= u'A' && c <= u'F') d = c - u'A' + 10;
      if (d < 0) break;
      value = std::min<uint32_t>(value * (hex ? 16 : 10) + uint32_t(d), 0x110000);
      ++k;
    }
    if (k == digitsStart) {
      Out.push_back(u'&');
      return I + 1;
    }
    if (k < S.size() && S[k] == u';') ++k;
    if (value >= 128 && value < 160) {
      Out.push_back(kC1[value - 128]);
    } else if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      Out.push_back(0xFFFD);
    } else if (value >= 0x10000) {
      value -= 0x10000;
      Out.push_back(char16_t(0xD800 + (value >> 10)));
      Out.push_back(char16_t(0xDC00 + (value & 0x3FF)));
    } else {
      Out.push_back(char16_t(value));
    }
    return k;
  }
  while (k < S.size() && IsAsciiAlnum(S[k]) && k - I <= 10) ++k;
  std::string name;
  for (size_t j = I + 1; j < k; ++j) name.push_back(char(S[j]));
  const bool semicolon = k < S.size() && S[k] == u';';
  const auto it = std::lower_bound(std::begin(kEntities), std::end(kEntities), name,
                                   [](const TEntity& e, const std::string& n) { return e.Name < n; });
  // Without a semicolon only the oldest names are references.
  if (it != std::end(kEntities) && it->Name == name &&
      (semicolon || name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "nbsp")) {
    Out.push_back(it->Code);
    return semicolon ? k + 1 : k;
  }
  Out.push_back(u'&');
  return I + 1;
}

std::u16string DecodeReferences(std::u16string_view S) {
  std::u16string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size();) {
    if (S[i] == u'&') {
      i = DecodeReference(S, i, out);
    } else {
      out.push_back(S[i++]);
    }
  }
  return out;
}

std::u16string LowerAscii(std::u16string_view S) {
  std::u16string out(S);
  for (char16_t& c : out) c = AsciiLower(c);
  return out;
}

// The value of attribute Name (lower case) in a start tag's attribute text; empty
// when absent.
std::u16string Attribute(std::u16string_view Attrs, std::u16string_view Name) {
  size_t i = 0;
  const size_t n = Attrs.size();
  while (i < n) {
    while (i < n && (IsSpace(Attrs[i]) || Attrs[i] == u'/')) ++i;
    const size_t nameStart = i;
    while (i < n && !IsSpace(Attrs[i]) && Attrs[i] != u'=' && Attrs[i] != u'/' && Attrs[i] != u'>') ++i;
    const std::u16string name = LowerAscii(Attrs.substr(nameStart, i - nameStart));
    while (i < n && IsSpace(Attrs[i])) ++i;
    std::u16string_view value;
    if (i < n && Attrs[i] == u'=') {
      ++i;
      while (i < n && IsSpace(Attrs[i])) ++i;
      if (i < n && (Attrs[i] == u'"' || Attrs[i] == u'\'')) {
        const char16_t quote = Attrs[i++];
        const size_t end = Attrs.find(quote, i);
        value = Attrs.substr(i, end == std::u16string_view::npos ? n - i : end - i);
        i = end == std::u16string_view::npos ? n : end + 1;
      } else {
        const size_t start = i;
        while (i < n && !IsSpace(Attrs[i])) ++i;
        value = Attrs.substr(start, i - start);
      }
    }
    if (name == Name) return DecodeReferences(value);
    if (i == nameStart) ++i;
  }
  return std::u16string();
}

// A style declaration's value for Property (lower case, blanks ignored).
std::u16string StyleValue(std::u16string_view Style, std::u16string_view Property) {
  std::u16string compact;
  for (char16_t c : Style)
    if (!IsSpace(c)) compact.push_back(AsciiLower(c));
  size_t at = 0;
  while ((at = compact.find(Property, at)) != std::u16string::npos) {
    const size_t colon = at + Property.size();
    if ((at == 0 || compact[at - 1] == u';' || compact[at - 1] == u'"' || compact[at - 1] == u'\'') &&
        colon < compact.size() && compact[colon] == u':') {
      const size_t end = compact.find(u';', colon);
      return compact.substr(colon + 1, end == std::u16string::npos ? std::u16string::npos : end - colon - 1);
    }
    at = colon;
  }
  return std::u16string();
}

// What an element makes of the state of its content.
struct TState {
  THtmlStory Story = hsMain;
  bool Hidden = false;
  bool Skip = false;   // nothing in it is text
  bool Pre = false;
  bool Inserted = false;
  bool Deleted = false;
  // What a sink is told of the content (set only when there is one).
  bool Bold = false;
  bool Italic = false;
  bool Strike = false;
  uint8_t Heading = 0;    // 1-6 inside h1-h6
  uint32_t Link = 0;      // 1 + the index of the open link's target; 0: none
  uint32_t ListItem = 0;  // the list item it stands in (numbered from 1); 0: none
  bool WordListItem = false;  // a paragraph Word numbers, whose label is in its text
  int32_t ListLevel = -1;
  TKvWListKind ListKind = lkNone;
  int32_t ListNumber = 0;
  char16_t ListType = u'1';  // an ordered list's numbering: 1, a, A, i or I
};

struct TOpenElement {
  std::u16string Name;
  THtmlKind Kind = hkOther;
  TState State;  // the state inside it
  // A sink was told of its start (a table, row or cell); it opened a list or a link.
  bool SinkOpen = false;
  bool OwnsList = false;
  bool OwnsLink = false;
};

// Grid columns a table is described with at most (Word's own limit), and the rows
// a cell may span.
constexpr int32_t kMaxGridColumns = 63;
constexpr int32_t kMaxRowSpan = 65534;
// The longest list label Word writes before a paragraph's text that is taken as one.
constexpr size_t kMaxWordLabel = 64;
// The largest list number and list start taken from a page.
constexpr int32_t kMaxListNumber = 999999999;

// A decimal attribute value ("3", " 12 "), clamped to [Low, High]; Default when it
// holds no number.
int32_t AttributeNumber(std::u16string_view Value, int32_t Default, int32_t Low, int32_t High) {
  size_t i = 0;
  while (i < Value.size() && IsSpace(Value[i])) ++i;
  bool negative = false;
  if (i < Value.size() && (Value[i] == u'-' || Value[i] == u'+')) negative = Value[i++] == u'-';
  const size_t start = i;
  int64_t v = 0;
  for (; i < Value.size() && Value[i] >= u'0' && Value[i] <= u'9'; ++i)
    v = std::min<int64_t>(v * 10 + (Value[i] - u'0'), int64_t(High) + 1);
  if (i == start) return Default;
  return int32_t(std::clamp<int64_t>(negative ? -v : v, Low, High));
}

// The label of item Number in an ordered list of Type ("c." for 3 in type a).
std::u16string OrderedLabel(char16_t Type, int32_t Number) {
  std::u16string label;
  if ((Type == u'a' || Type == u'A') && Number >= 1) {
    for (int64_t n = Number; n > 0; n = (n - 1) / 26) label.insert(label.begin(), char16_t(Type + (n - 1) % 26));
  } else if ((Type == u'i' || Type == u'I') && Number >= 1 && Number < 4000) {
    static constexpr struct {
      int32_t Value;
      const char16_t* Text;
    } numerals[] = {{1000, u"m"}, {900, u"cm"}, {500, u"d"}, {400, u"cd"}, {100, u"c"}, {90, u"xc"}, {50, u"l"},
                    {40, u"xl"}, {10, u"x"}, {9, u"ix"}, {5, u"v"}, {4, u"iv"}, {1, u"i"}};
    int32_t n = Number;
    for (const auto& numeral : numerals)
      for (; n >= numeral.Value; n -= numeral.Value) label += numeral.Text;
    if (Type == u'I')
      for (char16_t& c : label) c = char16_t(c - 32);
  } else {
    for (const char c : std::to_string(Number)) label.push_back(char16_t(c));
  }
  return label + u".";
}

struct TStoryState {
  bool LineHasText = false;
  bool PendingSpace = false;
  bool PendingBreak = false;
  char16_t OpenRevision = 0;
};

class THtmlParser {
 public:
  THtmlParser(std::u16string_view Page, const THtmlReadOptions& Options, THtmlStories& Stories)
      : FIn(Page), FOptions(Options), FStories(Stories), FSink(Options.Sink) {}
  void Run();

 private:
  const TState& State() const { return FStack.empty() ? FRoot : FStack.back().State; }
  bool Suppressed(const TState& s) const;
  void Text(std::u16string_view S);
  void PutChar(const TState& s, char16_t c);
  void FlushBreak(THtmlStory Story);
  void EndParagraph(bool Always);
  void PutMark(char16_t Mark);
  void StartTag(std::u16string_view Name, std::u16string_view Attrs, bool SelfClosing);
  void EndTag(std::u16string_view Name);
  void Close(const TOpenElement& e);
  // Pops the elements above index At, then the one at At, closing each.
  void PopTo(size_t At);
  void Comment(std::u16string_view Body);
  void Condition(std::u16string_view Body);
  void SetSummary(std::u16string_view Name, const std::u16string& Value);
  size_t FindRawEnd(std::u16string_view Name, size_t From) const;

  // The sink's side: the main story described from the characters and marks its
  // marked text gets.
  bool Describes(const TState& s) const { return FSink && s.Story == hsMain && !Suppressed(s); }
  void DescribeStart(TOpenElement& e, std::u16string_view Attrs);
  void DescribeEnd(const TOpenElement& e);
  void SinkBeginParagraph(const TState& s);
  void SinkChar(const TState& s, char16_t c);
  void SinkImage(const TState& s, std::u16string_view Description);
  void SinkFlushRun();
  void SinkEndParagraph();
  void SinkBreak();
  void SinkCoveredCells(bool ToRowEnd);

  std::u16string_view FIn;
  const THtmlReadOptions& FOptions;
  THtmlStories& FStories;
  TState FRoot;
  std::vector<TOpenElement> FStack;
  // Where in FStack the open elements of each name stand, and the open tables,
  // rows and cells, innermost last: an end tag or a cell finds what it closes
  // without walking the stack.
  std::unordered_map<std::u16string, std::vector<size_t>> FOpenByName;
  std::vector<size_t> FOpenStructure;
  std::vector<size_t> FOpenTables;
  void Push(TOpenElement&& e);
  // Drops the element on top of the stack, about to be popped, from the indexes.
  void Unindex(const TOpenElement& e);
  size_t FUntracked = 0;  // start tags beyond the depth bound
  std::array<TStoryState, hsCount> FStoryState{};
  bool FInHead = false;
  bool FQuotesUnreliable = false;
  // The downlevel-revealed conditions open (<![if ...]>), with whether each drops
  // its content; beyond the bound they only count.
  std::vector<bool> FConditions;
  size_t FUntrackedConditions = 0;
  size_t FDroppingConditions = 0;
  // Which of FConditions hold the list labels Word writes for browsers without
  // lists, and how many of those are open.
  std::vector<bool> FLabelConditions;
  size_t FOpenLabelConditions = 0;

  TKvWDocumentSink* FSink = nullptr;
  bool FSinkParagraph = false;
  // The run being gathered, and what it is: the state's emphasis and link.
  std::u16string FSinkRun;
  TKvWRunKey FSinkRunKey;
  std::u16string FSinkLabel;
  std::u16string FSinkPendingLabel;  // a Word list label read before its paragraph's text
  uint32_t FSinkItems = 0;      // list items met
  uint32_t FSinkLastItem = 0;   // the item whose first paragraph was described last
  struct TSinkList {
    bool Ordered = false;
    char16_t Type = u'1';
    int32_t Next = 1;
  };
  std::vector<TSinkList> FSinkLists;        // the open lists, innermost last
  std::vector<std::u16string> FSinkLinks;   // the open links' targets, innermost last
  // Each described table's grid: the rows each column is still covered for by a
  // cell above spanning rows, and the column the next cell of the row takes.
  struct TSinkGrid {
    std::vector<int32_t> Covered;
    int32_t Column = 0;
  };
  std::vector<TSinkGrid> FSinkTables;
};

bool THtmlParser::Suppressed(const TState& s) const {
  if (s.Skip || FInHead || FDroppingConditions > 0) return true;
  if (s.Story == hsMain && FOptions.SideStoriesOnly) return true;
  if (s.Hidden && !FOptions.HiddenText) return true;
  if (s.Deleted && FOptions.Revisions == rvAccept) return true;
  if (s.Inserted && FOptions.Revisions == rvReject) return true;
  return false;
}

void THtmlParser::FlushBreak(THtmlStory Story) {
  TStoryState& st = FStoryState[Story];
  if (st.PendingBreak) {
    FStories.Text[Story].push_back(mkParagraph);
    st.PendingBreak = false;
  }
}

void THtmlParser::PutChar(const TState& s, char16_t c) {
  // An optional hyphen shows only where a line breaks at it.
  if (c == u'\u00AD' && FOptions.ShownView) return;
  std::u16string& story = FStories.Text[s.Story];
  TStoryState& st = FStoryState[s.Story];
  FlushBreak(s.Story);
  if (FOptions.Revisions == rvMark) {
    const char16_t want = s.Inserted ? mkInsertStart : s.Deleted ? mkDeleteStart : 0;
    if (want != st.OpenRevision) {
      if (st.OpenRevision) story.push_back(mkRevisionEnd);
      if (want) story.push_back(want);
      st.OpenRevision = want;
    }
  }
  const bool describe = FSink && s.Story == hsMain;
  if (st.PendingSpace) {
    story.push_back(u' ');
    // The blank between two runs goes with the one before it, so that a link or
    // emphasis that follows does not start with it.
    if (describe && FSinkParagraph) FSinkRun.push_back(u' ');
    else if (describe) SinkChar(s, u' ');
    st.PendingSpace = false;
  }
  story.push_back(c);
  if (describe) SinkChar(s, c);
  st.LineHasText = true;
}

void THtmlParser::Text(std::u16string_view S) {
  const TState& s = State();
  if (Suppressed(s)) return;
  TStoryState& st = FStoryState[s.Story];
  for (size_t i = 0; i < S.size();) {
    char16_t c = S[i];
    if (c == u'&') {
      std::u16string decoded;
      i = DecodeReference(S, i, decoded);
      for (char16_t d : decoded)
        if (!IsMarkCharacter(d)) PutChar(s, d);
      continue;
    }
    ++i;
    if (s.Pre) {
      if (c == u'\r' && i < S.size() && S[i] == u'\n') continue;
      if (c == u'\r' || c == u'\n') {
        FlushBreak(s.Story);
        FStories.Text[s.Story].push_back(mkLineBreak);
        if (FSink && s.Story == hsMain) SinkBreak();
        st.LineHasText = true;
        continue;
      }
      if (c == u'\t') {
        FlushBreak(s.Story);
        FStories.Text[s.Story].push_back(mkTab);
        if (FSink && s.Story == hsMain) SinkChar(s, u'\t');
        st.LineHasText = true;
        continue;
      }
      if (IsMarkCharacter(c)) continue;
      PutChar(s, c);
      continue;
    }
    if (IsSpace(c)) {
      if (st.LineHasText) st.PendingSpace = true;
      continue;
    }
    if (IsMarkCharacter(c)) continue;
    PutChar(s, c);
  }
}

void THtmlParser::EndParagraph(bool Always) {
  const TState& s = State();
  if (Suppressed(s)) return;
  if (FSink && s.Story == hsMain) SinkEndParagraph();
  TStoryState& st = FStoryState[s.Story];
  std::u16string& story = FStories.Text[s.Story];
  if (st.OpenRevision) {
    story.push_back(mkRevisionEnd);
    st.OpenRevision = 0;
  }
  st.PendingSpace = false;
  if (st.LineHasText) {
    st.PendingBreak = true;
    st.LineHasText = false;
  } else if (Always) {
    FlushBreak(s.Story);
    story.push_back(mkParagraph);
  }
}

void THtmlParser::PutMark(char16_t Mark) {
  const TState& s = State();
  if (Suppressed(s)) return;
  if (FSink && s.Story == hsMain) {
    if (Mark == mkLineBreak) SinkBreak();
    else SinkEndParagraph();
  }
  TStoryState& st = FStoryState[s.Story];
  std::u16string& story = FStories.Text[s.Story];
  if (st.OpenRevision) {
    story.push_back(mkRevisionEnd);
    st.OpenRevision = 0;
  }
  st.PendingSpace = false;
  if (Mark == mkCellEnd || Mark == mkRowEnd) {
    // The last paragraph of a cell ends with the cell.
    st.PendingBreak = false;
    if (Mark == mkRowEnd && (story.empty() || story.back() != mkCellEnd)) return;
  } else {
    FlushBreak(s.Story);
  }
  story.push_back(Mark);
  st.LineHasText = false;
}

void THtmlParser::Close(const TOpenElement& e) {
  switch (e.Kind) {
    case hkParagraph: EndParagraph(true); break;
    case hkBlock: case hkPre: case hkTable: EndParagraph(false); break;
    case hkCell: PutMark(mkCellEnd); break;
    case hkRow: PutMark(mkRowEnd); break;
    case hkHead: FInHead = false; break;
    default: break;
  }
  if (FSink) DescribeEnd(e);
}

void THtmlParser::Push(TOpenElement&& e) {
  FOpenByName[e.Name].push_back(FStack.size());
  if (e.Kind == hkTable || e.Kind == hkRow || e.Kind == hkCell) FOpenStructure.push_back(FStack.size());
  if (e.Kind == hkTable) FOpenTables.push_back(FStack.size());
  FStack.push_back(std::move(e));
}

void THtmlParser::Unindex(const TOpenElement& e) {
  const auto it = FOpenByName.find(e.Name);
  it->second.pop_back();
  if (it->second.empty()) FOpenByName.erase(it);
  if (e.Kind == hkTable || e.Kind == hkRow || e.Kind == hkCell) FOpenStructure.pop_back();
  if (e.Kind == hkTable) FOpenTables.pop_back();
}

void THtmlParser::PopTo(size_t At) {
  while (FStack.size() > At) {
    Unindex(FStack.back());
    const TOpenElement e = std::move(FStack.back());
    // The element's own end is written in the state inside it, then dropped.
    Close(e);
    FStack.pop_back();
    if (e.State.Story != State().Story) {
      // A story's division ends its last paragraph.
      TStoryState& st = FStoryState[e.State.Story];
      std::u16string& story = FStories.Text[e.State.Story];
      if (st.OpenRevision) story.push_back(mkRevisionEnd);
      st.OpenRevision = 0;
      if (st.LineHasText || st.PendingBreak) story.push_back(mkParagraph);
      st.LineHasText = st.PendingBreak = st.PendingSpace = false;
    }
  }
}

void THtmlParser::DescribeStart(TOpenElement& e, std::u16string_view Attrs) {
  TState& s = e.State;
  const std::u16string& name = e.Name;
  if (name == u"b" || name == u"strong") {
    s.Bold = true;
  } else if (name == u"i" || name == u"em") {
    s.Italic = true;
  } else if (name == u"s" || name == u"strike") {
    s.Strike = true;
  } else if (name.size() == 2 && name[0] == u'h' && name[1] >= u'1' && name[1] <= u'6') {
    s.Heading = uint8_t(name[1] - u'0');
  } else if (name == u"a") {
    std::u16string target = Attribute(Attrs, u"href");
    const size_t first = target.find_first_not_of(u" \t\r\n\f");
    target.erase(0, first == std::u16string::npos ? target.size() : first);
    while (!target.empty() && IsSpace(target.back())) target.pop_back();
    // A link to a place in the page itself (a note, a bookmark) stays text.
    if (!target.empty() && target[0] != u'#') {
      FSinkLinks.push_back(std::move(target));
      s.Link = uint32_t(FSinkLinks.size());
      e.OwnsLink = true;
    }
  } else if (name == u"ul" || name == u"ol") {
    TSinkList list;
    list.Ordered = name == u"ol";
    if (list.Ordered) {
      const std::u16string type = Attribute(Attrs, u"type");
      if (type == u"a" || type == u"A" || type == u"i" || type == u"I") list.Type = type[0];
      list.Next = AttributeNumber(Attribute(Attrs, u"start"), 1, 0, kMaxListNumber);
    }
    FSinkLists.push_back(list);
    e.OwnsList = true;
    // Text of the list outside its items belongs to no item.
    s.ListItem = 0;
    s.ListLevel = -1;
    s.ListKind = lkNone;
  } else if (name == u"li") {
    s.ListItem = ++FSinkItems;
    s.ListLevel = int32_t(std::min<size_t>(FSinkLists.empty() ? 0 : FSinkLists.size() - 1, 8));
    if (FSinkLists.empty() || !FSinkLists.back().Ordered) {
      s.ListKind = lkBullet;
    } else {
      TSinkList& list = FSinkLists.back();
      const std::u16string value = Attribute(Attrs, u"value");
      if (!value.empty()) list.Next = AttributeNumber(value, list.Next, 0, kMaxListNumber);
      s.ListNumber = list.Next;
      if (list.Next < kMaxListNumber) ++list.Next;
      s.ListType = list.Type;
      s.ListKind = list.Type == u'1' ? lkNumber : lkOther;
    }
  }
  if (e.Kind == hkParagraph && name != u"li" &&
      (Attrs.find(u"mso-list") != std::u16string_view::npos || Attrs.find(u"MSO-LIST") != std::u16string_view::npos)) {
    // Word's own list paragraph: "mso-list:l0 level2 lfo1" gives its level; its
    // label stands in its text, written for browsers without lists.
    const std::u16string list = StyleValue(Attribute(Attrs, u"style"), u"mso-list");
    const size_t level = list.find(u"level");
    if (level != std::u16string::npos) {
      s.ListItem = ++FSinkItems;
      s.ListLevel = std::clamp(AttributeNumber(std::u16string_view(list).substr(level + 5, 2), 1, 1, 9), 1, 9) - 1;
      s.ListKind = lkNone;
      s.WordListItem = true;
    }
  }
  if ((e.Kind != hkTable && e.Kind != hkRow && e.Kind != hkCell) || !Describes(s)) return;
  if (e.Kind == hkTable) {
    SinkEndParagraph();
    FSink->BeginTable();
    FSinkTables.emplace_back();
    e.SinkOpen = true;
    return;
  }
  if (FSinkTables.empty()) return;  // a row or a cell of a table not described
  SinkEndParagraph();
  e.SinkOpen = true;
  if (e.Kind == hkRow) {
    FSink->BeginRow();
    FSinkTables.back().Column = 0;
    return;
  }
  SinkCoveredCells(false);
  TSinkGrid& grid = FSinkTables.back();
  TKvWCellInfo info;
  info.Span = AttributeNumber(Attribute(Attrs, u"colspan"), 1, 1, kMaxGridColumns);
  const int32_t rows = AttributeNumber(Attribute(Attrs, u"rowspan"), 1, 1, kMaxRowSpan);
  if (rows > 1) {
    const int32_t end = std::min(grid.Column + info.Span, kMaxGridColumns);
    if (int32_t(grid.Covered.size()) < end) grid.Covered.resize(size_t(end), 0);
    for (int32_t c = grid.Column; c < end; ++c) grid.Covered[size_t(c)] = rows - 1;
  }
  grid.Column = std::min(grid.Column + info.Span, kMaxGridColumns);
  FSink->BeginCell(info);
}

void THtmlParser::DescribeEnd(const TOpenElement& e) {
  if (e.OwnsLink) {
    SinkFlushRun();  // its run names the target: told before the target goes
    FSinkLinks.pop_back();
    FSinkRunKey.Link = 0;  // what follows in the paragraph stands outside it
  }
  if (e.OwnsList) FSinkLists.pop_back();
  if (!e.SinkOpen) return;
  SinkEndParagraph();
  if (e.Kind == hkTable) {
    FSink->EndTable();
    FSinkTables.pop_back();
  } else if (e.Kind == hkRow) {
    SinkCoveredCells(true);
    FSink->EndRow();
  } else {
    FSink->EndCell();
  }
}

// The cells of the row that cells above cover, as empty cells merged with those:
// the ones before the next cell, or with ToRowEnd every one left in the row (and
// the empty cells between them).
void THtmlParser::SinkCoveredCells(bool ToRowEnd) {
  if (FSinkTables.empty()) return;
  TSinkGrid& grid = FSinkTables.back();
  int32_t last = grid.Column;
  if (ToRowEnd) {
    for (int32_t c = int32_t(grid.Covered.size()); c > grid.Column; --c)
      if (grid.Covered[size_t(c - 1)] > 0) {
        last = c;
        break;
      }
  }
  while (grid.Column < int32_t(grid.Covered.size()) &&
         (ToRowEnd ? grid.Column < last : grid.Covered[size_t(grid.Column)] > 0)) {
    int32_t& covered = grid.Covered[size_t(grid.Column)];
    TKvWCellInfo info;
    info.MergedAbove = covered > 0;
    if (covered > 0) --covered;
    FSink->BeginCell(info);
    FSink->EndCell();
    ++grid.Column;
  }
}

void THtmlParser::SinkBeginParagraph(const TState& s) {
  TKvWParagraphInfo info;
  info.OutlineLevel = s.Heading;
  if (s.WordListItem && s.ListItem != FSinkLastItem) {
    FSinkLastItem = s.ListItem;
    const size_t first = FSinkPendingLabel.find_first_not_of(u" \t\u00A0");
    const size_t last = FSinkPendingLabel.find_last_not_of(u" \t\u00A0");
    FSinkLabel = first == std::u16string::npos ? std::u16string()
                                                : FSinkPendingLabel.substr(first, last - first + 1);
    FSinkPendingLabel.clear();
    const TKvWListLabelKind kind = ClassifyListLabel(FSinkLabel);
    if (kind.Kind != lkNone) {
      info.ListLevel = s.ListLevel;
      info.ListKind = kind.Kind;
      info.ListNumber = kind.Number;
      info.ListDelimiter = kind.Delimiter;
      info.ListLabel = FSinkLabel;
    }
  }
  // The first paragraph of a list item is the item; the ones after it are not.
  else if (s.ListItem != 0 && s.ListItem != FSinkLastItem) {
    FSinkLastItem = s.ListItem;
    info.ListLevel = s.ListLevel;
    info.ListKind = s.ListKind;
    if (s.ListKind == lkNumber) {
      info.ListNumber = s.ListNumber;
      FSinkLabel = OrderedLabel(u'1', s.ListNumber);
    } else if (s.ListKind == lkOther) {
      FSinkLabel = OrderedLabel(s.ListType, s.ListNumber);
    } else {
      FSinkLabel.clear();
    }
    info.ListLabel = FSinkLabel;
  }
  FSink->BeginParagraph(info);
  FSinkParagraph = true;
  FSinkRun = std::move(FSinkPendingLabel);  // a label that is none: the text's start
  FSinkPendingLabel.clear();
  FSinkRunKey = TKvWRunKey();
}

void THtmlParser::SinkImage(const TState& s, std::u16string_view Description) {
  if (!FSinkParagraph) SinkBeginParagraph(s);
  // A blank before the picture stands before it; the text keeps it for what follows.
  if (FStoryState[s.Story].PendingSpace) FSinkRun.push_back(u' ');
  SinkFlushRun();
  FSink->Image(Description);
}

void THtmlParser::SinkChar(const TState& s, char16_t c) {
  if (!FSinkParagraph && s.WordListItem && FOpenLabelConditions > 0 && s.ListItem != FSinkLastItem) {
    if (FSinkPendingLabel.size() < kMaxWordLabel) {
      FSinkPendingLabel.push_back(c);
      return;
    }
    FSinkLastItem = s.ListItem;  // too long for a label: the paragraph's text after all
  }
  if (!FSinkParagraph) SinkBeginParagraph(s);
  TKvWRunKey key;
  key.Bold = s.Bold;
  key.Italic = s.Italic;
  key.Strike = s.Strike;
  if (FOptions.Revisions == rvMark) {
    key.Inserted = s.Inserted;
    key.Deleted = s.Deleted;
  }
  key.Link = s.Link;
  if (!(key == FSinkRunKey)) {
    SinkFlushRun();
    FSinkRunKey = key;
  }
  FSinkRun.push_back(c);
}

void THtmlParser::SinkFlushRun() {
  if (FSinkRun.empty()) return;
  FSink->Text(FSinkRun, FSinkRunKey.Info(FSinkLinks));
  FSinkRun.clear();
}

void THtmlParser::SinkEndParagraph() {
  if (!FSinkParagraph && !FSinkPendingLabel.empty()) {
    // A Word list label without text after it: kept as a paragraph of its own.
    FSink->BeginParagraph({});
    FSink->Text(FSinkPendingLabel, {});
    FSink->EndParagraph();
    FSinkPendingLabel.clear();
  }
  if (!FSinkParagraph) return;
  SinkFlushRun();
  FSink->EndParagraph();
  FSinkParagraph = false;
}

void THtmlParser::SinkBreak() {
  if (!FSinkParagraph) return;
  SinkFlushRun();
  FSink->Break(bkLine);
}

void THtmlParser::SetSummary(std::u16string_view Name, const std::u16string& Value) {
  TKvWordSummaryInformation* s = FOptions.Summary;
  if (!s) return;
  auto number = [&Value] {
    int64_t v = 0;
    for (char16_t c : Value) {
      if (c < u'0' || c > u'9') return int32_t(0);
      v = std::min<int64_t>(v * 10 + (c - u'0'), INT32_MAX);
    }
    return int32_t(v);
  };
  if (Name == u"title") s->SetTitle(Value);
  else if (Name == u"subject") s->SetSubject(Value);
  else if (Name == u"author") s->SetAuthor(Value);
  else if (Name == u"keywords") s->SetKeywords(Value);
  else if (Name == u"description") s->SetComments(Value);
  else if (Name == u"lastauthor") s->SetLastAuthor(Value);
  else if (Name == u"revision") s->SetRevNumber(Value);
  else if (Name == u"category") s->SetCategory(Value);
  else if (Name == u"manager") s->SetManager(Value);
  else if (Name == u"company") s->SetCompany(Value);
  else if (Name == u"template") s->SetTemplate(Value);
  else if (Name == u"created") s->SetCreated(XMLStringToDateTime(Value));
  else if (Name == u"lastsaved") s->SetLastSaved(XMLStringToDateTime(Value));
  else if (Name == u"lastprinted") s->SetLastPrinted(XMLStringToDateTime(Value));
  else if (Name == u"totaltime") s->SetEditTime(number());
  else if (Name == u"pages") s->SetPageCount(number());
  else if (Name == u"words") s->SetWordCount(number());
  else if (Name == u"characters") s->SetCharCount(number());
  else if (Name == u"lines") s->SetLineCount(number());
  else if (Name == u"paragraphs") s->SetParagraphCount(number());
  else if (Name == u"characterswithspaces") s->SetCharCount2(number());
}

void THtmlParser::Comment(std::u16string_view Body) {
  // Word keeps the document's properties in an XML island inside a comment.
  if (!FOptions.Summary) return;
  const size_t block = Body.find(u"<o:DocumentProperties>");
  if (block == std::u16string_view::npos) return;
  size_t end = Body.find(u"</o:DocumentProperties>", block);
  if (end == std::u16string_view::npos) end = Body.size();
  std::u16string_view props = Body.substr(block, end - block);
  // Where each end tag "</o:name>" stands, found in one pass, so that an element
  // that never ends costs a look-up rather than a search to the end. Names longer
  // than any property's are not indexed: such an element is taken as never ending.
  constexpr size_t MaxName = 64;
  std::unordered_map<std::u16string_view, std::vector<size_t>> endTags;
  for (size_t at = 0; (at = props.find(u"</o:", at)) != std::u16string_view::npos; at += 4) {
    const std::u16string_view rest = props.substr(at + 4, MaxName + 1);
    const size_t gt = rest.find(u'>');
    if (gt != std::u16string_view::npos) endTags[rest.substr(0, gt)].push_back(at);
  }
  size_t at = 1;
  while ((at = props.find(u"<o:", at)) != std::u16string_view::npos) {
    const size_t nameStart = at + 3;
    const size_t close = props.find(u'>', nameStart);
    if (close == std::u16string_view::npos) break;
    const std::u16string_view name = props.substr(nameStart, close - nameStart);
    size_t valueEnd = std::u16string_view::npos;
    if (const auto it = endTags.find(name); it != endTags.end()) {
      const auto next = std::lower_bound(it->second.begin(), it->second.end(), close);
      if (next != it->second.end()) valueEnd = *next;
    }
    if (valueEnd == std::u16string_view::npos) {
      at = close;
      continue;
    }
    SetSummary(LowerAscii(name), DecodeReferences(props.substr(close + 1, valueEnd - close - 1)));
    at = valueEnd + name.size() + 5;  // past "</o:name>"
  }
}

void THtmlParser::Condition(std::u16string_view Body) {
  // Body: "if ..." or "endif".
  const std::u16string lower = LowerAscii(Body);
  if (lower.rfind(u"endif", 0) == 0) {
    if (FUntrackedConditions > 0) {
      --FUntrackedConditions;
    } else if (!FConditions.empty()) {
      if (FConditions.back()) --FDroppingConditions;
      FConditions.pop_back();
      if (FLabelConditions.back()) --FOpenLabelConditions;
      FLabelConditions.pop_back();
    }
    return;
  }
  if (lower.rfind(u"if", 0) != 0) return;
  // What Word writes for browsers that lack a feature: list labels and note marks
  // (shown in the shown view), a row of column widths and a repeated line break
  // (never text).
  bool drop = lower.find(u"supportmisalignedcolumns") != std::u16string::npos ||
              lower.find(u"supportlinebreaknewline") != std::u16string::npos;
  if (!FOptions.ShownView &&
      (lower.find(u"supportlists") != std::u16string::npos || lower.find(u"supportfootnotes") != std::u16string::npos ||
       lower.find(u"supportendnotes") != std::u16string::npos ||
       lower.find(u"supportannotations") != std::u16string::npos))
    drop = true;
  if (FConditions.size() >= HTML_MAX_DEPTH) {
    ++FUntrackedConditions;
    return;
  }
  FConditions.push_back(drop);
  if (drop) ++FDroppingConditions;
  const bool label = !drop && lower.find(u"supportlists") != std::u16string::npos;
  FLabelConditions.push_back(label);
  if (label) ++FOpenLabelConditions;
}

void THtmlParser::StartTag(std::u16string_view RawName, std::u16string_view Attrs, bool SelfClosing) {
  const std::u16string name = LowerAscii(RawName.substr(0, 32));
  const THtmlKind kind = KindOf(name);
  // Implied ends: a cell ends the open cell of its row, a row the open row of its
  // table, a paragraph or list item the one it would nest in.
  // The innermost open table, row or cell decides (Kinds and Stop are among them).
  auto closeOpen = [&](std::initializer_list<THtmlKind> Kinds, THtmlKind Stop) {
    if (FOpenStructure.empty()) return;
    const size_t k = FOpenStructure.back();
    if (FStack[k].Kind == hkTable || FStack[k].Kind == Stop) return;
    if (std::find(Kinds.begin(), Kinds.end(), FStack[k].Kind) != Kinds.end()) PopTo(k);
  };
  if (kind == hkCell) closeOpen({hkCell}, hkRow);
  if (kind == hkRow) closeOpen({hkCell, hkRow}, hkTable);
  // A paragraph that ends the list item it opens in (<li><p>) still stands in that
  // item for a sink.
  const TState* endedItem = nullptr;
  TState ended;
  if ((kind == hkParagraph || kind == hkBlock || kind == hkTable) && !FStack.empty() &&
      FStack.back().Kind == hkParagraph && (name == u"p" || FStack.back().Name == u"p" ||
                                            (name == u"li" && FStack.back().Name == u"li"))) {
    if (FSink && name == u"p" && FStack.back().State.ListItem != 0) {
      ended = FStack.back().State;
      endedItem = &ended;
    }
    PopTo(FStack.size() - 1);
  }

  switch (kind) {
    case hkBreak: {
      const TState& s = State();
      if (!Suppressed(s)) PutMark(mkLineBreak);
      return;
    }
    case hkMeta: {
      if (!FOptions.Summary) return;
      const std::u16string metaName = LowerAscii(Attribute(Attrs, u"name"));
      if (metaName == u"author" || metaName == u"keywords" || metaName == u"description")
        SetSummary(metaName, Attribute(Attrs, u"content"));
      return;
    }
    case hkBody:
      FInHead = false;
      return;
    case hkParagraph: case hkBlock: case hkPre:
      EndParagraph(false);
      break;
    case hkTable: {
      // The paragraph before the table ends before its first cell.
      EndParagraph(false);
      const TState& s = State();
      if (!Suppressed(s)) FlushBreak(s.Story);
      break;
    }
    case hkCell: {
      const TState& s = State();
      if (!Suppressed(s)) {
        FlushBreak(s.Story);
        FStoryState[s.Story].LineHasText = false;
      }
      break;
    }
    default:
      break;
  }
  if (FSink && name == u"img" && Describes(State())) {
    // A picture is described where the page gives it a description.
    const std::u16string description = Attribute(Attrs, u"alt");
    if (description.find_first_not_of(u" \t\r\n\f") != std::u16string::npos) SinkImage(State(), description);
  }
  if (kind == hkVoid || SelfClosing) {
    if (kind == hkParagraph) EndParagraph(true);
    return;
  }
  if (FStack.size() >= HTML_MAX_DEPTH || FUntracked > 0) {
    ++FUntracked;
    return;
  }
  TOpenElement e;
  e.Name = name;
  e.Kind = kind;
  e.State = State();
  switch (kind) {
    case hkSkip: e.State.Skip = true; break;
    case hkPre: e.State.Pre = true; break;
    case hkIns: e.State.Inserted = true; break;
    case hkDel: e.State.Deleted = true; break;
    case hkHead: FInHead = true; break;
    default: break;
  }
  // The stories and note marks of pages other word processors write: headers and
  // footers as divisions titled so, notes as divisions with a numbered id, and
  // the marks of notes, which only the shown view keeps.
  if (kind == hkBlock && !e.State.Skip) {
    const std::u16string title = LowerAscii(Attribute(Attrs, u"title"));
    const std::u16string id = LowerAscii(Attribute(Attrs, u"id"));
    THtmlStory story = e.State.Story;
    if (title == u"header") story = hsHeader;
    else if (title == u"footer") story = hsFooter;
    else if (id.rfind(u"sdfootnote", 0) == 0) story = hsFootNote;
    else if (id.rfind(u"sdendnote", 0) == 0) story = hsEndNote;
    if (story != e.State.Story) {
      e.State.Story = story;
      e.State.Hidden = e.State.Inserted = e.State.Deleted = false;
    }
  }
  if (name == u"a" && !FOptions.ShownView) {
    const std::u16string cls = LowerAscii(Attribute(Attrs, u"class"));
    if (cls == u"sdfootnoteanc" || cls == u"sdendnoteanc" || cls == u"sdfootnotesym" || cls == u"sdendnotesym")
      e.State.Skip = true;
  }
  if (Attrs.find(u"style") != std::u16string_view::npos || Attrs.find(u"STYLE") != std::u16string_view::npos) {
    const std::u16string style = Attribute(Attrs, u"style");
    if (StyleValue(style, u"display") == u"none") e.State.Hidden = true;
    const std::u16string element = StyleValue(style, u"mso-element");
    if (!element.empty() && !e.State.Skip) {
      THtmlStory story = e.State.Story;
      bool skip = false;
      if (element == u"footnote") story = hsFootNote;
      else if (element == u"endnote") story = hsEndNote;
      else if (element == u"comment") story = hsAnnotation;
      else if (element == u"header") story = hsHeader;
      else if (element == u"footer") story = hsFooter;
      else if (element.find(u"separator") != std::u16string::npos) skip = true;
      if (skip) {
        e.State.Skip = true;
      } else if (story != e.State.Story) {
        // A story's text starts visible and unrevised whatever surrounds it.
        e.State.Story = story;
        e.State.Hidden = e.State.Inserted = e.State.Deleted = false;
      }
    }
  }
  if (endedItem) {
    e.State.ListItem = endedItem->ListItem;
    e.State.ListLevel = endedItem->ListLevel;
    e.State.ListKind = endedItem->ListKind;
    e.State.ListNumber = endedItem->ListNumber;
    e.State.ListType = endedItem->ListType;
  }
  if (FSink) DescribeStart(e, Attrs);
  Push(std::move(e));
}

void THtmlParser::EndTag(std::u16string_view RawName) {
  const std::u16string name = LowerAscii(RawName.substr(0, 32));
  const THtmlKind kind = KindOf(name);
  if (kind == hkBreak) {  // "</br>" is read as a break, as browsers do
    StartTag(RawName, u"", false);
    return;
  }
  if (FUntracked > 0) {
    --FUntracked;
    return;
  }
  // The innermost open element of the name; an end tag does not reach out of the
  // table it stands in.
  if (const auto it = FOpenByName.find(name); it != FOpenByName.end()) {
    const size_t k = it->second.back();
    if (kind == hkTable || FOpenTables.empty() || k > FOpenTables.back()) {
      PopTo(k);
      return;
    }
  }
  // No such element is open: a block's end still ends the paragraph.
  if (kind == hkParagraph) EndParagraph(true);
  else if (kind == hkBlock) EndParagraph(false);
  else if (kind == hkHead) FInHead = false;
}

size_t THtmlParser::FindRawEnd(std::u16string_view Name, size_t From) const {
  // The first "</name" (any case) from From.
  for (size_t at = From; (at = FIn.find(u"</", at)) != std::u16string_view::npos; at += 2) {
    if (at + 2 + Name.size() > FIn.size()) return std::u16string_view::npos;
    bool same = true;
    for (size_t k = 0; k < Name.size() && same; ++k) same = AsciiLower(FIn[at + 2 + k]) == Name[k];
    if (same) return at;
  }
  return std::u16string_view::npos;
}

void THtmlParser::Run() {
  const size_t n = FIn.size();
  size_t i = 0;
  while (i < n) {
    const size_t lt = FIn.find(u'<', i);
    const size_t textEnd = lt == std::u16string_view::npos ? n : lt;
    if (textEnd > i) Text(FIn.substr(i, textEnd - i));
    if (lt == std::u16string_view::npos) break;
    i = lt;
    const std::u16string_view rest = FIn.substr(i);
    if (rest.starts_with(u"<!--")) {
      const size_t end = FIn.find(u"-->", i + 4);
      const size_t bodyEnd = end == std::u16string_view::npos ? n : end;
      Comment(FIn.substr(i + 4, bodyEnd - i - 4));
      i = end == std::u16string_view::npos ? n : end + 3;
      continue;
    }
    if (rest.starts_with(u"<![")) {
      const size_t end = FIn.find(u'>', i);
      if (end == std::u16string_view::npos) break;
      std::u16string_view body = FIn.substr(i + 3, end - i - 3);
      if (!body.empty() && body.back() == u']') body.remove_suffix(1);
      Condition(body);
      i = end + 1;
      continue;
    }
    if (rest.starts_with(u"<!") || rest.starts_with(u"<?")) {
      const size_t end = FIn.find(u'>', i);
      i = end == std::u16string_view::npos ? n : end + 1;
      continue;
    }
    const bool endTag = rest.size() > 1 && rest[1] == u'/';
    const size_t nameStart = i + (endTag ? 2 : 1);
    if (nameStart >= n || !((FIn[nameStart] >= u'a' && FIn[nameStart] <= u'z') ||
                            (FIn[nameStart] >= u'A' && FIn[nameStart] <= u'Z'))) {
      Text(u"<");  // a "<" that starts no tag is text
      i += 1;
      continue;
    }
    size_t k = nameStart;
    while (k < n && !IsSpace(FIn[k]) && FIn[k] != u'>' && FIn[k] != u'/') ++k;
    const std::u16string_view name = FIn.substr(nameStart, k - nameStart);
    // The tag ends at the first ">" outside quotes; once a quote has been found
    // never to close, quotes are no longer trusted, so no tag is scanned twice.
    size_t end = k;
    char16_t quote = 0;
    size_t quotedEnd = std::u16string_view::npos;
    for (; end < n; ++end) {
      const char16_t c = FIn[end];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == u'>') {
        break;
      } else if ((c == u'"' || c == u'\'') && !FQuotesUnreliable && FIn[end - 1] != u'/' && !endTag) {
        quote = c;
        if (quotedEnd == std::u16string_view::npos) quotedEnd = end;
      }
    }
    if (end >= n && quote) {
      FQuotesUnreliable = true;
      end = FIn.find(u'>', k);
      if (end == std::u16string_view::npos) end = n;
    }
    if (end >= n) break;  // the page ends inside a tag
    std::u16string_view attrs = FIn.substr(k, end - k);
    const bool selfClosing = !attrs.empty() && attrs.back() == u'/';
    i = end + 1;
    if (endTag) {
      EndTag(name);
      continue;
    }
    const std::u16string lower = LowerAscii(name.substr(0, 32));
    if (IsRawText(lower) && !selfClosing) {
      const size_t rawEnd = FindRawEnd(lower, i);
      const size_t contentEnd = rawEnd == std::u16string_view::npos ? n : rawEnd;
      const std::u16string_view content = FIn.substr(i, contentEnd - i);
      if (lower == u"title") {
        if (FOptions.Summary) {
          std::u16string title;
          bool space = false;
          for (char16_t c : DecodeReferences(content)) {
            if (IsSpace(c)) {
              space = !title.empty();
              continue;
            }
            if (space) title.push_back(u' ');
            space = false;
            title.push_back(c);
          }
          FOptions.Summary->SetTitle(title);
        }
      } else if (lower == u"textarea") {
        StartTag(name, attrs, false);
        Text(content);
        EndTag(name);
      }
      if (rawEnd == std::u16string_view::npos) break;
      const size_t close = FIn.find(u'>', rawEnd);
      i = close == std::u16string_view::npos ? n : close + 1;
      continue;
    }
    StartTag(name, attrs, selfClosing);
  }
  PopTo(0);
  if (FSink) SinkEndParagraph();
  for (size_t s = 0; s < hsCount; ++s) {
    TStoryState& st = FStoryState[s];
    std::u16string& story = FStories.Text[s];
    if (st.OpenRevision) story.push_back(mkRevisionEnd);
    if (st.LineHasText || st.PendingBreak) story.push_back(mkParagraph);
    st = TStoryState{};
  }
}

}  // namespace

std::string DeclaredCharset(std::string_view Bytes) {
  const std::string_view head = Bytes.substr(0, 8192);
  std::string lower(head);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  size_t at = 0;
  while ((at = lower.find("<meta", at)) != std::string::npos) {
    const size_t end = lower.find('>', at);
    if (end == std::string::npos) break;
    const std::string_view tag = std::string_view(lower).substr(at, end - at);
    const size_t cs = tag.find("charset");
    if (cs != std::string_view::npos) {
      size_t k = cs + 7;
      while (k < tag.size() && (tag[k] == ' ' || tag[k] == '=' || tag[k] == '"' || tag[k] == '\'')) ++k;
      size_t e = k;
      while (e < tag.size() && tag[e] != '"' && tag[e] != '\'' && tag[e] != ';' && tag[e] != ' ' && tag[e] != '/')
        ++e;
      if (e > k) return std::string(tag.substr(k, e - k));
    }
    at = end;
  }
  return std::string();
}

void ReadHtmlStories(std::u16string_view Page, const THtmlReadOptions& Options, THtmlStories& Stories) {
  THtmlParser parser(Page, Options, Stories);
  parser.Run();
}

}  // namespace msword
