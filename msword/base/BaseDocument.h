// TMSWBaseDocument: the base of every document reader. It owns the main text,
// holds the settings every reader honours, carries the load and text events, and
// frames extracted text as plain text, RTF or HTML.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "msword/base/Classes.h"
#include "msword/base/DateTime.h"
#include "msword/base/DocumentBudget.h"
#include "msword/base/WideStrings.h"

namespace msword {

class TStream;

enum TMSTextFormating : uint8_t { tfPlainText = 0, tfRTF = 1, tfHTML = 2 };

enum TKvWParseItem : uint8_t {
  wpiText = 0, wpiVBA, wpiPictures, wpiSummaryInformation, wpiHiddenText };

class TKvWParseItems {  // a set of parse items; bit n is the item of ordinal n
 public:
  constexpr TKvWParseItems() = default;
  constexpr TKvWParseItems(std::initializer_list<TKvWParseItem> items) {
    for (TKvWParseItem item : items) FBits = uint8_t(FBits | 1u << item);
  }
  static constexpr TKvWParseItems FromBits(uint8_t Bits) {
    TKvWParseItems items;
    items.FBits = Bits;
    return items;
  }
  constexpr bool Contains(TKvWParseItem item) const { return (FBits >> item) & 1u; }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr void Include(TKvWParseItem item) { FBits = uint8_t(FBits | 1u << item); }
  constexpr void Exclude(TKvWParseItem item) { FBits = uint8_t(FBits & ~(1u << item)); }
  constexpr bool operator==(const TKvWParseItems&) const = default;

 private:
  uint8_t FBits = 0;
};
static_assert(TKvWParseItems{wpiText, wpiSummaryInformation}.Bits() == 9);

enum TKvWordSysChar : uint8_t {
  scUnknown = 0, scRowEnd, scColumnEnd, scParagraphEnd, scFieldBegin, scFieldMiddle,
  scFieldEnd, scTime, scDateTimePicture, scHyperlink, scTOC, scTOC_From_Range, scPage,
  scNumPages, scEmbed, scEditTime, scSpeicherdat, scDateIName, scTextField,
  scFieldAttributes, scIncludePicture, scEndOfPage };
static_assert(scEndOfPage == 21);

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMSWTextChange = std::function<void(TObject* Sender, std::u16string& AText)>;
using TMSWordConvertSysCharEvent = std::function<void(
    TObject* Sender, TKvWordSysChar SysChar, std::u16string Value, std::u16string& Result)>;

// The 12-byte header an OLE-container stream may start with.
struct TStreamHeader {
  int32_t Signature = 0;   // 0 "BDOC"
  int32_t DrawAspect = 0;  // 4 not interpreted
  int32_t DataSize = 0;    // 8 not interpreted
};
inline constexpr int32_t OLEStreamSignature = 0x434F4442;  // "BDOC"

class TMSWBaseDocument : public TComponent {
 public:
  explicit TMSWBaseDocument(TComponent* AOwner);
  ~TMSWBaseDocument() override;

  // Published properties.
  const std::u16string& About() const { return FAbout; }
  void SetAbout(const std::u16string&) {}  // read-only in effect: the version stays
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& Value) { FFileName = Value; }
  TMSTextFormating TextFormating() const { return FTextFormating; }
  void SetTextFormating(TMSTextFormating Value) { FTextFormating = Value; }
  int32_t MaxTextLength() const { return FMaxTextLength; }
  void SetMaxTextLength(int32_t Value) { FMaxTextLength = Value; }
  // False: AddText charges the budget for what it is given but keeps nothing in
  // the lists, for a caller that takes the document from its sink alone.
  bool KeepText() const { return FKeepText; }
  void SetKeepText(bool Value) { FKeepText = Value; }
  TKvWParseItems ParseItems() const { return FParseItems; }
  void SetParseItems(TKvWParseItems Value) { FParseItems = Value; }
  bool ConvertSysCharacters() const { return FConvertSysCharacters; }
  void SetConvertSysCharacters(bool Value) { FConvertSysCharacters = Value; }
  const TMSWordConvertSysCharEvent& OnConvertSysChar() const { return FOnConvertSysChar; }
  void SetOnConvertSysChar(TMSWordConvertSysCharEvent Value) { FOnConvertSysChar = std::move(Value); }
  const TNotifyEvent& OnBeforeExecute() const { return FOnBeforeExecute; }
  void SetOnBeforeExecute(TNotifyEvent Value) { FOnBeforeExecute = std::move(Value); }
  const TNotifyEvent& OnAfterExecute() const { return FOnAfterExecute; }
  void SetOnAfterExecute(TNotifyEvent Value) { FOnAfterExecute = std::move(Value); }
  const TMSWTextChange& OnBeforeText() const { return FOnBeforeText; }
  void SetOnBeforeText(TMSWTextChange Value) { FOnBeforeText = std::move(Value); }
  const TMSWTextChange& OnAfterText() const { return FOnAfterText; }
  void SetOnAfterText(TMSWTextChange Value) { FOnAfterText = std::move(Value); }

