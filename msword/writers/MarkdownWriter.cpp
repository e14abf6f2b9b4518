#include "msword/writers/MarkdownWriter.h"

#include <algorithm>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace msword {

namespace {

// How many characters from From on none of Signs (at most 16) is, eight at a time
// where the processor can; the rest is left to the caller's own loop.
template <size_t N>
size_t SkipNone(std::u16string_view Text, size_t From, const char16_t (&Signs)[N]) {
#if defined(__SSE2__)
  __m128i signs[N];
  for (size_t k = 0; k < N; ++k) signs[k] = _mm_set1_epi16(short(Signs[k]));
  size_t i = From;
  for (; i + 8 <= Text.size(); i += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text.data() + i));
    __m128i hit = _mm_cmpeq_epi16(chars, signs[0]);
    for (size_t k = 1; k < N; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi16(chars, signs[k]));
    if (_mm_movemask_epi8(hit) != 0) break;
  }
  return i;
#else
  return From;
#endif
}

// How many characters from From on are neither control characters nor line or
// paragraph separators, eight at a time where the processor can.
size_t SkipPlainText(std::u16string_view Text, size_t From) {
#if defined(__SSE2__)
  const __m128i flip = _mm_set1_epi16(short(0x8000));
  const __m128i space = _mm_set1_epi16(short(0x20 ^ 0x8000));
  const __m128i line = _mm_set1_epi16(short(0x2028)), para = _mm_set1_epi16(short(0x2029));
  size_t i = From;
  for (; i + 8 <= Text.size(); i += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text.data() + i));
    // Unsigned "below 0x20" as a signed comparison of the flipped values.
    __m128i hit = _mm_cmplt_epi16(_mm_xor_si128(chars, flip), space);
    hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi16(chars, line), _mm_cmpeq_epi16(chars, para)));
    if (_mm_movemask_epi8(hit) != 0) break;
  }
  return i;
#else
  return From;
#endif
}

// Unicode white space as CommonMark's emphasis rules see it; 0 stands for the
// start or end of a line.
bool IsMarkdownSpace(char16_t c) {
  return c == 0 || c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == 0x00A0 ||
         c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Punctuation as CommonMark's emphasis rules see it: ASCII punctuation and the
// common punctuation of the other blocks.
bool IsMarkdownPunctuation(char16_t c) {
  if (c < 0x80)
    return (c >= u'!' && c <= u'/') || (c >= u':' && c <= u'@') || (c >= u'[' && c <= u'`') ||
           (c >= u'{' && c <= u'~');
  return c == 0x00A1 || c == 0x00A7 || c == 0x00AB || c == 0x00B6 || c == 0x00B7 || c == 0x00BB ||
         c == 0x00BF || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) ||
         (c >= 0x3001 && c <= 0x3003) || (c >= 0x3008 && c <= 0x3011) || (c >= 0xFF01 && c <= 0xFF0F);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Characters that are Markdown wherever they stand; a backslash makes each one
// plain text.
constexpr std::array<bool, 128> kEscapedAnywhere = [] {
  std::array<bool, 128> table{};
  for (const char c : std::string_view("\\`*_[]<>&~|")) table[size_t(c)] = true;
  return table;
}();


// Appends Text escaped. At a line's start the blanks are dropped (CommonMark
// drops them, and four would make code) and what would open a block (a heading's
// "#", a list's "-", "+" or "1.", a rule's "---", a heading underline's "===")
// is escaped too.
void AppendEscaped(std::u16string& Out, std::u16string_view Text, bool LineStart) {
  size_t i = 0;
  if (LineStart) {
    while (i < Text.size() && IsBlank(Text[i])) ++i;
    if (i < Text.size()) {
      const char16_t c = Text[i];
      if (c == u'#' || c == u'-' || c == u'+' || c == u'=') {
        Out.push_back(u'\\');
      } else if (c >= u'0' && c <= u'9') {
        size_t end = i;
        while (end < Text.size() && Text[end] >= u'0' && Text[end] <= u'9') ++end;
        if (end < Text.size() && (Text[end] == u'.' || Text[end] == u')')) {
          Out.append(Text.substr(i, end - i));
          Out.push_back(u'\\');
          i = end;
        }
      }
    }
  }
  // Most text needs no escape: it is appended a stretch at a time.
  static constexpr char16_t kSigns[] = {u'\\', u'`', u'*', u'_', u'[', u']', u'<', u'>', u'&', u'~', u'|', u'!'};
  size_t from = i;
  for (i = SkipNone(Text, i, kSigns); i < Text.size(); ++i) {
    const char16_t c = Text[i];
    if (c >= 128 || (!kEscapedAnywhere[c] && c != u'!')) continue;
    // "!" makes a picture of a "[" after it, which may also be a link or a note
    // reference that follows the text.
    if (c != u'!' || i + 1 == Text.size() || Text[i + 1] == u'[') {
      Out.append(Text.substr(from, i - from));
      Out.push_back(u'\\');
      from = i;
    }
    i = SkipNone(Text, i + 1, kSigns) - 1;
  }
  Out.append(Text.substr(from));
}

void TrimTrailingBlanks(std::u16string& Out, size_t Floor) {
  while (Out.size() > Floor && IsBlank(Out.back())) Out.pop_back();
}

// Whether each delimiter run of Markers ("~~***") can open (Opening) or close
// emphasis between Before and After, the characters around the markers.
bool MarkersFlank(std::u16string_view Markers, char16_t Before, char16_t After, bool Opening) {
  size_t i = 0;
  while (i < Markers.size()) {
    size_t end = i;
    while (end < Markers.size() && Markers[end] == Markers[i]) ++end;
    const char16_t before = i == 0 ? Before : Markers[i - 1];
    const char16_t after = end == Markers.size() ? After : Markers[end];
    const bool ok = Opening ? !IsMarkdownSpace(after) && (!IsMarkdownPunctuation(after) || IsMarkdownSpace(before) ||
                                                          IsMarkdownPunctuation(before))
                            : !IsMarkdownSpace(before) && (!IsMarkdownPunctuation(before) ||
                                                           IsMarkdownSpace(after) || IsMarkdownPunctuation(after));
    if (!ok) return false;
    i = end;
  }
  return true;
}

std::u16string NumberText(uint32_t Value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), char16_t(u'0' + Value % 10));
    Value /= 10;
  } while (Value > 0);
  return digits;
}

}  // namespace

