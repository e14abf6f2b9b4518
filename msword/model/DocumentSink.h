// The document model: what a reader's shown view describes, as a stream of events
// in reading order into a sink. A reader calls the sink while it reads, so nothing
// of the document is kept on the model's account; a writer that needs more than
// the event at hand (a table's column count, a paragraph's runs) keeps only that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace msword {

// The stories of a document. The main text comes first; the others follow it, or
// open inside it where they are anchored (a text box in a paragraph).
enum TKvWStoryKind : uint8_t {
  skMain = 0,
  skFootnotes,
  skEndnotes,
  skComments,
  skHeaders,
  skFooters,
  skTextBoxes,
};
inline constexpr size_t StoryKindCount = 7;

// How a list label reads: a bullet, a plain number ("7." or "7)", no leading zero), or anything
// else ("a)", "iv.", "2.1", "Article 2"), which only its text expresses.
enum TKvWListKind : uint8_t { lkNone = 0, lkBullet, lkNumber, lkOther };

// What a paragraph is. The views of its texts are valid for the event only.
struct TKvWParagraphInfo {
  std::u16string_view Style;      // the paragraph style's name; empty: the default
  int32_t OutlineLevel = 0;       // 1-9 for a heading level, 0 for body text
  bool Title = false;             // the document's title style
  std::u16string_view ListLabel;  // the label Word shows, without what follows it
  int32_t ListLevel = -1;         // 0-8 in a list, -1 outside
  TKvWListKind ListKind = lkNone;
  int32_t ListNumber = 0;         // lkNumber: the number the label shows
  char16_t ListDelimiter = u'.';  // lkNumber: u'.' or u')'
  bool IsHeading() const { return OutlineLevel >= 1 && OutlineLevel <= 9; }
};

// The character properties a user sees on a run.
struct TKvWRunInfo {
  bool Bold = false;
  bool Italic = false;
  bool Strike = false;
  bool Hidden = false;
  bool Inserted = false;              // by a tracked change, shown as marked
  bool Deleted = false;               // by a tracked change, shown as marked
  std::u16string_view Hyperlink;      // the link's target; empty: no link
  bool operator==(const TKvWRunInfo&) const = default;
};

// The look of a run while a reader collects its text: a change of key ends the
// run. The link is the 1-based index of a target the reader keeps (0: none), so
// that the key owns nothing and compares cheaply.
struct TKvWRunKey {
  bool Bold = false;
  bool Italic = false;
  bool Strike = false;
  bool Inserted = false;
  bool Deleted = false;
  uint32_t Link = 0;
  bool operator==(const TKvWRunKey&) const = default;
  // The run's properties, its link looked up in Links (an index outside it is none).
  TKvWRunInfo Info(const std::vector<std::u16string>& Links) const {
    TKvWRunInfo info;
    info.Bold = Bold;
    info.Italic = Italic;
    info.Strike = Strike;
    info.Inserted = Inserted;
    info.Deleted = Deleted;
    if (Link > 0 && Link <= Links.size()) info.Hyperlink = Links[Link - 1];
    return info;
  }
};

enum TKvWBreakKind : uint8_t { bkLine = 0, bkPage, bkColumn };

enum TKvWNoteKind : uint8_t { nkFootnote = 0, nkEndnote };

// A table cell: how many grid columns it spans (1 for most), and whether it is
// covered by the cell above it (a vertical merge goes on).
struct TKvWCellInfo {
  int32_t Span = 1;
  bool MergedAbove = false;
};

// The receiver of a document's events. Every event has an empty default, so a
// sink implements what it uses. Events nest: a story holds paragraphs and tables,
// a table rows, a row cells, a cell paragraphs and tables; runs, breaks, note
// references and images stand inside a paragraph. A sink tolerates what a damaged
// document makes of this (a cell outside a row, a paragraph never ended) without
// failing; readers keep it well nested where they can.
class TKvWDocumentSink {
 public:
  virtual ~TKvWDocumentSink() = default;

  // Name: a comment's author, a header's or footer's kind ("first", "even");
  // empty where the story has none.
  virtual void BeginStory(TKvWStoryKind, std::u16string_view /*Name*/) {}
  virtual void EndStory() {}
  // One note of a notes story; Id is the key its references use.
  virtual void BeginNote(TKvWNoteKind, std::u16string_view /*Id*/) {}
  virtual void EndNote() {}
  virtual void BeginParagraph(const TKvWParagraphInfo&) {}
  virtual void EndParagraph() {}
  virtual void Text(std::u16string_view, const TKvWRunInfo&) {}
  virtual void Break(TKvWBreakKind) {}
  // A note's reference in the text: its kind, the key of its note and the mark
  // Word shows ("1", "*", "iv").
  virtual void NoteReference(TKvWNoteKind, std::u16string_view /*Id*/, std::u16string_view /*Mark*/) {}
  // A picture; Description is the alternative text the file gives, if any.
  virtual void Image(std::u16string_view /*Description*/) {}
  virtual void BeginTable() {}
  virtual void EndTable() {}
  virtual void BeginRow() {}
  virtual void EndRow() {}
  virtual void BeginCell(const TKvWCellInfo&) {}
  virtual void EndCell() {}
  // The document has been read to its end.
  virtual void Finish() {}
};

// What a list label's text says: the kind, and for a plain number its value and
// delimiter. Blanks around the label are ignored; a label without letters or
// digits is a bullet, and so is "o" alone (Word's second-level bullet).
struct TKvWListLabelKind {
  TKvWListKind Kind = lkNone;
  int32_t Number = 0;
  char16_t Delimiter = u'.';
};
TKvWListLabelKind ClassifyListLabel(std::u16string_view Label);

// The outline level a built-in paragraph style's name gives ("heading 3" is 3,
// in any case of letters); 0 for every other name.
int32_t HeadingLevelOfStyleName(std::u16string_view Name);

}  // namespace msword
