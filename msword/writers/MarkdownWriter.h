// TKvWMarkdownWriter: a document's events written as Markdown (CommonMark with
// GitHub's tables, footnotes and strikethrough), for search indexes and language
// models that want the document's shape: headings, lists, tables, notes, links and
// emphasis. Text that would read as Markdown is escaped, so a CommonMark parser
// gives back the document's own characters.
//
// How Word's shapes map:
// - A paragraph of outline level 1-9 is a heading of that level, deeper than 6 at
//   6; the title style is a level-1 heading unless a level-1 heading came before.
//   Headings are written in the main text only.
// - Bullets are "- " items, plain numbers ("7.", "7)") items with the document's
//   number; any other label ("a)", "iv.", "2.1") is a "- " item that starts with
//   the label as text. Items nest by their list level.
// - A table is a pipe table whose first row is the header row; a cell's paragraphs
//   and line breaks are joined by "<br>", a merged cell leaves the cells it covers
//   empty, and a nested table becomes lines of its cell, one a row, its cells
//   separated by " | " (escaped, so it reads as text).
// - Footnotes are "[^1]", endnotes "[^e1]", numbered in the order of their first
//   reference; their texts follow the main text, endnotes after footnotes. A note
//   that nothing refers to is written as plain paragraphs there.
// - Emphasis markers never hold the spaces at a run's edges; where CommonMark
//   would not read a marker as emphasis (inside a word next to punctuation, or
//   against another marker) the HTML tags <strong>, <em> and <del> are written.
// - Side stories asked for follow under "## Headers", "## Footers", "## Comments"
//   and "## Text boxes"; text boxes are written there, not where they stand.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "msword/model/DocumentSink.h"

namespace msword {

struct TKvWMarkdownOptions {
  std::u16string LineEnd = u"\n";
  // The side stories written under their headings; the main text and the notes
  // are always written.
  bool Headers = false;
  bool Footers = false;
  bool Comments = false;
  bool TextBoxes = false;
};

class TKvWMarkdownWriter : public TKvWDocumentSink {
 public:
  explicit TKvWMarkdownWriter(TKvWMarkdownOptions Options = {});
  ~TKvWMarkdownWriter() override;

  void BeginStory(TKvWStoryKind Kind, std::u16string_view Name) override;
  void EndStory() override;
  void BeginNote(TKvWNoteKind Kind, std::u16string_view Id) override;
  void EndNote() override;
  void BeginParagraph(const TKvWParagraphInfo& Info) override;
  void EndParagraph() override;
  void Text(std::u16string_view Value, const TKvWRunInfo& Info) override;
  void Break(TKvWBreakKind Kind) override;
  void NoteReference(TKvWNoteKind Kind, std::u16string_view Id, std::u16string_view Mark) override;
  void Image(std::u16string_view Description) override;
  void BeginTable() override;
  void EndTable() override;
  void BeginRow() override;
  void EndRow() override;
  void BeginCell(const TKvWCellInfo& Info) override;
  void EndCell() override;
  // Closes what is still open and puts the stories together.
  void Finish() override;

  // The Markdown, complete after Finish.
  const std::u16string& Markdown() const { return FMarkdown; }
  // The Markdown moved out; the writer is left empty.
  std::u16string ReleaseMarkdown() { return std::move(FMarkdown); }

  // Text escaped to stand as itself at a line's start or within a line (line
  // ends in it become spaces).
  static std::u16string EscapeText(std::u16string_view Text);

  // The most grid columns a table is given (Word's own limit): wider spans are cut.
  static constexpr int32_t MaxTableColumns = 63;

  struct TInline;  // a run, break, note reference or picture of the open paragraph
  struct TTable;   // the table being written

 private:
  struct TParagraph;
  struct TTarget;
  struct TFrame;

  TFrame& Top();
  TTarget& TargetOf(TKvWStoryKind Kind);
  void PushFrame(TKvWStoryKind Kind);
  void PopFrame();
  // The paragraph text is about to go to: opened when text comes outside one.
  TParagraph& OpenParagraph();
  void FinishParagraph(TFrame& Frame);
  void FinishTable(TFrame& Frame);
  void WriteBlock(TTarget& Target, const std::u16string& Block, bool ListItem, bool BlankBefore);
  void AddInline(TInline Item);

  TKvWMarkdownOptions FOptions;
  std::vector<std::unique_ptr<TTarget>> FTargets;  // one per story kind
  std::vector<std::unique_ptr<TFrame>> FFrames;    // the stories open, innermost last
  size_t FFrameCount = 0;                          // frames in use (the rest are kept for reuse)
  // The labels given to the notes referred to, by kind and key.
  std::array<std::map<std::u16string, std::u16string, std::less<>>, 2> FNoteLabels;
  bool FFinished = false;
  std::u16string FMarkdown;
};

}  // namespace msword