struct TKvWMarkdownWriter::TInline {
  enum TKind : uint8_t { ikText, ikBreak, ikNote, ikImage } Kind = ikText;
  std::u16string Text;  // the text, a note's label, an image's description
  bool Bold = false, Italic = false, Strike = false;
  std::u16string Link;
  bool SameStyle(const TInline& Other) const {
    return Bold == Other.Bold && Italic == Other.Italic && Strike == Other.Strike && Link == Other.Link;
  }
  bool Styled() const { return Bold || Italic || Strike; }
};

struct TKvWMarkdownWriter::TParagraph {
  bool Open = false;
  int32_t OutlineLevel = 0;
  bool Title = false;
  std::u16string Label;
  int32_t ListLevel = -1;
  TKvWListKind ListKind = lkNone;
  int32_t ListNumber = 0;
  char16_t ListDelimiter = u'.';
  std::vector<TInline> Items;
};

struct TKvWMarkdownWriter::TTable {
  struct TCell {
    std::u16string Text;
    int32_t Span = 1;
  };
  int32_t Depth = 0;  // tables open; deeper than 1 are flattened into the cell
  std::vector<std::vector<TCell>> Rows;
  bool CellOpen = false;
  // A nested table's row and cell being collected.
  std::vector<std::u16string> NestedRow;
  std::u16string NestedCell;
};

namespace {

// A nested table's row collected so far becomes a line of the outer cell, its
// cells separated by " | " (escaped: text, not a column); nothing collected is
// ever dropped, however deep the tables nest.
void FlushNestedRow(TKvWMarkdownWriter::TTable& Table);

}  // namespace

struct TKvWMarkdownWriter::TTarget {
  std::u16string Out;
  bool AnyBlock = false;
  bool LastListItem = false;
  bool SeenLevel1 = false;
  struct TOpenList {
    int32_t Level;
    size_t Start;    // the column of the item's marker
    size_t Content;  // the column its text starts at
    bool Numbered;
    char16_t Delimiter;
    int32_t Number;  // the last item's number
  };
  std::vector<TOpenList> Lists;
};

