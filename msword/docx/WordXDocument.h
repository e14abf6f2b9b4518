// TMSWordXDocument: the reader of Office Open XML word-processing packages (".docx").
// The body conversion turns the markup of one part into lines while the XML engine
// reads it (WordXDocumentBody.cpp); the package loader finds the parts, the headers
// and footers through the relationships, and the document properties
// (WordXDocumentPackage.cpp, WordXDocumentSummary.cpp).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "msword/base/CustomWordDocument.h"
#include "msword/model/DocumentSink.h"

namespace msword {

class TKvWDocxNoteMarks;
class TKvWDocxNumbering;
class TKvWDocxStyles;
class TKvXMLEngine;
class TKvXMLItem;
class TStream;
class TZipArchive;
namespace storage {
class TStorage;
}

// The HTML tags for a paragraph style: "<font><b><i>" for a style whose name holds
// "Bold" and "Italic" (case-sensitive), the closing tags in the same order with
// Opening false; empty for a style with neither word.
std::u16string GetHTMLFontFromStyle(std::u16string_view S, bool Opening);

// Makes the reader of a chunk a document imports (w:altChunk) that the ".docx"
// reader cannot read itself, such as an RTF document: Bytes are the chunk part's,
// ContentType its content type as the package names it ("application/rtf"; empty
// when it names none). nullptr when no reader takes the chunk. The readers of the
// formats beside this one are installed this way by the unit that builds readers.
using TKvWChunkReaderFactory =
    std::function<std::unique_ptr<TMSCustomWordDocument>(std::string_view Bytes, std::u16string_view ContentType)>;

// The bytes of a package entry, looked up as given and then with "/" turned into
// "\"; empty for a missing entry. The zip reader's errors pass out.
std::string PackageEntryBytes(const TZipArchive& Zip, std::u16string_view AFileName);
// The index of that entry; -1 for a missing one.
int FindPackageEntry(const TZipArchive& Zip, std::u16string_view AFileName);

class TMSWordXDocument : public TMSCustomWordDocument {
 public:
  explicit TMSWordXDocument(TComponent* AOwner);
  ~TMSWordXDocument() override;

  // Loads a package wrapped in a compound file's "Package" stream, or else the
  // stream itself as a package.
  void InternalLoadFromOLEStream(TStream* Stream) override;
  // Loads the zip package that starts at the stream's position. A stream that is not
  // a zip archive has no entries and gives empty lists, without an error.
  void LoadFromStream(TStream* Stream) override;
  // Refuses a file without the zip signature ("Could not read the password
  // protected file" for an encrypted package when no Password is set, else "File %s
  // is not valid MS Word document"), then loads it. An encrypted package is
  // decrypted with Password and read as a plain one.
  void LoadFromFile(const std::u16string& AFileName) override;

  // Converts one XML part (nullptr: nothing) and appends its lines to AList, framed
  // by the output format's header and trailer.
  void LoadXMLFilePart(TStream* AStream, TWideStrings* AList);

  // Where the shown view gets readers for imported chunks of other formats (RTF, web
  // pages); unset, such chunks are left out. Chunks that are packages or plain text
  // are read by this reader itself.
  const TKvWChunkReaderFactory& ChunkReaders() const { return FChunkReaders; }
  void SetChunkReaders(TKvWChunkReaderFactory Value) { FChunkReaders = std::move(Value); }

  // The relationship ids of the header and footer references met, in document order.
  TWideStrings* HeaderFileNamesToParse() const { return FHeaderFileNamesToParse.get(); }
  TWideStrings* FooterFileNamesToParse() const { return FFooterFileNamesToParse.get(); }

  // How many parts the last load converted (the main document, notes, headers,
  // footers, comments; each at most once however often it is referenced) and how
  // many imported chunks it read (each at most once however often it is imported).
  size_t PartsConverted() const { return FPartsConverted; }
  size_t ChunksRead() const { return FChunksRead; }

  // The shown view in plain text describes the document to a document sink when
  // one is set: the main text, the notes, headers, footers, comments and text
  // boxes, each part once however often it is referenced. Imported chunks are
  // described as paragraphs of their text.
  bool DescribesDocument() const override { return true; }

