#include "msword/rtf/RtfParser.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <vector>

#include "msword/base/Charsets.h"
#include "msword/base/CodePages.h"
#include "msword/base/DateTime.h"
#include "msword/base/MarkedText.h"
#include "msword/base/SummaryInformation.h"
#include "msword/base/SymbolFonts.h"
#include "msword/base/UndecodableEncodings.h"
#include "msword/model/DocumentSink.h"

namespace msword {

namespace {

// What the text of a group is.
enum TRtfDest : uint8_t {
  rdText = 0,    // document text of the group's story
  rdSkip,        // nothing of it is text
  rdFontTable,   // font entries: number, character set, name
  rdInfo,        // the information group: its fields are groups of their own
  rdInfoText,    // one text field of the information group
  rdInfoDate,    // one date of the information group
  rdStyleSheet,  // style entries: number, outline level, name (read for a sink only)
  rdFieldInst,   // a field's instruction (read for a sink only)
};

// The fields of the information group the summary keeps.
enum TRtfInfoField : uint8_t {
  ifNone = 0, ifTitle, ifSubject, ifAuthor, ifManager, ifCompany, ifOperator, ifCategory,
  ifKeywords, ifComments, ifCreated, ifRevised, ifPrinted };

// The control words the parser acts on.
enum TRtfWord : uint8_t {
  cwUnknown = 0,
  // destinations
  cwSkipDest, cwFontTable, cwInfo, cwInfoText, cwInfoDate, cwFootNote, cwHeader, cwFooter,
  cwAnnotation, cwTextBox, cwListText, cwFieldResult, cwTransparent, cwUpr, cwUd, cwObject,
  cwObjectResult, cwStyleSheet, cwFieldInst, cwNoNestTables,
  // characters and marks
  cwPar, cwLine, cwTab, cwCell, cwRow, cwSect, cwChar, cwNoteMark,
  // properties
  cwU, cwUc, cwBin, cwFont, cwDefFont, cwAnsiCpg, cwAnsi, cwMac, cwPc, cwPca, cwCharset, cwCpg,
  cwPlain, cwHidden, cwDeleted, cwRevised, cwFtnAlt,
  // what a sink is told besides the text
  cwBold, cwItalic, cwStrike, cwPard, cwStyle, cwOutlineLevel, cwInTable, cwItap, cwIlvl,
  // information values
  cwYr, cwMo, cwDy, cwHr, cwMin, cwSec, cwVersion, cwEdMins, cwNofPages, cwNofWords, cwNofChars,
  cwNofCharsWs,
};

struct TWordInfo {
  TRtfWord Word = cwUnknown;
  uint16_t Value = 0;  // the character, the information field or the story
};

const std::unordered_map<std::string_view, TWordInfo>& WordTable() {
  static const std::unordered_map<std::string_view, TWordInfo> table = [] {
    std::unordered_map<std::string_view, TWordInfo> t;
    for (std::string_view name :
         {"colortbl", "pict", "filetbl", "listtable", "listoverridetable", "revtbl",
          "rsidtbl", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore",
          "objdata", "objclass", "objname", "private", "pgdsctbl", "template", "docvar",
          "userprops", "txe", "xe", "tc", "tcn", "nonshppict", "sp", "pn", "pntxta", "pntxtb",
          "atnid", "atnauthor", "atnref", "atndate", "atnparent", "atnicn", "bkmkstart", "bkmkend",
          "generator", "mmathPr", "fchars", "lchars", "listpicture", "panose", "falt", "ftnsep",
          "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "blipuid", "picprop", "shprslt",
          "comment", "hlinkbase", "buptim", "keycode", "formfield", "datafield",
          "fldtype", "wgrffmtfilter", "passwordhash", "protusertbl", "defchp", "defpap",
          "pgptbl", "mhtmltag", "htmltag", "bookmarkstart", "ffname", "ffdeftext", "ffformat",
          "ffhelptext", "ffstattext", "ffentrymcr", "ffexitmcr", "ffl", "svb", "sv", "sn",
          "oldcprops", "oldpprops", "oldtprops", "oldsprops", "fontemb", "fontfile",
          "xmlopen", "xmlattrname", "xmlattrvalue", "rxe", "factoidname"})
      t[name] = {cwSkipDest, 0};
    t["fonttbl"] = {cwFontTable, 0};
    // Skipped as they always were, but for a sink, which reads them.
    t["stylesheet"] = {cwStyleSheet, 0};
    t["fldinst"] = {cwFieldInst, 0};
    t["nonesttables"] = {cwNoNestTables, 0};
    t["b"] = {cwBold, 0};
    t["i"] = {cwItalic, 0};
    t["strike"] = {cwStrike, 0};
    t["striked"] = {cwStrike, 0};
    t["pard"] = {cwPard, 0};
    t["s"] = {cwStyle, 0};
    t["outlinelevel"] = {cwOutlineLevel, 0};
    t["intbl"] = {cwInTable, 0};
    t["itap"] = {cwItap, 0};
    t["ilvl"] = {cwIlvl, 0};
    t["info"] = {cwInfo, 0};
    t["title"] = {cwInfoText, ifTitle};
    t["subject"] = {cwInfoText, ifSubject};
    t["author"] = {cwInfoText, ifAuthor};
    t["manager"] = {cwInfoText, ifManager};
    t["company"] = {cwInfoText, ifCompany};
    t["operator"] = {cwInfoText, ifOperator};
    t["category"] = {cwInfoText, ifCategory};
    t["keywords"] = {cwInfoText, ifKeywords};
    t["doccomm"] = {cwInfoText, ifComments};
    t["creatim"] = {cwInfoDate, ifCreated};
    t["revtim"] = {cwInfoDate, ifRevised};
    t["printim"] = {cwInfoDate, ifPrinted};
    t["footnote"] = {cwFootNote, rsFootNote};
    for (std::string_view name : {"header", "headerl", "headerr", "headerf"}) t[name] = {cwHeader, rsHeader};
    for (std::string_view name : {"footer", "footerl", "footerr", "footerf"}) t[name] = {cwFooter, rsFooter};
    t["annotation"] = {cwAnnotation, rsAnnotation};
    t["shptxt"] = {cwTextBox, rsTextBox};
    t["dptxbxtext"] = {cwTextBox, rsTextBox};
    t["listtext"] = {cwListText, 0};
    t["pntext"] = {cwListText, 0};
    t["fldrslt"] = {cwFieldResult, 0};
    for (std::string_view name : {"field", "shp", "shpinst", "shpgrp", "do", "nesttableprops"})
      t[name] = {cwTransparent, 0};
    t["upr"] = {cwUpr, 0};
    t["ud"] = {cwUd, 0};
    t["object"] = {cwObject, 0};
    t["result"] = {cwObjectResult, 0};
    t["par"] = {cwPar, 0};
    t["line"] = {cwLine, 0};
    t["tab"] = {cwTab, 0};
    t["cell"] = {cwCell, 0};
    t["nestcell"] = {cwCell, 1};
    t["row"] = {cwRow, 0};
    t["nestrow"] = {cwRow, 1};
    t["sect"] = {cwSect, 0};
    t["emdash"] = {cwChar, 0x2014};
    t["endash"] = {cwChar, 0x2013};
    t["bullet"] = {cwChar, 0x2022};
    t["lquote"] = {cwChar, 0x2018};
    t["rquote"] = {cwChar, 0x2019};
    t["ldblquote"] = {cwChar, 0x201C};
    t["rdblquote"] = {cwChar, 0x201D};
    t["emspace"] = {cwChar, 0x2003};
    t["enspace"] = {cwChar, 0x2002};
    t["qmspace"] = {cwChar, 0x2005};
    t["zwj"] = {cwChar, 0x200D};
    t["zwnj"] = {cwChar, 0x200C};
    t["ltrmark"] = {cwChar, 0x200E};
    t["rtlmark"] = {cwChar, 0x200F};
    t["chftn"] = {cwNoteMark, 0};
    t["u"] = {cwU, 0};
    t["uc"] = {cwUc, 0};
    t["bin"] = {cwBin, 0};
    t["f"] = {cwFont, 0};
    t["deff"] = {cwDefFont, 0};
    t["ansicpg"] = {cwAnsiCpg, 0};
    t["ansi"] = {cwAnsi, 0};
    t["mac"] = {cwMac, 0};
    t["pc"] = {cwPc, 0};
    t["pca"] = {cwPca, 0};
    t["fcharset"] = {cwCharset, 0};
    t["cpg"] = {cwCpg, 0};
    t["plain"] = {cwPlain, 0};
    t["v"] = {cwHidden, 0};
    t["deleted"] = {cwDeleted, 0};
    t["revised"] = {cwRevised, 0};
    t["ftnalt"] = {cwFtnAlt, 0};
    t["yr"] = {cwYr, 0};
    t["mo"] = {cwMo, 0};
    t["dy"] = {cwDy, 0};
    t["hr"] = {cwHr, 0};
    t["min"] = {cwMin, 0};
    t["sec"] = {cwSec, 0};
    t["version"] = {cwVersion, 0};
    t["edmins"] = {cwEdMins, 0};
    t["nofpages"] = {cwNofPages, 0};
    t["nofwords"] = {cwNofWords, 0};
    t["nofchars"] = {cwNofChars, 0};
    t["nofcharsws"] = {cwNofCharsWs, 0};
    return t;
  }();
  return table;
}

// The Windows code page of a font's character set (\fcharsetN); 0 for the
// document's own code page, 2 stands for a symbol font.
uint16_t CharsetCodePage(int32_t Charset) {
  switch (Charset) {
    case 0: return 1252;
    case 2: return 2;
    case 77: return 10000;
    default: return Charset > 0 && Charset < 256 ? FontCharsetCodePage(uint8_t(Charset)) : 0;
  }
}

bool IsDoubleByteCodePage(uint16_t CodePage) {
  return CodePage == 932 || CodePage == 936 || CodePage == 949 || CodePage == 950 || CodePage == 1361;
}

struct TRtfFont {
  uint16_t CodePage = 0;  // 0: the document's
  std::u16string Name;
  bool Symbol = false;
};

// The state a group inherits from the one around it.
struct TRtfGroup {
  TRtfDest Dest = rdText;
  TRtfStory Story = rsMain;
  uint8_t InfoField = ifNone;
  bool Hidden = false;
  bool Deleted = false;
  bool Inserted = false;
  bool DestSet = false;  // the group's first control word has been seen
  bool OpensStory = false;
  uint32_t Uc = 1;
  int32_t Font = -1;  // -1: the default font
  // What a sink is told; nothing reads these without one.
  uint8_t SinkStory = 0;  // 0: not described, 1: the main text, 2: a note of it
  bool SinkMute = false;  // the text for readers that know no nested tables
  bool ListText = false;  // a list label's text
  bool Bold = false;
  bool Italic = false;
  bool Strike = false;
  uint32_t Link = 0;      // 1 + the index of the link's target; 0: no link
  // The paragraph's properties (\pard resets them).
  int32_t Style = 0;
  int32_t OutlineLevel = -1;  // -1: the style's; 0: body text; 1-9: a heading
  bool InTable = false;
  int32_t Itap = 1;
  int32_t Ilvl = 0;
};

// A paragraph style of the style sheet.
struct TRtfStyle {
  std::u16string Name;
  int32_t OutlineLevel = -1;  // -1: none given
};

// A table level a sink has been told of: whether a row and a cell of it are open.
struct TSinkTableLevel {
  bool RowOpen = false;
  bool CellOpen = false;
};

// What a sink has been told of one story (the main text, or the note being read).
struct TSinkFrame {
  bool Paragraph = false;
  std::u16string Run;
  TKvWRunKey Key;
  std::u16string Label;  // a list label read before its paragraph's text
  int32_t Tables = 0;    // tables open, the innermost at Levels[Tables - 1]
  std::array<TSinkTableLevel, RTF_MAX_TABLE_DEPTH> Levels{};
};

class TRtfParser {
 public:
  TRtfParser(std::string_view Bytes, const TRtfReadOptions& Options)
      : FIn(Bytes), FOptions(Options), FSink(Options.ShownView ? Options.Sink : nullptr) {}