namespace {

void FlushNestedRow(TKvWMarkdownWriter::TTable& Table) {
  if (!Table.NestedCell.empty()) Table.NestedRow.push_back(std::move(Table.NestedCell));
  Table.NestedCell.clear();
  std::u16string line;
  for (const std::u16string& cell : Table.NestedRow) {
    if (cell.empty()) continue;
    if (!line.empty()) line.append(u" \\| ");
    line.append(cell);
  }
  Table.NestedRow.clear();
  if (line.empty()) return;
  if (Table.Rows.empty()) Table.Rows.emplace_back();
  if (Table.Rows.back().empty()) Table.Rows.back().emplace_back();
  std::u16string& text = Table.Rows.back().back().Text;
  if (!text.empty()) text.append(u"<br>");
  text.append(line);
}

}  // namespace

struct TKvWMarkdownWriter::TFrame {
  TKvWStoryKind Kind = skMain;
  bool Discard = false;
  TParagraph Paragraph;
  TTable Table;
  bool InNote = false;
  std::u16string NoteLabel;  // empty: a note nothing refers to
  bool NoteStarted = false;
};

namespace {

enum TInlineContext : uint8_t { icBlock, icHeading, icCell };

}  // namespace

namespace {

using TInline = TKvWMarkdownWriter::TInline;

struct TInlineRenderer {
  std::u16string Out;
  TInlineContext Context;
  std::u16string_view LineEnd;
  size_t Indent;
  bool LineStart = true;
  bool PendingBreak = false;
  size_t LineFloor = 0;  // where the current line's content starts in Out

  char16_t Last() const { return Out.size() > LineFloor ? Out.back() : char16_t(0); }

  // A break waits for content after it: none at a line's start or the end.
  void FlushBreak() {
    if (!PendingBreak) return;
    PendingBreak = false;
    if (Context == icHeading) {
      if (!Out.empty() && !IsBlank(Out.back())) Out.push_back(u' ');
      return;
    }
    TrimTrailingBlanks(Out, LineFloor);
    if (Context == icCell) {
      Out.append(u"<br>");
      LineStart = true;
      return;
    }
    Out.push_back(u'\\');
    Out.append(LineEnd);
    Out.append(Indent, u' ');
    LineFloor = Out.size();
    LineStart = true;
  }

  void Break() {
    if (Out.size() > LineFloor || Context == icHeading) PendingBreak = !Out.empty();
  }

  // Text in the style of Item; Next is the first character of what follows it
  // (0: a line's end), as far as emphasis rules care.
  void Styled(std::u16string_view Text, const TInline& Item, char16_t Next) {
    if (LineStart) {
      while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
      if (Text.empty()) return;
    }
    FlushBreak();
    if (!Item.Styled()) {
      AppendEscaped(Out, Text, LineStart);
      LineStart = false;
      return;
    }
    size_t lead = 0;
    while (lead < Text.size() && IsMarkdownSpace(Text[lead])) ++lead;
    size_t trail = Text.size();
    while (trail > lead && IsMarkdownSpace(Text[trail - 1])) --trail;
    if (lead == trail) {  // only spaces: no markers around nothing
      Out.append(Text);
      return;
    }
    Out.append(Text.substr(0, lead));
    std::u16string core;
    AppendEscaped(core, Text.substr(lead, trail - lead), LineStart);
    LineStart = false;
    std::u16string open, close;
    if (Item.Strike) open.append(u"~~");
    open.append(Item.Bold && Item.Italic ? u"***" : Item.Bold ? u"**" : Item.Italic ? u"*" : u"");
    close.assign(open.rbegin(), open.rend());
    const char16_t before = Last();
    const char16_t after = trail < Text.size() ? Text[trail] : Next;
    const bool markers = !(before != 0 && before == open.front()) &&
                         MarkersFlank(open, before, core.front(), true) &&
                         MarkersFlank(close, core.back(), after, false);
    if (markers) {
      Out.append(open).append(core).append(close);
    } else {
      // CommonMark would read the markers as text here: HTML says the same.
      // Nested as CommonMark nests "~~***x***~~".
      if (Item.Strike) Out.append(u"<del>");
      if (Item.Italic) Out.append(u"<em>");
      if (Item.Bold) Out.append(u"<strong>");
      Out.append(core);
      if (Item.Bold) Out.append(u"</strong>");
      if (Item.Italic) Out.append(u"</em>");
      if (Item.Strike) Out.append(u"</del>");
    }
    Out.append(Text.substr(trail));
  }
};

// The first character of what Items[From] writes, as emphasis rules see it.
char16_t FollowingChar(const std::vector<TInline>& Items, size_t From, bool InLink) {
  if (From >= Items.size()) return InLink ? u']' : 0;
  const TInline& item = Items[From];
  if (item.Kind == TInline::ikBreak) return 0;
  if (item.Kind != TInline::ikText) return u'[';
  if (!InLink && !item.Link.empty()) return u'[';
  if (item.Styled()) return u'*';
  return item.Text.empty() ? char16_t(0) : item.Text.front();
}

void AppendLinkTarget(std::u16string& Out, std::u16string_view Target) {
  Out.push_back(u'<');
  for (char16_t c : Target) {
    if (c == u'\r' || c == u'\n') continue;
    if (c == u'<' || c == u'>' || c == u'\\') Out.push_back(u'\\');
    Out.push_back(c);
  }
  Out.push_back(u'>');
}

}  // namespace

