#include "msword/doc/ShownSink.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace msword {

namespace {

// The first position from From on in Value that holds a control character (a
// tab included); Value.size() when none.
size_t FindControl(std::u16string_view Value, size_t From) {
  const char16_t* text = Value.data();
  const size_t size = Value.size();
#if defined(__SSE2__)
  const __m128i last = _mm_set1_epi16(0x1F), zero = _mm_setzero_si128();
  while (size - From >= 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + From));
    // v <= 0x1F as unsigned numbers
    const unsigned found = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v, last), zero)));
    if (found != 0) return From + size_t(std::countr_zero(found)) / 2;
    From += 8;
  }
#endif
  while (From < size && text[From] >= 0x20) ++From;
  return From;
}

}  // namespace

void TDocShownSink::BeginStory(TKvWStoryKind Kind) {
  CloseAll();
  FSink.BeginStory(Kind, {});
}

void TDocShownSink::EndStory() {
  CloseAll();
  FSink.EndStory();
}

void TDocShownSink::BeginNote(TKvWNoteKind Kind, std::u16string_view Id) {
  CloseAll();
  FSink.BeginNote(Kind, Id);
}

void TDocShownSink::EndNote() {
  CloseAll();
  FSink.EndNote();
}

void TDocShownSink::BeginLine(const TKvWParagraphInfo& Info, uint32_t Level, bool RowEnd) {
  CloseParagraph();
  FInfo = Info;
  FLabel.clear();
  FLevel = std::min(Level, MaxTableDepth);
  FRowEnd = RowEnd && FLevel > 0;
  FPending = true;
}

void TDocShownSink::SetLabel(std::u16string_view Label, int32_t ListLevel) {
  while (!Label.empty() && (Label.back() == u'\t' || Label.back() == u' ')) Label.remove_suffix(1);
  FLabel.assign(Label);
  FInfo.ListLevel = Label.empty() ? -1 : std::clamp(ListLevel, 0, 8);
}

void TDocShownSink::OpenParagraph() {
  if (!FPending || FRowEnd) return;
  FPending = false;
  Structure(FLevel, true);
  FInfo.ListLabel = FLabel;
  if (FLabel.empty()) {
    FInfo.ListLevel = -1;
    FInfo.ListKind = lkNone;
  } else {
    const TKvWListLabelKind kind = ClassifyListLabel(FLabel);
    FInfo.ListKind = kind.Kind;
    FInfo.ListNumber = kind.Number;
    FInfo.ListDelimiter = kind.Delimiter;
  }
  FSink.BeginParagraph(FInfo);
  FOpen = true;
}

void TDocShownSink::CloseParagraph() {
  FPending = false;
  if (!FOpen) return;
  FOpen = false;
  FSink.EndParagraph();
}

void TDocShownSink::Text(std::u16string_view Value, const TKvWRunInfo& Run) {
  if (FRowEnd || Value.empty()) return;
  OpenParagraph();
  if (!FOpen) return;
  size_t from = 0;
  for (size_t i = FindControl(Value, 0); i < Value.size(); i = FindControl(Value, i + 1)) {
    const char16_t c = Value[i];
    if (c == u'\t') continue;
    if (i > from) FSink.Text(Value.substr(from, i - from), Run);
    from = i + 1;
    if (c == 11) FSink.Break(bkLine);
    else if (c == 12) FSink.Break(bkPage);
    else if (c == 14) FSink.Break(bkColumn);
  }
  if (Value.size() > from) FSink.Text(Value.substr(from), Run);
}

void TDocShownSink::NoteReference(TKvWNoteKind Kind, std::u16string_view Id, std::u16string_view Mark) {
  if (FRowEnd) return;
  OpenParagraph();
  if (FOpen) FSink.NoteReference(Kind, Id, Mark);
}

void TDocShownSink::EndLine(bool CellEnd) {
  if (FRowEnd) {
    // The row's end: what its cells left open at its level and below closes.
    FPending = false;
    FRowEnd = false;
    if (FDepth < FLevel) return;  // a row end without its table: nothing to end
    while (FDepth > FLevel) CloseTable();
    if (FCell[FDepth]) FSink.EndCell();
    if (FRow[FDepth]) FSink.EndRow();
    FCell[FDepth] = FRow[FDepth] = false;
    return;
  }
  OpenParagraph();  // an empty paragraph is a paragraph too (and may be a cell's only one)
  CloseParagraph();
  if (CellEnd && FLevel > 0 && FDepth == FLevel && FCell[FDepth]) {
    FSink.EndCell();
    FCell[FDepth] = false;
  }
}

void TDocShownSink::Structure(uint32_t Level, bool OpenCell) {
  while (FDepth > Level) CloseTable();
  while (FDepth < Level) {
    if (FDepth > 0) this->OpenCell();
    FSink.BeginTable();
    ++FDepth;
    FRow[FDepth] = FCell[FDepth] = false;
  }
  if (Level > 0 && OpenCell) this->OpenCell();
}

void TDocShownSink::OpenCell() {
  if (!FRow[FDepth]) {
    FSink.BeginRow();
    FRow[FDepth] = true;
  }
  if (!FCell[FDepth]) {
    FSink.BeginCell(TKvWCellInfo());
    FCell[FDepth] = true;
  }
}

void TDocShownSink::CloseTable() {
  if (FCell[FDepth]) FSink.EndCell();
  if (FRow[FDepth]) FSink.EndRow();
  FCell[FDepth] = FRow[FDepth] = false;
  FSink.EndTable();
  --FDepth;
}

void TDocShownSink::CloseAll() {
  CloseParagraph();
  FRowEnd = false;
  while (FDepth > 0) CloseTable();
}

}  // namespace msword