  TRtfStories Run();

 private:
  void OpenGroup();
  void CloseGroup();
  void ControlWord(std::string_view Name, bool HasParam, int32_t Param, bool Starred);
  void ControlSymbol(char c);
  // Adds the bytes of a text run or of \'hh in the group's code page.
  void AddByte(uint8_t b) { FPending.push_back(char(b)); }
  void FlushBytes();
  void Put(std::u16string_view S);
  void PutChar(char16_t c) { Put(std::u16string_view(&c, 1)); }
  void PutMark(char16_t Mark);
  void EndStoryParagraph(TRtfStory Story);
  bool Suppressed(const TRtfGroup& g) const;
  void OpenStory(TRtfGroup& g, TRtfStory Story);
  uint16_t GroupCodePage(const TRtfGroup& g) const;
  void SetDocCodePage(uint16_t CodePage, bool CharacterSet);
  const TRtfFont* GroupFont(const TRtfGroup& g) const;
  void RegisterFont();
  void StoreInfoText(uint8_t Field);
  void StoreInfoDate(uint8_t Field);
  TRtfGroup& Top() { return FStack.back(); }
  void RegisterStyle();
  void EndFieldInst();
  // The sink's side.
  bool Describes(const TRtfGroup& g) const { return FSink && g.SinkStory != 0 && !g.SinkMute; }
  TSinkFrame& Frame(const TRtfGroup& g) { return FSinkFrames[g.SinkStory == 2 ? 1 : 0]; }
  void SinkText(const TRtfGroup& g, std::u16string_view S);
  void SinkMark(const TRtfGroup& g, char16_t Mark);
  void SinkTableMark(const TRtfGroup& g, bool Row, bool Nested);
  void SinkBeginParagraph(TSinkFrame& f, const TRtfGroup& g);
  void SinkEndParagraph(TSinkFrame& f);
  void SinkFlushRun(TSinkFrame& f);
  void SinkTables(TSinkFrame& f, int32_t Depth);
  void SinkCloseFrame(TSinkFrame& f);
  void SinkOpenNote(const TRtfGroup& g);