 protected:
  const char* ClassName() const override { return "TMSWordXDocument"; }

  // Appends as the base does, and keeps the line while a part or chunk is being
  // recorded for reuse.
  void AddText(std::u16string Value, TWideStrings* List) override;

  // The XML engine's handlers of the body conversion.
  void NewRowTag(TObject* Sender, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                 const std::u16string& ATagValue, const std::u16string& ATagAttributes, bool& Accept);
  void DeleteRowTag(TObject* Sender, TKvXMLItem*& Node, bool& Cancel);
  // True for an element NewRowTag would refuse on its name and parent alone.
  bool RefusedByName(const TKvXMLItem* ParentNode, std::string_view ATagName) const;

 private:
  // LoadXMLFilePart on a part's bytes, which the conversion takes over.
  void LoadXMLFilePart(std::string ABytes, TWideStrings* AList);
  // The conversion of one part, whatever Load gives the engine to read.
  void ConvertPart(const std::function<void(TKvXMLEngine&)>& Load, TWideStrings* AList);
  // The package operations of one load.
  void UnZipAndLoad(TZipArchive& Zip, std::u16string_view AFileName, TWideStrings* AList);
  std::u16string GetTargetByID(TZipArchive& Zip, const std::u16string& ID);
  void LoadSummary(TZipArchive& Zip, std::u16string_view AFileName);
  // Decrypts the "EncryptedPackage" of Root with Password() and loads the package;
  // false when Root has none. Without a password it raises "Could not read the
  // password protected file".
  bool LoadEncryptedPackage(storage::TStorage& Root);
  // With a Password: a compound file at the stream's position that holds an
  // encrypted package is decrypted and loaded; false (the position kept) otherwise.
  bool LoadEncryptedStream(TStream& Stream);
  // Appends document text to the current line, escaped for RTF and HTML.
  void AppendDocumentText(std::u16string_view Value);
  // The same for the text of a run, whose properties the document sink is told.
  void AppendRunText(std::u16string_view Value);
  // Value escaped for the output format, a tab written as the format writes tabs.
  std::u16string FormattedText(std::u16string_view Value) const;
  // The shown view's work at the end of a paragraph: its list label and a drop
  // cap carried into the next paragraph. False when the line is held back (a
  // drop cap's paragraph).
  bool FinishShownParagraph();
  // The shown view's parts of a package: lists, note numbering, comments, text
  // boxes, imported chunks, macros.
  void PrepareShownView(TZipArchive& Zip, const std::u16string& Folder);
  void LoadShownSideParts(TZipArchive& Zip, const std::u16string& Folder);
  // The text of the chunk the relationship Id names, read in place.
  void InsertAltChunk(const std::u16string& Id);
  void ReadAltChunk(int Entry, const std::u16string& Name);
  // Converts the package entry AFileName into AList the first time it is asked for
  // that list; afterwards appends again the lines the conversion gave.
  void LoadPartOnce(TZipArchive& Zip, std::u16string_view AFileName, TWideStrings* AList);
  // Loads Bytes with Chunk, set up as this reader's settings say, and appends what
  // it read to the lists: its text to List, its side texts to the side lists. With
  // Paragraphs each line of Chunk's lists is a paragraph; otherwise they are split
  // at their line breaks and empty lines are left out. False when the chunk could
  // not be read (nothing is appended then).
  bool InsertChunkReader(TMSCustomWordDocument& Chunk, std::string Bytes, TWideStrings* List, bool Paragraphs);
  // The content type the package's "[Content_Types].xml" gives the part Name.
  std::u16string PartContentType(TZipArchive& Zip, std::u16string_view Name);
  // The part name of the first relationship of the main document whose type ends
  // with TypeSuffix ("/comments"); empty when there is none.
  std::u16string PartNameOfType(TZipArchive& Zip, std::u16string_view TypeSuffix);
  void LoadVBAProject(TZipArchive& Zip, const std::u16string& Folder);

