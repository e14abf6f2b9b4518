// TMSWordDocument: the reader of binary Word documents (".doc": Word 97-2003,
// Word 6/95 in compound files, and the oldest plain Word files).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "msword/base/CustomWordDocument.h"
#include "msword/doc/FIB.h"
#include "msword/doc/FormattedDiskPage.h"
#include "msword/doc/Formatting.h"
#include "msword/doc/PieceTable.h"
#include "msword/vba/VBAProject.h"

namespace msword {

class TStream;
namespace storage {
class TStorage;
}

// Lets the host supply the document language that decides the code page of 8-bit text.
using TMSWordGetDefaultLanguage = std::function<void(TObject* Sender, uint16_t& DocLang)>;

// The kind of field whose instruction text S is: the first keyword of the field table
// that S starts with (compared in ASCII upper case), or scUnknown.
TKvWordSysChar GetSysCharByCode(std::u16string_view S);

class TShownTextReader;
class TKvWDocumentKey;

class TMSWordDocument : public TMSCustomWordDocument {
 public:
  explicit TMSWordDocument(TComponent* AOwner);
  ~TMSWordDocument() override;

  // The File Information Block and the piece table of the last document read.
  TFIB FIB;
  TCLX CLX;

  void ClearInternalLists() override;
  // Converts the special characters and fields of Value into text of the chosen
  // format, reporting each to OnConvertSysChar, and appends the result to List as one
  // entry (also when it is empty).
  void AddText(std::u16string Value, TWideStrings* List) override;
  // The room beyond a text of Length characters that AddText converts it in
  // without moving it elsewhere: a caller that reserves it spares a copy.
  static constexpr size_t AddTextRoom(size_t Length) { return Length / 16 + 64; }
  void LoadFromStream(TStream* Stream) override;
  void LoadFromFile(const std::u16string& AFileName) override;
  bool IsPasswordProtected() override;
  // The shown view of Word 6 and later describes the document to a sink.
  bool DescribesDocument() const override { return FDescribed; }

  // Visits the elements of an opened compound file in directory order: the
  // "Macros" storage (with wpiVBA), the "WordDocument" stream with the table stream
  // its FIB names, and the two property sets (with wpiSummaryInformation). A
  // property set that ends before a value it announces ends the visit.
  void LoadIStorage(storage::TStorage* Storage);
  // Reads one main document stream (offset 0 is its start) with its table stream
  // and its data stream (each may be null); see ReadDocStreams.
  void ReadDocFromStream(TStream* Stream, TStream* TableStream, TStream* DataStream = nullptr);
  // Reads a protected main document stream with Password(): decrypted copies of it
  // and of its table stream go through ReadDocFromStream. A password that does not
  // open the document raises strWrongPassword; an encryption header that cannot be
  // right, strFileIsDamaged. Returns the RC4 key (none for XOR obfuscation), which
  // also opens the encrypted property sets.
  std::shared_ptr<const TKvWDocumentKey> ReadProtectedDoc(TStream& Main, TStream* TableStream);
  // Reads the property sets RC4 through CryptoAPI keeps in the stream "encryption".
  // A stream that does not decrypt to property sets costs the properties, never
  // the text.
  void ReadEncryptedSummary(storage::TStorage& Storage, std::u16string_view StreamName,
                            const TKvWDocumentKey& Key);
  // For the name of a property-set stream ("\005SummaryInformation",
  // "\005DocumentSummaryInformation", in any ASCII case), whether it is the document
  // summary set; nothing for any other name.
  static std::optional<bool> SummaryStreamKind(std::u16string_view Name);

  // Fills VBAProject() from the "PROJECT" stream and VBAProjectItems from the
  // "_VBA_PROJECT" cache found anywhere under Storage.
  void LoadVBA(storage::TStorage* Storage);
  // Decompresses the source of every module whose stream lies under Storage into
  // its item's Body.
  void DecompressMacros(storage::TStorage* Storage);
  // Appends every module source that is not empty, between comment lines, to
  // MacroText().
  void AddMacroText();

  // Reads one main document stream and its table stream (may be null): the FIB,
  // refusing an encrypted document; then, when wpiText is asked for, the piece table,
  // the framed main text into Text() and the side texts into their lists. The data
  // stream (may be null) gives the shown view the values of form fields.
  void ReadDocStreams(TStream* Stream, TStream* TableStream, TStream* DataStream = nullptr);