namespace {

// The runs of a paragraph as Markdown inline text. Line breaks become hard breaks
// (continued at Indent) in a block, spaces in a heading and "<br>" in a cell.
std::u16string RenderInline(const std::vector<TInline>& Items, TInlineContext Context,
                                   std::u16string_view LineEnd, size_t Indent) {
  TInlineRenderer r{std::u16string(), Context, LineEnd, Indent};
  for (size_t i = 0; i < Items.size();) {
    const TInline& item = Items[i];
    switch (item.Kind) {
      case TInline::ikBreak:
        r.Break();
        ++i;
        continue;
      case TInline::ikNote:
        r.FlushBreak();
        r.Out.append(u"[^").append(item.Text).append(u"]");
        r.LineStart = false;
        ++i;
        continue;
      case TInline::ikImage:
        r.FlushBreak();
        r.Out.append(u"![");
        AppendEscaped(r.Out, item.Text, false);
        r.Out.append(u"]()");
        r.LineStart = false;
        ++i;
        continue;
      case TInline::ikText:
        break;
    }
    if (item.Link.empty()) {
      r.Styled(item.Text, item, FollowingChar(Items, i + 1, false));
      ++i;
      continue;
    }
    // A link: the runs that share its target, breaks between them kept out.
    size_t end = i;
    bool hasText = false;
    while (end < Items.size() && Items[end].Kind == TInline::ikText && Items[end].Link == item.Link) {
      for (char16_t c : Items[end].Text) hasText = hasText || !IsMarkdownSpace(c);
      ++end;
    }
    if (!hasText) {
      for (; i < end; ++i) r.Styled(Items[i].Text, Items[i], FollowingChar(Items, i + 1, false));
      continue;
    }
    r.FlushBreak();
    r.Out.push_back(u'[');
    const size_t floor = r.LineFloor;
    r.LineFloor = r.Out.size();  // markers inside see "[" as the start
    r.LineStart = false;  // "[" opens nothing of a block
    for (; i < end; ++i) r.Styled(Items[i].Text, Items[i], FollowingChar(Items, i + 1, i + 1 < end));
    r.LineFloor = floor;
    r.Out.append(u"](");
    AppendLinkTarget(r.Out, item.Link);
    r.Out.push_back(u')');
  }
  TrimTrailingBlanks(r.Out, r.LineFloor);
  return std::move(r.Out);
}

}  // namespace

std::u16string TKvWMarkdownWriter::EscapeText(std::u16string_view Text) {
  std::u16string plain(Text);
  for (char16_t& c : plain)
    if (c < 0x20 && c != u'\t') c = u' ';
  std::u16string out;
  AppendEscaped(out, plain, true);
  TrimTrailingBlanks(out, 0);
  return out;
}

TKvWMarkdownWriter::TKvWMarkdownWriter(TKvWMarkdownOptions Options) : FOptions(std::move(Options)) {
  for (size_t i = 0; i < StoryKindCount; ++i) FTargets.push_back(std::make_unique<TTarget>());
  PushFrame(skMain);
}

TKvWMarkdownWriter::~TKvWMarkdownWriter() = default;

TKvWMarkdownWriter::TFrame& TKvWMarkdownWriter::Top() { return *FFrames[FFrameCount - 1]; }

TKvWMarkdownWriter::TTarget& TKvWMarkdownWriter::TargetOf(TKvWStoryKind Kind) {
  return *FTargets[size_t(Kind) < StoryKindCount ? size_t(Kind) : 0];
}