  std::u16string FCurrentTextLine;
  TWideStrings* FcurList = nullptr;
  bool IsHiddenText = false;
  std::unique_ptr<TWideStrings> FHeaderFileNamesToParse;
  std::unique_ptr<TWideStrings> FFooterFileNamesToParse;

  // The lines of the paragraphs that enclose the one being read (a text box's
  // paragraphs sit inside a paragraph of the text around it), and how many
  // paragraphs are open in the part.
  std::vector<std::u16string> FOuterTextLines;
  size_t FOpenParagraphs = 0;
  // The document relationships of the load: id (folded to ASCII lower case) to
  // target; read on the first header or footer reference.
  std::u16string FRelationshipsName;  // the main document's relationships part
  bool FRelationshipsRead = false;
  std::map<std::u16string, std::u16string> FRelationships;
  // The relationship types, id (folded) to type, read with the targets.
  std::map<std::u16string, std::u16string> FRelationshipTypes;

  // The shown view (vwShown) of one load; none of it is used by the stored view.
  // What a paragraph's line holds besides plain text, for the document sink, by
  // where it stands in the line.
  struct TSinkSpan {
    enum TKind : uint8_t { skRun, skNote, skSkip, skImage } Kind = skRun;
    size_t Start = 0, End = 0;
    bool Bold = false, Italic = false, Strike = false, Inserted = false, Deleted = false;
    bool Endnote = false;
    std::u16string Text;  // a run's link target, a note's id, a picture's description
  };
  struct TShownParagraph {
    std::u16string NumId;  // w:numPr as the paragraph writes it
    int32_t Level = -1;
    std::u16string Style;  // w:pStyle
    bool DropCap = false;  // w:framePr w:dropCap="drop" or "margin"
    size_t ContentStart = 0;  // where the paragraph's text begins in its line
    // A tracked change takes the paragraph mark away (deleted and accepted, or
    // inserted and rejected): the text joins the next paragraph.
    bool MarkRemoved = false;
    // For the document sink: w:outlineLvl as the paragraph writes it (-1: none),
    // and what its line holds besides plain text.
    int32_t OutlineLevel = -1;
    std::vector<TSinkSpan> Spans;
  };
  // The document model's side of the shown view: the sink of this load (only in
  // the shown view of plain text).
  TKvWDocumentSink* FSink = nullptr;
  // Records the line from Start to its end as a run, if it has properties.
  void RecordRunSpan(size_t Start);
  void RecordSpan(TSinkSpan::TKind Kind, size_t Start, std::u16string Text = {}, bool Endnote = false);
  // Sends the finished paragraph in Line: its content from ContentStart, its
  // spans moved by Shift (what was put in before them), its list label.
  void EmitSinkParagraph(std::u16string_view Line, size_t ContentStart, size_t Shift);
  void EmitPlainParagraph(std::u16string_view Text);
  void FlushSinkCell();
  std::unique_ptr<TKvWDocxStyles> FStyles;
  // The run being read: its direct emphasis and character style.
  std::optional<bool> FRunBold, FRunItalic, FRunStrike;
  std::u16string FRunStyle;
  // Open hyperlinks (w:hyperlink, HYPERLINK fields), their targets kept to a depth.
  std::vector<std::u16string> FLinks;
  size_t FLinkDepth = 0;
  size_t FDeletedDepth = 0, FInsertedDepth = 0;  // marked revisions open
  bool FSinkCellPending = false;  // a cell begun whose properties may still come
  TKvWCellInfo FSinkCell;
  std::u16string FSinkLabel;  // the label FinishShownParagraph gave, unformatted
  int32_t FSinkListLevel = -1;
  size_t FSinkLabelLength = 0, FSinkShift = 0;
  std::u16string FJoinedText;  // text of paragraphs that join the next one
  bool FShown = false;
  TKvWRevisions FRevisionMode = rvDefault;
  TShownParagraph FParagraph;
  std::vector<TShownParagraph> FOuterParagraphs;
  bool FHasDropCap = false;
  std::u16string FDropCapText;  // a drop cap's text, waiting for its paragraph
  size_t FTextBoxDepth = 0;     // open w:txbxContent elements
  bool FRunSymbolFont = false;  // the run's font is a symbol font
  std::u16string FRunFont;
  // The note being converted (w:id) and a reference whose custom mark follows.
  bool FInEndnote = false;
  std::u16string FNoteId;
  bool FCustomMarkEndnote = false;
  std::u16string FCustomMarkId;
  // Where the text of the part stands: the paragraph, counted, and the length of
  // its line. A field result or a content control that begins and ends at the same
  // place shows nothing of its own.
  struct TTextPlace {
    size_t Paragraph = 0;
    size_t Length = 0;
    bool operator==(const TTextPlace&) const = default;
  };
  TTextPlace TextPlace() const { return {FParagraphCount, FCurrentTextLine.size()}; }
  size_t FParagraphCount = 0;
  // A form field's data (w:ffData): a check box's state, a drop-down's entries.
  struct TShownFormField {
    enum : uint8_t { ffNone, ffCheckBox, ffDropDown } Kind = ffNone;
    std::optional<bool> Checked;  // w:checked; the default (w:default) otherwise
    int32_t Default = 0;
    std::optional<int32_t> Result;  // the drop-down's chosen entry
    std::vector<std::u16string> Entries;
  };
  // The complex fields open in the part (w:fldChar begin ... end): their
  // instructions, whether their result has begun and where, and their form data.
  struct TShownField {
    std::u16string Instructions;
    bool Separated = false;
    bool Link = false;  // a HYPERLINK field whose target the sink was given
    TTextPlace ResultStart;
    TShownFormField Form;
  };
  std::vector<TShownField> FFields;
  size_t FFieldDepth = 0;  // fields open, also those too deep to be kept
  // The content controls open in the part (w:sdt): a check box's state and the
  // symbols it shows, and where the control's content begins.
  struct TShownContentControl {
    bool CheckBox = false;
    bool Checked = false;
    std::u16string CheckedSymbol = u"\u2612";
    std::u16string UncheckedSymbol = u"\u2610";
    TTextPlace ContentStart;
  };
  std::vector<TShownContentControl> FContentControls;
  size_t FContentControlDepth = 0;  // also those too deep to be kept
  std::unique_ptr<TKvWDocxNumbering> FNumbering;
  std::unique_ptr<TKvWDocxNoteMarks> FNoteMarks;
  // The package being loaded, for imported chunks, and how deep this reader sits
  // in chunks imported by others.
  TZipArchive* FZip = nullptr;
  std::u16string FFolder;
  int FChunkDepth = 0;
  TKvWChunkReaderFactory FChunkReaders;
  // The package's content types, read on the first chunk that needs one: by part
  // name (folded to ASCII lower case, without the leading "/") and by extension.
  bool FContentTypesRead = false;
  std::map<std::u16string, std::u16string> FContentTypeOverrides;
  std::map<std::u16string, std::u16string> FContentTypeDefaults;
  // The lines given while a part or chunk is converted the first time, in order and
  // with their lists, so that later references append them again instead of
  // converting it again: FRecording counts the recordings open, and a recording is
  // a range of FRecorded. Both are kept by the entry and the list the reference
  // converts into (a chunk's text goes to the list current where it is imported).
  struct TRecordedLine {
    TWideStrings* List;
    std::u16string Value;
  };
  using TRecording = std::pair<size_t, size_t>;
  using TRecordingKey = std::pair<int, TWideStrings*>;
  std::vector<TRecordedLine> FRecorded;
  int FRecording = 0;
  std::map<TRecordingKey, TRecording> FPartLines;
  std::map<TRecordingKey, TRecording> FChunkLines;
  // Runs Convert with its lines recorded under Key in Lines, or replays the lines
  // recorded there before.
  void ConvertOnce(std::map<TRecordingKey, TRecording>& Lines, const TRecordingKey& Key,
                   const std::function<void()>& Convert);
  size_t FPartsConverted = 0;
  size_t FChunksRead = 0;
  // The file LoadFromFile is loading, for the messages of LoadFromStream.
  std::u16string FLoadingFileName;
  bool FDecrypting = false;  // reading the package an encrypted one held
};

}  // namespace msword