  // Reads the FIB from offset 0 of Stream and sets DocVersion; a stream shorter than
  // the header raises "Stream read error".
  void ReadFIB(TStream* Stream);
  // Reads the piece table from TableStream (null: none), or makes the fallback piece.
  void ReadCLX(TStream* TableStream);
  uint32_t GetNormFC(uint32_t fc, uint32_t& Flag) const { return msword::GetNormFC(fc, Flag); }
  int32_t GetPieceBoundsFC(uint32_t& StartFC, uint32_t& EndFC, uint32_t Index) const {
    return msword::GetPieceBoundsFC(CLX, StartFC, EndFC, Index);
  }
  // Reads every piece of the main document stream, hands the text to AddText with
  // Text() as the target and frames it with the start and finish texts.
  void ReadSimpleText(TStream* Stream);
  // The shown view of one main document stream (generations 5 to 8): the formatting
  // layer is read, the main story framed into Text() and the side stories into their
  // lists, one entry per paragraph.
  void ReadShownText(TStream* Stream, TStream* TableStream, TStream* DataStream = nullptr);
  // The formatting layer of the last document read in the shown view (null before).
  const TFormatting* Formatting() const { return FFormatting.get(); }

  // Where tracked changes are marked (rvMark), the shown text carries these
  // noncharacters around inserted and deleted runs; AddText turns them into the
  // marks of the chosen format.
  static constexpr char16_t chInsertedBegin = 0xFDD0, chInsertedEnd = 0xFDD1;
  static constexpr char16_t chDeletedBegin = 0xFDD2, chDeletedEnd = 0xFDD3;

  // Reads the footnote, header, annotation, endnote and text-box stories into their
  // lists, one AddText call per non-empty story; CodePage decodes 8-bit text of the
  // generations before Word 97.
  void ReadSideTexts(TStream* Stream, uint16_t CodePage);

  // The output for one character of the text being converted; IsLast says it is the
  // last one, NextChar holds the one after it (0 when last) and may be changed.
  std::u16string ProcessSysCharacter(char16_t AChar, bool IsLast, char16_t& NextChar);

  // The Windows code page of the document's 8-bit text, from its language (which the
  // OnGetDefaultLanguage handler may replace); 0 stands for the ANSI code page. A
  // Word 6 or 95 file last saved on a Macintosh gets the Mac page of the language's
  // script (10000 Mac Roman, 10007 Mac Cyrillic, ...) where the reader holds one.
  uint16_t DocLangToCodePage();

  bool IsComplexDocument() const { return FIBIsComplex(FIB); }
  bool IsUseTableStream() const { return FIBUsesTableStream(FIB); }
  bool IsFarEastDocument() const { return FIBIsFarEast(FIB); }

  // The format generation of the last FIB read (0, 2, 5, 6, 7 or 8); 0 before any.
  int32_t DocVersion() const { return FDocVersion; }
  void SetDocVersion(int32_t Value) { FDocVersion = Value; }
  const TMSWordGetDefaultLanguage& OnGetDefaultLanguage() const { return FOnGetDefaultLanguage; }
  void SetOnGetDefaultLanguage(TMSWordGetDefaultLanguage Value) { FOnGetDefaultLanguage = std::move(Value); }

 protected:
  const char* ClassName() const override { return "TMSWordDocument"; }

  uint32_t wvCHPX_pn_previous = 0;
  TCHPX_FKP wvCHPX_FKP_previous;
  int32_t FDocVersion = 0;
  std::u16string FLastFieldCode;  // the converted text of the open field, from its begin mark
  int32_t intFieldCodeLen = 0;    // non-empty outputs collected in FLastFieldCode
  TMSWordGetDefaultLanguage FOnGetDefaultLanguage;
  uint32_t PAPX_pn_previous = 0;
  TPAPX_FKP PAPX_FKP_previous;

 private:
  friend class TShownTextReader;
  std::unique_ptr<TFormatting> FFormatting;
  bool FMarkRevisions = false;  // AddText turns the revision marks into text
  bool FShowBreaks = false;     // AddText starts a line at page, column and section breaks
  bool FDescribed = false;      // the last document read was described to the document sink

  // Appends the output of AChar to Dest; returns how many characters it appended.
  size_t AppendSysCharacter(char16_t AChar, bool IsLast, char16_t& NextChar, std::u16string& Dest);
  // Closes the open field (if any) at its end mark; appends its output to Dest.
  size_t AppendFieldEnd(std::u16string& Dest);
  // Abandons the open field: U+2013 and its collected text go to Dest.
  void FinishFieldCode(std::u16string& Dest);
  // Calls OnConvertSysChar when assigned.
  void ReportSysChar(TKvWordSysChar SysChar, std::u16string_view Value, std::u16string& Result);
  // Reads a Write or Word for DOS file (whose header is no FIB) as one 8-bit run;
  // false when Stream holds another kind of file.
  bool ReadWriteText(TStream& Stream);
  // Generations 0 and 2: the text from fcMin to fcMac as one 8-bit run.
  void ReadOneRun(TStream& Stream, uint16_t CodePage);
  // The shown text of a Word for Windows 2 document's characters.
  static std::u16string ShownWord2Text(std::u16string Text, uint16_t CodePage);
  // The characters of the story positions [First, Lim), as far as the text covers them.
  std::u16string ReadStory(TStream& Stream, uint64_t First, uint64_t Lim, uint16_t CodePage);
};

}  // namespace msword