  std::string_view FIn;
  size_t FPos = 0;
  const TRtfReadOptions& FOptions;
  TRtfStories FResult;
  std::vector<TRtfGroup> FStack;
  size_t FOverflow = 0;  // open groups beyond the bound
  std::string FPending;  // bytes waiting for their code page
  uint32_t FSkipChars = 0;  // characters still to skip after \uN
  uint16_t FDocCodePage = 1252;
  uint16_t FDocCodePageLost = 0;  // the page the document named in its stead, when undecodable
  int32_t FDefaultFont = -1;
  std::map<int32_t, TRtfFont> FFonts;
  // The font entry being read in the font table.
  int32_t FEntryFont = -1;
  int32_t FEntryCharset = -1;
  int32_t FEntryCpg = 0;
  std::u16string FEntryName;
  // The information field being read.
  std::u16string FInfoText;
  int32_t FDate[6] = {};
  // Revision marks open per story.
  std::array<char16_t, rsCount> FOpenRevision{};
  uint32_t FNoteNumber = 0;  // note anchors met in the main text
  // The style sheet and the style entry being read (for a sink).
  std::map<int32_t, TRtfStyle> FStyles;
  int32_t FEntryStyle = 0;
  int32_t FEntryOutline = -1;
  std::u16string FEntryStyleName;
  std::u16string FFieldInst;  // the instruction of the field being read
  // The sink and what it has been told.
  TKvWDocumentSink* FSink = nullptr;
  std::array<TSinkFrame, 2> FSinkFrames;
  std::vector<std::u16string> FSinkLinks;
  bool FSinkQuiet = false;      // text that is a note's number, which the sink is told otherwise
  bool FSinkNotePending = false;  // a note has begun; its reference is not yet told
  bool FSinkNoteOpen = false;
  uint32_t FSinkNotes = 0;
};

constexpr size_t MAX_FONTS = 16384;
constexpr size_t MAX_STYLES = 16384;
constexpr size_t MAX_STYLE_NAME = 256;
constexpr size_t MAX_FIELD_INST = 4096;
constexpr size_t MAX_LABEL = 64;

bool TRtfParser::Suppressed(const TRtfGroup& g) const {
  if (g.Hidden && !FOptions.HiddenText) return true;
  if (g.Deleted && FOptions.Revisions == rvAccept) return true;
  if (g.Inserted && FOptions.Revisions == rvReject) return true;
  return false;
}

const TRtfFont* TRtfParser::GroupFont(const TRtfGroup& g) const {
  const int32_t font = g.Font >= 0 ? g.Font : FDefaultFont;
  const auto it = FFonts.find(font);
  return it == FFonts.end() ? nullptr : &it->second;
}

void TRtfParser::SetDocCodePage(uint16_t CodePage, bool CharacterSet) {
  // A page that cannot be decoded gives Windows-1252 for a character set word and
  // leaves the page before in force for \ansicpg, as they always did; the bytes
  // read in its stead are noted when they are not plain ASCII.
  if (IsSupportedCodePage(CodePage)) {
    FDocCodePage = CodePage;
    FDocCodePageLost = 0;
  } else {
    if (CharacterSet) FDocCodePage = 1252;
    FDocCodePageLost = CodePage;
  }
}

uint16_t TRtfParser::GroupCodePage(const TRtfGroup& g) const {
  if (g.Dest == rdFontTable) {
    const uint16_t cp = FEntryCpg > 0 ? uint16_t(FEntryCpg) : CharsetCodePage(FEntryCharset);
    return cp == 0 || cp == 2 ? FDocCodePage : cp;
  }
  const TRtfFont* font = GroupFont(g);
  if (!font || font->CodePage == 0) return FDocCodePage;
  return font->CodePage;
}

void TRtfParser::FlushBytes() {
  if (FPending.empty()) return;
  if (FStack.empty()) {
    FPending.clear();
    return;
  }
  const TRtfGroup& g = Top();
  const TRtfFont* font = g.Dest == rdText ? GroupFont(g) : nullptr;
  if (font && font->Symbol) {
    std::u16string text;
    for (char b : FPending) text += SymbolFontText(font->Name, char16_t(uint8_t(b)));
    FPending.clear();
    Put(text);
    return;
  }
  uint16_t cp = GroupCodePage(g);
  if (!IsSupportedCodePage(cp)) {
    if (HasNonAsciiByte(FPending)) NoteUndecodableCodePage(cp);
    cp = 1252;
  } else if (cp == FDocCodePage && FDocCodePageLost != 0 && HasNonAsciiByte(FPending) &&
             !(g.Dest == rdText && GroupFont(g) && GroupFont(g)->CodePage != 0)) {
    NoteUndecodableCodePage(FDocCodePageLost);
  }
  std::u16string text = cp == 1252 ? AnsiToWide(FPending) : StringToWideStringEx(FPending, cp);
  FPending.clear();
  Put(text);
}

void TRtfParser::Put(std::u16string_view S) {
  if (S.empty()) return;
  TRtfGroup& g = Top();
  switch (g.Dest) {
    case rdText: {
      if (Suppressed(g)) return;
      std::u16string& story = FResult.Text[g.Story];
      if (FOptions.Revisions == rvMark) {
        const char16_t want = g.Inserted ? mkInsertStart : g.Deleted ? mkDeleteStart : 0;
        char16_t& open = FOpenRevision[g.Story];
        if (want != open) {
          if (open) story.push_back(mkRevisionEnd);
          if (want) story.push_back(want);
          open = want;
        }
      }
      // The document's own control characters are no text.
      const size_t before = story.size();
      for (char16_t c : S)
        if (!IsMarkCharacter(c)) story.push_back(c);
      if (Describes(g) && !FSinkQuiet) SinkText(g, std::u16string_view(story).substr(before));
      return;
    }
    case rdStyleSheet:
      for (char16_t c : S) {
        if (c == u';') {
          RegisterStyle();
        } else if (FEntryStyleName.size() < MAX_STYLE_NAME) {
          FEntryStyleName.push_back(c);
        }
      }
      return;
    case rdFieldInst:
      if (FFieldInst.size() + S.size() <= MAX_FIELD_INST) FFieldInst.append(S);
      return;
    case rdFontTable:
      for (char16_t c : S) {
        if (c == u';') {
          RegisterFont();
        } else if (FEntryName.size() < 256) {
          FEntryName.push_back(c);
        }
      }
      return;
    case rdInfoText:
      if (FInfoText.size() + S.size() <= 65536) FInfoText.append(S);
      return;
    default:
      return;
  }
}

void TRtfParser::PutMark(char16_t Mark) {
  FlushBytes();
  TRtfGroup& g = Top();
  if (g.Dest != rdText || Suppressed(g)) return;
  std::u16string& story = FResult.Text[g.Story];
  char16_t& open = FOpenRevision[g.Story];
  if (open && Mark != mkTab) {
    story.push_back(mkRevisionEnd);
    open = 0;
  }
  story.push_back(Mark);
  if (Describes(g)) SinkMark(g, Mark);
}

void TRtfParser::EndStoryParagraph(TRtfStory Story) {
  std::u16string& story = FResult.Text[Story];
  if (FOpenRevision[Story]) {
    story.push_back(mkRevisionEnd);
    FOpenRevision[Story] = 0;
  }
  if (story.empty()) return;
  const char16_t last = story.back();
  if (last != mkParagraph && last != mkRowEnd && last != mkCellEnd) story.push_back(mkParagraph);
}

void TRtfParser::OpenStory(TRtfGroup& g, TRtfStory Story) {
  g.Dest = rdText;
  if (g.Story == Story) return;
  g.Story = Story;
  g.OpensStory = true;
  // A story's text starts visible and unrevised whatever surrounds its anchor.
  g.Hidden = g.Deleted = g.Inserted = false;
  g.Link = 0;
  g.ListText = false;
  g.Style = 0;
  g.OutlineLevel = -1;
  g.InTable = false;
  g.Itap = 1;
  g.Ilvl = 0;
  // A note of the main text is described where it stands; other stories are not.
  if (FSink && g.SinkStory == 1 && Story == rsFootNote && !FSinkNotePending && !FSinkNoteOpen) {
    g.SinkStory = 2;
    FSinkNotePending = true;
    ++FSinkNotes;
    FSinkFrames[1] = TSinkFrame();
  } else {
    g.SinkStory = 0;
  }
}

void TRtfParser::RegisterFont() {
  if (FEntryFont >= 0 && (FFonts.size() < MAX_FONTS || FFonts.count(FEntryFont))) {
    TRtfFont font;
    const int32_t cp = FEntryCpg > 0 ? FEntryCpg : CharsetCodePage(FEntryCharset);
    font.Symbol = cp == 2 || IsSymbolFont(FEntryName);
    font.CodePage = cp == 2 ? 0 : uint16_t(cp);
    // Trailing blanks are no part of the name.
    while (!FEntryName.empty() && FEntryName.back() == u' ') FEntryName.pop_back();
    font.Name = FEntryName;
    if (!font.Symbol) font.Symbol = IsSymbolFont(font.Name);
    FFonts[FEntryFont] = std::move(font);
  }
  FEntryFont = -1;
  FEntryCharset = -1;
  FEntryCpg = 0;
  FEntryName.clear();
}

void TRtfParser::StoreInfoText(uint8_t Field) {
  TKvWordSummaryInformation* s = FOptions.Summary;
  if (!s) return;
  std::u16string& v = FInfoText;
  switch (Field) {
    case ifTitle: s->SetTitle(v); break;
    case ifSubject: s->SetSubject(v); break;
    case ifAuthor: s->SetAuthor(v); break;
    case ifManager: s->SetManager(v); break;
    case ifCompany: s->SetCompany(v); break;
    case ifOperator: s->SetLastAuthor(v); break;
    case ifCategory: s->SetCategory(v); break;
    case ifKeywords: s->SetKeywords(v); break;
    case ifComments: s->SetComments(v); break;
    default: break;
  }
}

void TRtfParser::StoreInfoDate(uint8_t Field) {
  TKvWordSummaryInformation* s = FOptions.Summary;
  if (!s) return;
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(FDate[0], FDate[1], FDate[2], date)) return;
  if (TryEncodeTime(FDate[3], FDate[4], FDate[5], 0, time)) date += time;
  switch (Field) {
    case ifCreated: s->SetCreated(date); break;
    case ifRevised: s->SetLastSaved(date); break;
    case ifPrinted: s->SetLastPrinted(date); break;
    default: break;
  }
}

void TRtfParser::OpenGroup() {
  FlushBytes();
  FSkipChars = 0;
  if (FOverflow > 0 || FStack.size() >= RTF_MAX_DEPTH) {
    ++FOverflow;
    FResult.DepthExceeded = true;
    return;
  }
  TRtfGroup g = Top();
  g.DestSet = false;
  g.OpensStory = false;
  if (g.Dest == rdInfoText || g.Dest == rdInfoDate) g.Dest = rdSkip;
  FStack.push_back(g);
}

void TRtfParser::CloseGroup() {
  FlushBytes();
  FSkipChars = 0;
  if (FOverflow > 0) {
    --FOverflow;
    return;
  }
  const TRtfGroup g = Top();
  FStack.pop_back();
  switch (g.Dest) {
    case rdFontTable:
      if (FEntryFont >= 0) RegisterFont();
      break;
    case rdInfoText:
      StoreInfoText(g.InfoField);
      break;
    case rdInfoDate:
      StoreInfoDate(g.InfoField);
      break;
    case rdStyleSheet:
      if (!FEntryStyleName.empty()) RegisterStyle();
      break;
    case rdFieldInst:
      if (!FStack.empty() && Top().Dest != rdFieldInst) EndFieldInst();
      break;
    default:
      break;
  }
  if (g.OpensStory) EndStoryParagraph(g.Story);
  if (g.OpensStory && g.SinkStory == 2) {
    // The note's end: its reference is told now if nothing in it was.
    SinkOpenNote(g);
    SinkCloseFrame(FSinkFrames[1]);
    FSink->EndNote();
    FSink->EndStory();
    FSinkNoteOpen = false;
  }
}

void TRtfParser::RegisterStyle() {
  if (FEntryStyle >= 0 && (FStyles.size() < MAX_STYLES || FStyles.count(FEntryStyle))) {
    TRtfStyle style;
    while (!FEntryStyleName.empty() && FEntryStyleName.back() == u' ') FEntryStyleName.pop_back();
    const size_t first = FEntryStyleName.find_first_not_of(u' ');
    style.Name = first == std::u16string::npos ? std::u16string() : FEntryStyleName.substr(first);
    style.OutlineLevel = FEntryOutline;
    FStyles[FEntryStyle] = std::move(style);
  }
  FEntryStyle = 0;
  FEntryOutline = -1;
  FEntryStyleName.clear();
}

// A HYPERLINK field's target becomes the link of the field's result; a link to a
// place in the document (\l) stays text.
void TRtfParser::EndFieldInst() {
  std::u16string_view inst = FFieldInst;
  auto skipBlanks = [&] {
    while (!inst.empty() && (inst.front() == u' ' || inst.front() == u'\t' || inst.front() == 0xA0))
      inst.remove_prefix(1);
  };
  skipBlanks();
  static constexpr std::u16string_view kHyperlink = u"HYPERLINK";
  if (inst.size() < kHyperlink.size()) return;
  for (size_t k = 0; k < kHyperlink.size(); ++k) {
    char16_t c = inst[k];
    if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
    if (c != kHyperlink[k]) return;
  }
  inst.remove_prefix(kHyperlink.size());
  std::u16string target;
  while (true) {
    skipBlanks();
    if (inst.empty()) break;
    if (inst.front() == u'\\') {
      // A switch: \l names a bookmark (a place in the document when no file is
      // named); the others (\o "tip", \t "frame") take an argument.
      const bool bookmark = inst.size() > 1 && (inst[1] == u'l' || inst[1] == u'L');
      if (bookmark && target.empty()) return;
      inst.remove_prefix(std::min<size_t>(2, inst.size()));
      skipBlanks();
      if (!inst.empty() && inst.front() == u'"') {
        const size_t close = inst.find(u'"', 1);
        inst.remove_prefix(close == std::u16string_view::npos ? inst.size() : close + 1);
      }
      continue;
    }
    if (!target.empty()) break;
    if (inst.front() == u'"') {
      const size_t close = inst.find(u'"', 1);
      target = std::u16string(inst.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
      inst.remove_prefix(close == std::u16string_view::npos ? inst.size() : close + 1);
    } else {
      size_t end = 0;
      while (end < inst.size() && inst[end] != u' ' && inst[end] != u'\t') ++end;
      target = std::u16string(inst.substr(0, end));
      inst.remove_prefix(end);
    }
    if (target.empty()) break;
  }
  // Blanks around the target are no part of it.
  while (!target.empty() && target.back() == u' ') target.pop_back();
  const size_t first = target.find_first_not_of(u' ');
  if (first == std::u16string::npos) return;
  FSinkLinks.push_back(target.substr(first));
  Top().Link = uint32_t(FSinkLinks.size());
}

void TRtfParser::SinkOpenNote(const TRtfGroup& g) {
  if (!FSinkNotePending) return;
  FSinkNotePending = false;
  FSinkNoteOpen = true;
  const TKvWNoteKind kind = g.Story == rsEndNote ? nkEndnote : nkFootnote;
  const std::u16string id = Utf8ToWide(std::to_string(FSinkNotes));
  TSinkFrame& main = FSinkFrames[0];
  if (!main.Paragraph) {
    FSink->BeginParagraph({});
    main.Paragraph = true;
    main.Key = TKvWRunKey();
  }
  SinkFlushRun(main);
  FSink->NoteReference(kind, id, id);
  FSink->BeginStory(kind == nkEndnote ? skEndnotes : skFootnotes, {});
  FSink->BeginNote(kind, id);
}

void TRtfParser::SinkText(const TRtfGroup& g, std::u16string_view S) {
  if (S.empty()) return;
  TSinkFrame& f = Frame(g);
  if (g.ListText) {
    f.Label.append(S);
    return;
  }
  if (g.SinkStory == 2) SinkOpenNote(g);
  if (!f.Paragraph) SinkBeginParagraph(f, g);
  TKvWRunKey key;
  key.Bold = g.Bold;
  key.Italic = g.Italic;
  key.Strike = g.Strike;
  if (FOptions.Revisions == rvMark) {
    key.Inserted = g.Inserted;
    key.Deleted = g.Deleted;
  }
  key.Link = g.Link;
  if (!(key == f.Key)) {
    SinkFlushRun(f);
    f.Key = key;
  }
  f.Run.append(S);
}

void TRtfParser::SinkMark(const TRtfGroup& g, char16_t Mark) {
  TSinkFrame& f = Frame(g);
  if (g.ListText) return;  // what follows a label (its tab) is no part of it
  switch (Mark) {
    case mkTab:
      SinkText(g, u"\t");
      return;
    case mkLineBreak:
      if (!f.Paragraph) return;
      SinkFlushRun(f);
      FSink->Break(bkLine);
      return;
    case mkParagraph:
      if (g.SinkStory == 2) SinkOpenNote(g);
      SinkEndParagraph(f);
      return;
    default:
      return;
  }
}

// A cell's or a row's end. The depth of a nested table's marks is at least 2.
void TRtfParser::SinkTableMark(const TRtfGroup& g, bool Row, bool Nested) {
  if (g.SinkStory == 2) SinkOpenNote(g);
  TSinkFrame& f = Frame(g);
  SinkEndParagraph(f);
  int32_t depth = g.InTable ? std::clamp(g.Itap, 1, RTF_MAX_TABLE_DEPTH) : 1;
  if (Nested) depth = std::max(depth, std::min(2, RTF_MAX_TABLE_DEPTH));
  if (!Row) {
    SinkTables(f, depth);
    f.Levels[size_t(f.Tables - 1)].CellOpen = false;
    FSink->EndCell();
    return;
  }
  // A row ends the row of its own table; tables opened inside it end with it.
  if (f.Tables == 0) return;
  depth = Nested ? std::min(depth, f.Tables) : 1;
  while (f.Tables > depth) {
    TSinkTableLevel& level = f.Levels[size_t(f.Tables - 1)];
    if (level.CellOpen) FSink->EndCell();
    if (level.RowOpen) FSink->EndRow();
    FSink->EndTable();
    --f.Tables;
  }
  TSinkTableLevel& level = f.Levels[size_t(f.Tables - 1)];
  if (level.CellOpen) FSink->EndCell();
  if (level.RowOpen) FSink->EndRow();
  level = TSinkTableLevel();
}

// Opens and closes tables until Depth are open, with a row and a cell open in
// the innermost (none when Depth is 0).
void TRtfParser::SinkTables(TSinkFrame& f, int32_t Depth) {
  while (f.Tables > Depth) {
    TSinkTableLevel& level = f.Levels[size_t(f.Tables - 1)];
    if (level.CellOpen) FSink->EndCell();
    if (level.RowOpen) FSink->EndRow();
    FSink->EndTable();
    --f.Tables;
  }
  for (int32_t k = 0; k < Depth; ++k) {
    if (k == f.Tables) {
      FSink->BeginTable();
      f.Levels[size_t(k)] = TSinkTableLevel();
      ++f.Tables;
    }
    TSinkTableLevel& level = f.Levels[size_t(k)];
    if (!level.RowOpen) {
      FSink->BeginRow();
      level.RowOpen = true;
    }
    if (!level.CellOpen) {
      FSink->BeginCell(TKvWCellInfo());
      level.CellOpen = true;
    }
  }
}

void TRtfParser::SinkBeginParagraph(TSinkFrame& f, const TRtfGroup& g) {
  SinkTables(f, g.InTable ? std::clamp(g.Itap, 1, RTF_MAX_TABLE_DEPTH) : 0);
  TKvWParagraphInfo info;
  const auto style = FStyles.find(g.Style);
  if (style != FStyles.end()) {
    info.Style = style->second.Name;
    static constexpr std::u16string_view kTitle = u"title";
    const std::u16string& name = style->second.Name;
    info.Title = name.size() == kTitle.size() &&
                 std::equal(name.begin(), name.end(), kTitle.begin(), [](char16_t a, char16_t b) {
                   return (a >= u'A' && a <= u'Z' ? char16_t(a + 32) : a) == b;
                 });
  }
  // The paragraph's own outline level, else its style's, else the built-in
  // heading style's name.
  int32_t level = g.OutlineLevel;
  if (level < 0 && style != FStyles.end()) level = style->second.OutlineLevel;
  if (level < 0) level = HeadingLevelOfStyleName(info.Style);
  info.OutlineLevel = level >= 1 && level <= 9 ? level : 0;
  std::u16string text;
  const size_t first = f.Label.find_first_not_of(u" \t\u00A0");
  const size_t last = f.Label.find_last_not_of(u" \t\u00A0");
  const std::u16string label = first == std::u16string::npos ? std::u16string() : f.Label.substr(first, last - first + 1);
  f.Label.clear();
  // A label too long to be one is the text's start.
  const TKvWListLabelKind kind = label.size() <= MAX_LABEL ? ClassifyListLabel(label) : TKvWListLabelKind();
  if (!label.empty() && kind.Kind != lkNone) {
    info.ListLabel = label;
    info.ListLevel = std::clamp(g.Ilvl, 0, 8);
    info.ListKind = kind.Kind;
    info.ListNumber = kind.Number;
    info.ListDelimiter = kind.Delimiter;
  } else {
    text = label;  // a label that is none: the text's start
  }
  FSink->BeginParagraph(info);
  f.Paragraph = true;
  f.Key = TKvWRunKey();
  f.Run = std::move(text);
}

void TRtfParser::SinkFlushRun(TSinkFrame& f) {
  if (f.Run.empty()) return;
  FSink->Text(f.Run, f.Key.Info(FSinkLinks));
  f.Run.clear();
}

void TRtfParser::SinkEndParagraph(TSinkFrame& f) {
  if (!f.Paragraph && !f.Label.empty()) {
    // A label without text after it: a paragraph of its own.
    std::u16string label = std::move(f.Label);
    f.Label.clear();
    FSink->BeginParagraph({});
    FSink->Text(label, {});
    FSink->EndParagraph();
    return;
  }
  if (!f.Paragraph) return;
  SinkFlushRun(f);
  FSink->EndParagraph();
  f.Paragraph = false;
}

void TRtfParser::SinkCloseFrame(TSinkFrame& f) {
  SinkEndParagraph(f);
  SinkTables(f, 0);
}

void TRtfParser::ControlSymbol(char c) {
  switch (c) {
    case '\\': case '{': case '}':
      AddByte(uint8_t(c));
      return;
    case '~':
      FlushBytes();
      PutChar(0x00A0);
      return;
    case '_':
      FlushBytes();
      PutChar(0x2011);
      return;
    case '\r': case '\n':
      PutMark(mkParagraph);
      return;
    case '\t':
      PutMark(mkTab);
      return;
    case '*':
      return;  // handled by the caller
    default:
      FlushBytes();  // \- (optional hyphen), \: and \| leave no text
      return;
  }
}

void TRtfParser::ControlWord(std::string_view Name, bool HasParam, int32_t Param, bool Starred) {
  const auto& table = WordTable();
  const auto it = table.find(Name);
  const TWordInfo info = it == table.end() ? TWordInfo{} : it->second;
  TRtfGroup& g = Top();
  const bool first = !g.DestSet;
  g.DestSet = true;
  FlushBytes();
  const bool on = !HasParam || Param != 0;
  switch (info.Word) {
    case cwUnknown:
      // An unknown destination marked ignorable is skipped with its content.
      if (Starred && first) g.Dest = rdSkip;
      return;
    case cwSkipDest:
      g.Dest = rdSkip;
      return;
    case cwFontTable:
      g.Dest = rdFontTable;
      FEntryFont = -1;
      return;
    case cwInfo:
      g.Dest = rdInfo;
      return;
    case cwInfoText:
    case cwInfoDate:
      if (g.Dest != rdInfo) {
        // A \title or a date outside the information group is none of its fields.
        if (Starred || info.Word == cwInfoDate) g.Dest = rdSkip;
        return;
      }
      g.Dest = info.Word == cwInfoText ? rdInfoText : rdInfoDate;
      g.InfoField = uint8_t(info.Value);
      FInfoText.clear();
      std::fill(std::begin(FDate), std::end(FDate), 0);
      return;
    case cwFootNote:
      if (g.Dest == rdText) OpenStory(g, rsFootNote);
      return;
    case cwHeader:
    case cwFooter:
    case cwAnnotation:
    case cwTextBox:
      if (g.Dest == rdText) OpenStory(g, TRtfStory(info.Value));
      else g.Dest = rdSkip;
      return;
    case cwFtnAlt:
      if (g.Dest == rdText && g.Story == rsFootNote && g.OpensStory) g.Story = rsEndNote;
      return;
    case cwListText:
      if (!FOptions.ShownView) g.Dest = rdSkip;
      else g.ListText = true;
      return;
    case cwStyleSheet:
      g.Dest = FSink ? rdStyleSheet : rdSkip;
      FEntryStyle = 0;
      FEntryOutline = -1;
      FEntryStyleName.clear();
      return;
    case cwFieldInst:
      g.Dest = Describes(g) && g.Dest == rdText ? rdFieldInst : rdSkip;
      FFieldInst.clear();
      return;
    case cwNoNestTables:
      g.SinkMute = true;
      return;
    case cwBold: g.Bold = on; return;
    case cwItalic: g.Italic = on; return;
    case cwStrike: g.Strike = on; return;
    case cwPard:
      g.Style = 0;
      g.OutlineLevel = -1;
      g.InTable = false;
      g.Itap = 1;
      g.Ilvl = 0;
      return;
    case cwStyle:
      if (g.Dest == rdStyleSheet) FEntryStyle = HasParam ? Param : 0;
      else g.Style = HasParam ? Param : 0;
      return;
    case cwOutlineLevel: {
      // \outlinelevel0 is the first level; 9 and beyond are body text.
      const int32_t level = HasParam && Param >= 0 && Param < 9 ? Param + 1 : 0;
      if (g.Dest == rdStyleSheet) FEntryOutline = level;
      else g.OutlineLevel = level;
      return;
    }
    case cwInTable: g.InTable = on; return;
    case cwItap:
      g.Itap = HasParam ? Param : 1;
      if (g.Itap == 0) g.InTable = false;
      return;
    case cwIlvl: g.Ilvl = HasParam ? Param : 0; return;
    case cwFieldResult:
    case cwTransparent:
      return;
    case cwUpr:
    case cwObject:
      if (g.Dest == rdText) {
        // Only the Unicode twin (\ud) or the object's result is read.
        g.Dest = rdSkip;
        g.InfoField = 1;
      }
      return;
    case cwUd:
    case cwObjectResult:
      if (g.Dest == rdSkip && g.InfoField == 1) g.Dest = rdText;
      return;
    case cwPar: PutMark(mkParagraph); return;
    case cwLine: PutMark(mkLineBreak); return;
    case cwTab:
      if (g.Dest == rdText) PutMark(mkTab);
      return;
    case cwCell:
    case cwRow:
      PutMark(info.Word == cwCell ? mkCellEnd : mkRowEnd);
      if (g.Dest == rdText && !Suppressed(g) && Describes(g)) SinkTableMark(g, info.Word == cwRow, info.Value != 0);
      return;
    case cwSect:
      if (g.Dest == rdText && !Suppressed(g)) {
        EndStoryParagraph(g.Story);
        if (Describes(g)) SinkEndParagraph(Frame(g));
      }
      return;
    case cwChar: PutChar(char16_t(info.Value)); return;
    case cwNoteMark:
      if (!FOptions.ShownView || g.Dest != rdText) return;
      // The anchor's number; the note that follows shows the same.
      if (g.Story == rsMain) ++FNoteNumber;
      // A sink is told of the note's reference where the note stands.
      FSinkQuiet = true;
      Put(Utf8ToWide(std::to_string(std::max<uint32_t>(FNoteNumber, 1))));
      FSinkQuiet = false;
      return;
    case cwU: {
      // A value outside the 16 bits is no character.
      char16_t c = 0xFFFD;
      if (HasParam && Param >= -32768 && Param <= 65535) c = char16_t(Param < 0 ? Param + 65536 : Param);
      const TRtfFont* font = g.Dest == rdText ? GroupFont(g) : nullptr;
      if (font && font->Symbol && c >= 0xF020 && c <= 0xF0FF) Put(SymbolFontText(font->Name, c));
      else PutChar(c);
      FSkipChars = g.Uc;
      return;
    }
    case cwUc:
      g.Uc = HasParam ? uint32_t(std::clamp(Param, 0, 64)) : 1;
      return;
    case cwBin:
      break;  // skipped by the caller
    case cwFont:
      if (!HasParam) return;
      if (g.Dest == rdFontTable) {
        if (FEntryFont >= 0) RegisterFont();
        FEntryFont = Param < 0 ? -1 : Param;
      } else {
        g.Font = Param;
      }
      return;
    case cwDefFont:
      if (HasParam) FDefaultFont = Param;
      return;
    case cwAnsiCpg:
      if (HasParam && Param > 0 && Param < 65536) SetDocCodePage(uint16_t(Param), false);
      return;
    case cwAnsi: SetDocCodePage(1252, true); return;
    case cwMac: SetDocCodePage(10000, true); return;
    case cwPc: SetDocCodePage(437, true); return;
    case cwPca: SetDocCodePage(850, true); return;
    case cwCharset:
      if (g.Dest == rdFontTable && HasParam) FEntryCharset = Param;
      return;
    case cwCpg:
      if (g.Dest == rdFontTable && HasParam && Param > 0 && Param < 65536 && IsSupportedCodePage(uint16_t(Param)))
        FEntryCpg = Param;
      return;
    case cwPlain:
      g.Hidden = g.Deleted = g.Inserted = false;
      g.Bold = g.Italic = g.Strike = false;
      g.Font = -1;
      return;
    case cwHidden: g.Hidden = on; return;
    case cwDeleted: g.Deleted = on; return;
    case cwRevised: g.Inserted = on; return;
    case cwYr: case cwMo: case cwDy: case cwHr: case cwMin: case cwSec:
      if (g.Dest == rdInfoDate && HasParam) FDate[info.Word - cwYr] = Param;
      return;
    case cwVersion: case cwEdMins: case cwNofPages: case cwNofWords: case cwNofChars: case cwNofCharsWs: {
      TKvWordSummaryInformation* s = FOptions.Summary;
      if (!s || g.Dest != rdInfo || !HasParam) return;
      if (info.Word == cwVersion) s->SetRevNumber(Utf8ToWide(std::to_string(Param)));
      else if (info.Word == cwEdMins) s->SetEditTime(Param);
      else if (info.Word == cwNofPages) s->SetPageCount(Param);
      else if (info.Word == cwNofWords) s->SetWordCount(Param);
      else if (info.Word == cwNofChars) s->SetCharCount(Param);
      else s->SetCharCount2(Param);
      return;
    }
    default:
      return;
  }
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

TRtfStories TRtfParser::Run() {
  FStack.reserve(64);
  const size_t n = FIn.size();
  const char* s = FIn.data();
  // Everything before the first brace is no part of the document.
  while (FPos < n && s[FPos] != '{') ++FPos;
  if (FPos == n) return std::move(FResult);
  ++FPos;
  FStack.push_back(TRtfGroup{});
  if (FSink) FStack.back().SinkStory = 1;
  bool starred = false;
  while (FPos < n) {
    const char c = s[FPos];
    if (c == '{') {
      ++FPos;
      OpenGroup();
      starred = false;
      continue;
    }
    if (c == '}') {
      ++FPos;
      CloseGroup();
      starred = false;
      if (FStack.empty()) break;  // the document's last brace
      continue;
    }
    if (FOverflow > 0) {
      // Inside groups beyond the bound only braces count; a control word's
      // backslash may still escape one.
      FPos += c == '\\' && FPos + 1 < n ? 2 : 1;
      continue;
    }
    if (c == '\\') {
      if (FPos + 1 >= n) {
        ++FPos;
        break;
      }
      const char d = s[FPos + 1];
      if (IsLetter(d)) {
        size_t p = FPos + 1;
        const size_t nameStart = p;
        while (p < n && IsLetter(s[p]) && p - nameStart < 32) ++p;
        while (p < n && IsLetter(s[p])) ++p;  // an overlong name is cut, its rest ignored
        const std::string_view name(s + nameStart, std::min<size_t>(p - nameStart, 32));
        bool hasParam = false;
        bool negative = false;
        int64_t param = 0;
        if (p < n && s[p] == '-' && p + 1 < n && IsDigit(s[p + 1])) {
          negative = true;
          ++p;
        }
        size_t digits = 0;
        while (p < n && IsDigit(s[p])) {
          if (digits < 10) param = param * 10 + (s[p] - '0');
          ++digits;
          ++p;
          hasParam = true;
        }
        if (negative) param = -param;
        param = std::clamp<int64_t>(param, INT32_MIN, INT32_MAX);
        if (p < n && s[p] == ' ') ++p;  // the delimiting blank belongs to the word
        FPos = p;
        if (name == "bin") {
          // Binary data: so many bytes, whatever they are.
          FlushBytes();
          const uint64_t count = hasParam && param > 0 ? uint64_t(param) : 0;
          FPos += size_t(std::min<uint64_t>(count, n - FPos));
          if (FSkipChars > 0) --FSkipChars;
          starred = false;
          continue;
        }
        if (FSkipChars > 0) {
          --FSkipChars;
          starred = false;
          continue;
        }
        ControlWord(name, hasParam, int32_t(param), starred);
        starred = false;
        continue;
      }
      if (d == '\'') {
        FPos += 2;
        int value = -1;
        if (FPos + 2 <= n) {
          const int hi = HexValue(s[FPos]), lo = HexValue(s[FPos + 1]);
          if (hi >= 0 && lo >= 0) {
            value = hi * 16 + lo;
            FPos += 2;
          }
        }
        if (FSkipChars > 0) {
          --FSkipChars;
          continue;
        }
        if (value >= 0) AddByte(uint8_t(value));
        continue;
      }
      FPos += 2;
      if (d == '*') {
        starred = true;
        continue;
      }
      if (FSkipChars > 0) {
        --FSkipChars;
        continue;
      }
      ControlSymbol(d);
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++FPos;
      continue;
    }
    if (c == '\t') {
      ++FPos;
      if (FSkipChars > 0) {
        --FSkipChars;
        continue;
      }
      PutMark(mkTab);
      continue;
    }
    // A run of text bytes.
    size_t end = FPos;
    while (end < n && s[end] != '{' && s[end] != '}' && s[end] != '\\' && s[end] != '\r' && s[end] != '\n' &&
           s[end] != '\t')
      ++end;
    size_t start = FPos;
    FPos = end;
    if (FSkipChars > 0) {
      const size_t skip = std::min<size_t>(FSkipChars, end - start);
      FSkipChars -= uint32_t(skip);
      start += skip;
    }
    const TRtfGroup& g = Top();
    if (g.Dest == rdSkip || g.Dest == rdInfo || start == end) continue;
    // Plain ASCII in a single-byte code page goes straight to the story.
    if (g.Dest == rdText && FPending.empty() && !Suppressed(g) && FOptions.Revisions != rvMark &&
        !IsDoubleByteCodePage(GroupCodePage(g))) {
      const TRtfFont* font = GroupFont(g);
      if (!font || !font->Symbol) {
        std::u16string& story = FResult.Text[g.Story];
        const size_t before = story.size();
        size_t k = start;
        for (; k < end; ++k) {
          const unsigned char b = static_cast<unsigned char>(s[k]);
          if (b >= 0x80) break;
          if (b >= 0x20) story.push_back(char16_t(b));
        }
        start = k;
        if (Describes(g)) SinkText(g, std::u16string_view(story).substr(before));
      }
    }
    for (size_t k = start; k < end; ++k) AddByte(static_cast<unsigned char>(s[k]));
  }
  // A file that ends inside its groups keeps what it has said so far.
  FlushBytes();
  FResult.Truncated = !FStack.empty();
  FOverflow = 0;
  while (!FStack.empty()) CloseGroup();
  EndStoryParagraph(rsMain);
  if (FSink) SinkCloseFrame(FSinkFrames[0]);
  return std::move(FResult);
}

}  // namespace

bool IsRtfStart(std::string_view Bytes) {
  size_t i = 0;
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
  while (i < Bytes.size() && i < 4096 && (Bytes[i] == ' ' || Bytes[i] == '\t' || Bytes[i] == '\r' || Bytes[i] == '\n'))
    ++i;
  return Bytes.substr(i, 5) == "{\\rtf";
}

TRtfStories ReadRtfStories(std::string_view Bytes, const TRtfReadOptions& Options) {
  TRtfParser parser(Bytes, Options);
  return parser.Run();
}

std::u16string ReadRtfInto(TMSCustomWordDocument& Document, std::string_view Bytes) {
  TRtfReadOptions options;
  options.HiddenText = Document.ParseItems().Contains(wpiHiddenText);
  options.ShownView = Document.View() == vwShown;
  options.Revisions = Document.EffectiveRevisions();
  TRtfStories stories = ReadRtfStories(Bytes, options);
  auto side = [&](TRtfStory Story, TWideStrings* List) {
    if (stories.Text[Story].empty()) return;
    std::u16string text;
    AppendMarkedText(text, stories.Text[Story], Document.TextFormating());
    Document.AddText(std::move(text), List);
  };
  side(rsFootNote, Document.FootNoteText());
  side(rsHeader, Document.HeaderText());
  side(rsFooter, Document.FooterText());
  side(rsAnnotation, Document.AnnotationText());
  side(rsEndNote, Document.EndNoteText());
  side(rsTextBox, Document.TextBoxText());
  return std::move(stories.Text[rsMain]);
}

}  // namespace msword