void TKvWMarkdownWriter::PushFrame(TKvWStoryKind Kind) {
  if (FFrameCount == FFrames.size()) FFrames.push_back(std::make_unique<TFrame>());
  TFrame& frame = *FFrames[FFrameCount++];
  frame = TFrame();
  frame.Kind = size_t(Kind) < StoryKindCount ? Kind : skMain;
  frame.Discard = (Kind == skHeaders && !FOptions.Headers) || (Kind == skFooters && !FOptions.Footers) ||
                  (Kind == skComments && !FOptions.Comments) || (Kind == skTextBoxes && !FOptions.TextBoxes);
}

void TKvWMarkdownWriter::PopFrame() {
  TFrame& frame = Top();
  FinishParagraph(frame);
  frame.Table.Depth = std::min(frame.Table.Depth, 1);
  FinishTable(frame);
  --FFrameCount;
}

void TKvWMarkdownWriter::BeginStory(TKvWStoryKind Kind, std::u16string_view) {
  if (FFinished) return;
  PushFrame(Kind);
}

void TKvWMarkdownWriter::EndStory() {
  if (FFinished || FFrameCount <= 1) return;
  PopFrame();
}

void TKvWMarkdownWriter::BeginNote(TKvWNoteKind Kind, std::u16string_view Id) {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  frame.InNote = true;
  frame.NoteStarted = false;
  frame.NoteLabel.clear();
  const auto& labels = FNoteLabels[Kind == nkEndnote ? 1 : 0];
  if (const auto it = labels.find(Id); it != labels.end()) frame.NoteLabel = it->second;
}

void TKvWMarkdownWriter::EndNote() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  frame.InNote = false;
  frame.NoteLabel.clear();
}

TKvWMarkdownWriter::TParagraph& TKvWMarkdownWriter::OpenParagraph() {
  TParagraph& p = Top().Paragraph;
  if (!p.Open) {
    p.Open = true;
    p.OutlineLevel = 0;
    p.Title = false;
    p.Label.clear();
    p.ListLevel = -1;
    p.ListKind = lkNone;
    p.Items.clear();
  }
  return p;
}

void TKvWMarkdownWriter::BeginParagraph(const TKvWParagraphInfo& Info) {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  if (frame.Discard) return;
  TParagraph& p = OpenParagraph();
  p.OutlineLevel = Info.IsHeading() ? Info.OutlineLevel : 0;
  p.Title = Info.Title;
  p.Label.assign(Info.ListLabel);
  while (!p.Label.empty() && (IsBlank(p.Label.back()) || p.Label.back() == 0x00A0)) p.Label.pop_back();
  p.ListLevel = Info.ListLevel;
  p.ListKind = Info.ListKind;
  p.ListNumber = Info.ListNumber;
  p.ListDelimiter = Info.ListDelimiter == u')' ? u')' : u'.';
  if (p.ListKind == lkNone && !p.Label.empty()) {
    const TKvWListLabelKind kind = ClassifyListLabel(p.Label);
    p.ListKind = kind.Kind;
    p.ListNumber = kind.Number;
    p.ListDelimiter = kind.Delimiter;
  }
  if (p.ListKind != lkNone && p.ListLevel < 0) p.ListLevel = 0;
}

void TKvWMarkdownWriter::EndParagraph() {
  if (FFinished) return;
  FinishParagraph(Top());
}

void TKvWMarkdownWriter::AddInline(TInline Item) {
  TParagraph& p = OpenParagraph();
  if (Item.Kind == TInline::ikText && !p.Items.empty() && p.Items.back().Kind == TInline::ikText &&
      p.Items.back().SameStyle(Item)) {
    p.Items.back().Text.append(Item.Text);
    return;
  }
  p.Items.push_back(std::move(Item));
}