  // What one document may cost (TDocumentLimits gives the defaults); every load
  // starts with nothing used, and a document that goes past a limit fails with
  // EDocumentOverBudget.
  const TDocumentLimits& Limits() const { return FBudget->Limits(); }
  void SetLimits(const TDocumentLimits& Value) { FBudget->SetLimits(Value); }
  TDocumentBudget& Budget() const { return *FBudget; }
  // A reader that reads part of another document's content (an imported chunk)
  // charges that document's budget: it shares it, and its loads no longer start
  // it anew.
  void ShareBudget(std::shared_ptr<TDocumentBudget> Value) {
    FBudget = std::move(Value);
    FBudgetShared = true;
  }
  const std::shared_ptr<TDocumentBudget>& SharedBudget() const { return FBudget; }

  // The main text; the caller reads it, never frees it.
  TWideStrings* Text() const { return FText.get(); }
  TWideStrings* PlainText() const { return FText.get(); }

  virtual void ClearInternalLists();
  // Appends Value to List and applies MaxTextLength.
  virtual void AddText(std::u16string Value, TWideStrings* List);
  // True when MaxTextLength is set and List holds as much as it keeps: AddText adds
  // nothing more to it, and a reader may stop making text for it.
  bool TextFull(const TWideStrings* List) const;
  virtual void InternalLoadFromOLEStream(TStream* Stream);
  virtual void LoadFromStream(TStream* Stream);
  // Skips a "BDOC" header when the stream starts with one, then loads.
  virtual void LoadFromOLEStream(TStream* Stream);
  // Raises "File %s is not found." unless AFileName names an existing file.
  virtual void LoadFromFile(const std::u16string& AFileName);
  virtual bool IsPasswordProtected();

  // Loads the file named by FileName between the two execute events; a document
  // that went over its budget fails even where a reader passed over a part.
  void Execute();
  // The encodings the last Execute met and could not decode (see
  // UndecodableEncodings.h): the text of the bytes in them may be wrong.
  const std::vector<std::string>& UndecodableEncodings() const { return FUndecodableEncodings; }

  std::u16string GetTextStart();
  std::u16string GetTextFinish();

 protected:
  const char* ClassName() const override { return "TMSWBaseDocument"; }
  // Local time of the RTF creation stamp; hosts and tests may replace it.
  virtual TDateTime CurrentTime() const;

  bool IsCancelExtract = false;

 private:
  std::u16string FAbout;
  std::u16string FFileName;
  std::unique_ptr<TWideStrings> FText;
  TMSTextFormating FTextFormating = tfPlainText;
  int32_t FMaxTextLength = 0;
  bool FKeepText = true;
  std::shared_ptr<TDocumentBudget> FBudget = std::make_shared<TDocumentBudget>();
  bool FBudgetShared = false;
  // The lists AddText has cut to MaxTextLength (a few at most: one per story).
  std::vector<const TWideStrings*> FFullLists;
  std::vector<std::string> FUndecodableEncodings;
  TKvWParseItems FParseItems{wpiText, wpiSummaryInformation};
  bool FConvertSysCharacters = true;
  TMSWordConvertSysCharEvent FOnConvertSysChar;
  TNotifyEvent FOnBeforeExecute;
  TNotifyEvent FOnAfterExecute;
  TMSWTextChange FOnBeforeText;
  TMSWTextChange FOnAfterText;
};

// "yr2024\mo3\dy9\hr14\min5": the RTF form of a date-time; hour and minute are
// left out at exactly midnight.
std::u16string DateTimeToRTF(TDateTime D);

}  // namespace msword
