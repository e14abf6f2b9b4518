// TKvWordSummaryInformation: a document's descriptive properties (title, author,
// dates, counts), filled from the binary property sets of a ".doc" file or from
// the document-property parts of a ".docx" package.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "msword/base/Classes.h"
#include "msword/base/DateTime.h"

namespace msword {

// One property value as read from a property set.
struct TPropertyValue {
  uint32_t Type = 0;          // 3 integer, 30 8-bit text, 64 FILETIME
  int32_t Integer = 0;        // type 3
  TFileTime FileTime;         // type 64
  std::u16string Text;        // type 30, already decoded
};

// The property-value types the reader handles.
inline constexpr uint32_t VT_I4 = 3;
inline constexpr uint32_t VT_LPSTR = 30;
inline constexpr uint32_t VT_FILETIME = 64;
inline constexpr uint32_t VT_I2 = 2;

class TKvWordSummaryInformation : public TPersistent {
 public:
  TKvWordSummaryInformation() = default;

  void Assign(const TPersistent* Source) override;
  void Clear();

  // Stores one property of the summary set, or of the document summary set when
  // IsDocSummary. Ids are mapped by number; a value whose type does not fit the
  // field of its id is ignored.
  void ParseProperty(uint32_t propID, const TPropertyValue& Value, bool IsDocSummary);
  void ParseDocProperty(uint32_t propID, const TPropertyValue& Value);

  // A UTC FILETIME as local date-time with two-second resolution; 0 outside
  // 1980-2107 or when it cannot be converted.
  static TDateTime FileTimeToDateTime(const TFileTime& FileTime);
  // A FILETIME duration in whole minutes.
  static int32_t FileTimeToElapsedTime(const TFileTime& FileTime);

#define KVW_STRING_PROPERTY(Name)                              \
  const std::u16string& Name() const { return F##Name; }       \
  void Set##Name(const std::u16string& Value) { F##Name = Value; }
#define KVW_VALUE_PROPERTY(Type, Name)        \
  Type Name() const { return F##Name; }      \
  void Set##Name(Type Value) { F##Name = Value; }

  KVW_STRING_PROPERTY(AppName)
  KVW_STRING_PROPERTY(Author)
  KVW_VALUE_PROPERTY(int32_t, CharCount)
  KVW_STRING_PROPERTY(Comments)
  KVW_VALUE_PROPERTY(TDateTime, Created)
  KVW_VALUE_PROPERTY(int32_t, EditTime)
  KVW_STRING_PROPERTY(Keywords)
  KVW_STRING_PROPERTY(LastAuthor)
  KVW_VALUE_PROPERTY(TDateTime, LastPrinted)
  KVW_VALUE_PROPERTY(TDateTime, LastSaved)
  KVW_VALUE_PROPERTY(int32_t, PageCount)
  KVW_STRING_PROPERTY(RevNumber)
  KVW_STRING_PROPERTY(Subject)
  KVW_STRING_PROPERTY(Template)
  KVW_STRING_PROPERTY(Title)
  KVW_VALUE_PROPERTY(int32_t, WordCount)
  KVW_STRING_PROPERTY(Category)
  KVW_STRING_PROPERTY(PresentationTarget)
  KVW_VALUE_PROPERTY(int32_t, ByteCount)
  KVW_VALUE_PROPERTY(int32_t, LineCount)
  KVW_VALUE_PROPERTY(int32_t, ParagraphCount)
  KVW_VALUE_PROPERTY(int32_t, SlideCount)
  KVW_VALUE_PROPERTY(int32_t, NoteCount)
  KVW_VALUE_PROPERTY(int32_t, HiddenSlideCount)
  KVW_VALUE_PROPERTY(int32_t, MMClipCount)
  KVW_STRING_PROPERTY(Manager)
  KVW_STRING_PROPERTY(Company)
  KVW_VALUE_PROPERTY(int32_t, CharCount2)
  // Where each date's clock time stands against UTC, in minutes east: a ".doc"
  // date is stored in the machine's local time, and this is the local offset at
  // that moment; a ".docx" date keeps the clock time its part gives, and this is
  // the offset the part states ("Z": 0). Unset when the value states none (or the
  // date is not set). Date plus offset give the moment itself.
  KVW_VALUE_PROPERTY(std::optional<int32_t>, CreatedUtcOffset)
  KVW_VALUE_PROPERTY(std::optional<int32_t>, LastPrintedUtcOffset)
  KVW_VALUE_PROPERTY(std::optional<int32_t>, LastSavedUtcOffset)
#undef KVW_STRING_PROPERTY
#undef KVW_VALUE_PROPERTY

 protected:
  const char* ClassName() const override { return "TKvWordSummaryInformation"; }

 private:
  std::u16string FAppName;
  std::u16string FAuthor;
  int32_t FCharCount = 0;
  std::u16string FComments;
  TDateTime FCreated = 0;
  int32_t FEditTime = 0;
  std::u16string FKeywords;
  std::u16string FLastAuthor;
  TDateTime FLastPrinted = 0;
  TDateTime FLastSaved = 0;
  std::optional<int32_t> FCreatedUtcOffset, FLastPrintedUtcOffset, FLastSavedUtcOffset;
  int32_t FPageCount = 0;
  std::u16string FRevNumber;
  std::u16string FSubject;
  std::u16string FTemplate;
  std::u16string FTitle;
  int32_t FWordCount = 0;
  std::u16string FCategory;
  std::u16string FPresentationTarget;
  int32_t FByteCount = 0;
  int32_t FLineCount = 0;
  int32_t FParagraphCount = 0;
  int32_t FSlideCount = 0;
  int32_t FNoteCount = 0;
  int32_t FHiddenSlideCount = 0;
  int32_t FMMClipCount = 0;
  std::u16string FManager;
  std::u16string FCompany;
  int32_t FCharCount2 = 0;
};

}  // namespace msword