void TKvWMarkdownWriter::Text(std::u16string_view Value, const TKvWRunInfo& Info) {
  if (FFinished || Top().Discard || Value.empty()) return;
  TInline item;
  item.Bold = Info.Bold;
  item.Italic = Info.Italic;
  item.Strike = Info.Strike || Info.Deleted;
  // A link to a place in the document itself stays text.
  if (!Info.Hyperlink.empty() && Info.Hyperlink.front() != u'#') item.Link.assign(Info.Hyperlink);
  size_t start = 0;
  const auto flush = [&](size_t end) {
    if (end <= start) return;
    // Runs of the same look join the text before them without a copy of their own.
    TParagraph& p = OpenParagraph();
    if (!p.Items.empty() && p.Items.back().Kind == TInline::ikText && p.Items.back().SameStyle(item)) {
      p.Items.back().Text.append(Value.substr(start, end - start));
      return;
    }
    TInline piece = item;
    piece.Text.assign(Value.substr(start, end - start));
    p.Items.push_back(std::move(piece));
  };
  for (size_t i = SkipPlainText(Value, 0); i < Value.size(); ++i) {
    const char16_t c = Value[i];
    if (c >= 0x20 && c != 0x2028 && c != 0x2029) continue;
    if (c == u'\t') continue;
    flush(i);
    start = i + 1;
    if (c == u'\r' && i + 1 < Value.size() && Value[i + 1] == u'\n') continue;  // one break for CR LF
    if (c == u'\r' || c == u'\n' || c == 0x0B || c == 0x0C || c == 0x2028 || c == 0x2029) Break(bkLine);
    // Other control characters are no text.
  }
  flush(Value.size());
}

void TKvWMarkdownWriter::Break(TKvWBreakKind) {
  if (FFinished || Top().Discard) return;
  TInline item;
  item.Kind = TInline::ikBreak;
  AddInline(std::move(item));
}

void TKvWMarkdownWriter::NoteReference(TKvWNoteKind Kind, std::u16string_view Id, std::u16string_view Mark) {
  if (FFinished || Top().Discard) return;
  if (Id.empty()) {
    Text(Mark, TKvWRunInfo());
    return;
  }
  auto& labels = FNoteLabels[Kind == nkEndnote ? 1 : 0];
  auto it = labels.find(Id);
  if (it == labels.end()) {
    const std::u16string label = (Kind == nkEndnote ? u"e" : u"") + NumberText(uint32_t(labels.size() + 1));
    it = labels.emplace(std::u16string(Id), label).first;
  }
  TInline item;
  item.Kind = TInline::ikNote;
  item.Text = it->second;
  AddInline(std::move(item));
}

void TKvWMarkdownWriter::Image(std::u16string_view Description) {
  if (FFinished || Top().Discard) return;
  std::u16string text;
  for (char16_t c : Description) text.push_back(c < 0x20 ? u' ' : c);
  if (text.find_first_not_of(u" ") == std::u16string::npos) return;  // no invented text either
  TInline item;
  item.Kind = TInline::ikImage;
  item.Text = std::move(text);
  AddInline(std::move(item));
}

void TKvWMarkdownWriter::BeginTable() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  if (frame.Discard || frame.InNote) return;
  TTable& t = frame.Table;
  if (++t.Depth == 1) {
    t.Rows.clear();
    t.CellOpen = false;
  } else {
    FlushNestedRow(t);
  }
}

void TKvWMarkdownWriter::EndTable() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  if (frame.Table.Depth == 0) return;
  if (frame.Table.Depth > 1) FlushNestedRow(frame.Table);
  if (--frame.Table.Depth == 0) {
    frame.Table.Depth = 1;
    FinishTable(frame);
  }
}

void TKvWMarkdownWriter::BeginRow() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  TTable& t = frame.Table;
  if (t.Depth == 1) {
    t.Rows.emplace_back();
    t.CellOpen = false;
  } else if (t.Depth > 1) {
    FlushNestedRow(t);
  }
}

void TKvWMarkdownWriter::EndRow() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  TTable& t = frame.Table;
  if (t.Depth == 1) {
    t.CellOpen = false;
  } else if (t.Depth > 1) {
    FlushNestedRow(t);
  }
}

void TKvWMarkdownWriter::BeginCell(const TKvWCellInfo& Info) {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  TTable& t = frame.Table;
  if (t.Depth == 1) {
    if (t.Rows.empty()) t.Rows.emplace_back();
    std::vector<TTable::TCell>& row = t.Rows.back();
    int32_t width = 0;
    for (const TTable::TCell& cell : row) width += cell.Span;
    TTable::TCell cell;
    cell.Span = std::clamp(Info.Span, 1, std::max(1, MaxTableColumns - width));
    row.push_back(std::move(cell));
    t.CellOpen = true;
  } else if (t.Depth > 1 && !t.NestedCell.empty()) {
    t.NestedRow.push_back(std::move(t.NestedCell));
    t.NestedCell.clear();
  }
}

void TKvWMarkdownWriter::EndCell() {
  if (FFinished) return;
  TFrame& frame = Top();
  FinishParagraph(frame);
  TTable& t = frame.Table;
  if (t.Depth == 1) {
    t.CellOpen = false;
  } else if (t.Depth > 1) {
    if (!t.NestedCell.empty()) t.NestedRow.push_back(std::move(t.NestedCell));
    t.NestedCell.clear();
  }
}

void TKvWMarkdownWriter::WriteBlock(TTarget& Target, const std::u16string& Block, bool ListItem, bool BlankBefore) {
  if (Target.AnyBlock && (!ListItem || !Target.LastListItem || BlankBefore)) Target.Out.append(FOptions.LineEnd);
  Target.Out.append(Block).append(FOptions.LineEnd);
  Target.AnyBlock = true;
  Target.LastListItem = ListItem;
  if (!ListItem) Target.Lists.clear();
}

void TKvWMarkdownWriter::FinishParagraph(TFrame& Frame) {
  TParagraph& p = Frame.Paragraph;
  if (!p.Open) return;
  p.Open = false;
  if (Frame.Discard) return;
  TTarget& target = TargetOf(Frame.Kind);
  const bool inTable = Frame.Table.Depth > 0;
  const bool heading = !inTable && !Frame.InNote && Frame.Kind == skMain &&
                       (p.OutlineLevel > 0 || (p.Title && !target.SeenLevel1));
  const bool listItem = !inTable && !Frame.InNote && !heading && p.ListKind != lkNone;
  // A label Markdown has no marker for is the text's start: written out where
  // the paragraph is no list item, and for labels other than bullets and numbers.
  if (!p.Label.empty() && (!listItem || p.ListKind == lkOther)) {
    TInline label;
    label.Text = p.Label + u" ";
    p.Items.insert(p.Items.begin(), std::move(label));
  }
  const std::u16string_view lineEnd = FOptions.LineEnd;
  if (inTable) {
    std::u16string text = RenderInline(p.Items, icCell, lineEnd, 0);
    if (text.empty()) return;
    TTable& t = Frame.Table;
    if (t.Depth > 1) {
      if (!t.NestedCell.empty()) t.NestedCell.push_back(u' ');
      t.NestedCell.append(text);
      return;
    }
    if (t.Rows.empty()) t.Rows.emplace_back();
    if (!t.CellOpen || t.Rows.back().empty()) {
      t.Rows.back().emplace_back();
      t.CellOpen = true;
    }
    std::u16string& cell = t.Rows.back().back().Text;
    if (!cell.empty()) cell.append(u"<br>");
    cell.append(text);
    return;
  }
  if (Frame.InNote) {
    std::u16string text = RenderInline(p.Items, icBlock, lineEnd, 4);
    if (text.empty()) return;
    if (Frame.NoteLabel.empty()) {
      WriteBlock(target, text, false, false);
    } else if (!Frame.NoteStarted) {
      Frame.NoteStarted = true;
      WriteBlock(target, u"[^" + Frame.NoteLabel + u"]: " + text, false, false);
    } else {
      WriteBlock(target, u"    " + text, false, false);
    }
    return;
  }
  if (heading) {
    std::u16string text = RenderInline(p.Items, icHeading, lineEnd, 0);
    if (text.empty()) return;
    const int32_t level = p.OutlineLevel > 0 ? std::min(p.OutlineLevel, 6) : 1;
    if (p.OutlineLevel == 1) target.SeenLevel1 = true;
    // A closing run of "#" would be taken for the heading's own.
    if (text.back() == u'#') text.insert(text.size() - 1, 1, u'\\');
    WriteBlock(target, std::u16string(size_t(level), u'#') + u" " + text, false, false);
    return;
  }
  if (!listItem) {
    std::u16string text = RenderInline(p.Items, icBlock, lineEnd, 0);
    if (!text.empty()) WriteBlock(target, text, false, false);
    return;
  }
  std::vector<TTarget::TOpenList>& lists = target.Lists;
  if (!target.LastListItem) lists.clear();
  const int32_t level = std::clamp(p.ListLevel, 0, 8);
  const bool numbered = p.ListKind == lkNumber;
  while (!lists.empty() && lists.back().Level > level) lists.pop_back();
  bool continuing = false;
  size_t indent = 0;
  bool separate = false;
  if (!lists.empty() && lists.back().Level == level) {
    continuing = lists.back().Numbered == numbered && (!numbered || lists.back().Delimiter == p.ListDelimiter);
    // A parser numbers a list's items from its first: a number that does not
    // follow the last one starts another list, which must not run into this one.
    if (continuing && numbered && p.ListNumber != lists.back().Number + 1) {
      continuing = false;
      separate = true;
    }
    indent = lists.back().Start;
    lists.pop_back();
  } else if (!lists.empty()) {
    indent = lists.back().Content;
  }
  const std::u16string marker =
      numbered ? NumberText(uint32_t(std::max(p.ListNumber, 0))) + p.ListDelimiter + u" " : std::u16string(u"- ");
  std::u16string text = RenderInline(p.Items, icBlock, lineEnd, indent + marker.size());
  if (text.empty()) return;
  // Only a list that starts at 1 may follow a line of text directly; any other
  // would be read as that line's continuation.
  const bool blankBefore = numbered && p.ListNumber != 1 && !continuing;
  if (separate) {
    // An empty HTML comment ends the list before (and nothing else: at the item's
    // own indentation it stays inside the items that hold the list).
    target.Out.append(lineEnd).append(std::u16string(indent, u' ')).append(u"<!-- -->").append(lineEnd);
  }
  WriteBlock(target, std::u16string(indent, u' ') + marker + text, true, blankBefore && !separate);
  lists.push_back({level, indent, indent + marker.size(), numbered, p.ListDelimiter, p.ListNumber});
}

void TKvWMarkdownWriter::FinishTable(TFrame& Frame) {
  TTable& t = Frame.Table;
  if (t.Depth == 0) return;
  t.Depth = 0;
  t.CellOpen = false;
  if (t.Rows.empty()) return;
  int32_t columns = 1;
  for (const auto& row : t.Rows) {
    int32_t width = 0;
    for (const TTable::TCell& cell : row) width += cell.Span;
    columns = std::max(columns, std::min(width, MaxTableColumns));
  }
  std::u16string block;
  const auto writeRow = [&](const std::vector<TTable::TCell>& Row, int32_t PadTo) {
    int32_t width = 0;
    block.push_back(u'|');
    for (const TTable::TCell& cell : Row) {
      block.append(u" ").append(cell.Text).append(u" |");
      // The grid columns a merged cell covers stay empty.
      for (int32_t i = 1; i < cell.Span; ++i) block.append(u"  |");
      width += cell.Span;
    }
    if (Row.empty()) {
      block.append(u"  |");
      width = 1;
    }
    for (; width < PadTo; ++width) block.append(u"  |");
    block.append(FOptions.LineEnd);
  };
  // The header row holds every column, so that no cell of a wider row is cut.
  writeRow(t.Rows.front(), columns);
  block.push_back(u'|');
  for (int32_t i = 0; i < columns; ++i) block.append(u" --- |");
  for (size_t r = 1; r < t.Rows.size(); ++r) {
    block.append(FOptions.LineEnd);
    writeRow(t.Rows[r], 0);
    block.resize(block.size() - FOptions.LineEnd.size());
  }
  t.Rows.clear();
  WriteBlock(TargetOf(Frame.Kind), block, false, false);
}

void TKvWMarkdownWriter::Finish() {
  if (FFinished) return;
  while (FFrameCount > 1) PopFrame();
  PopFrame();
  FFinished = true;
  FMarkdown = std::move(FTargets[skMain]->Out);
  const auto append = [&](TKvWStoryKind Kind, std::u16string_view Heading) {
    std::u16string& out = FTargets[Kind]->Out;
    if (out.empty()) return;
    if (!FMarkdown.empty()) FMarkdown.append(FOptions.LineEnd);
    if (!Heading.empty()) FMarkdown.append(u"## ").append(Heading).append(FOptions.LineEnd).append(FOptions.LineEnd);
    FMarkdown.append(out);
    out.clear();
  };
  append(skFootnotes, {});
  append(skEndnotes, {});
  append(skHeaders, u"Headers");
  append(skFooters, u"Footers");
  append(skComments, u"Comments");
  append(skTextBoxes, u"Text boxes");
}

}  // namespace msword
