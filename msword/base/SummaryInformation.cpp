#include "msword/base/SummaryInformation.h"

#include <limits>

namespace msword {

void TKvWordSummaryInformation::Assign(const TPersistent* Source) {
  if (const auto* other = dynamic_cast<const TKvWordSummaryInformation*>(Source)) {
    FAppName = other->FAppName;
    FAuthor = other->FAuthor;
    FCharCount = other->FCharCount;
    FComments = other->FComments;
    FCreated = other->FCreated;
    FEditTime = other->FEditTime;
    FKeywords = other->FKeywords;
    FLastAuthor = other->FLastAuthor;
    FLastPrinted = other->FLastPrinted;
    FLastSaved = other->FLastSaved;
    FCreatedUtcOffset = other->FCreatedUtcOffset;
    FLastPrintedUtcOffset = other->FLastPrintedUtcOffset;
    FLastSavedUtcOffset = other->FLastSavedUtcOffset;
    FPageCount = other->FPageCount;
    FRevNumber = other->FRevNumber;
    FSubject = other->FSubject;
    FTemplate = other->FTemplate;
    FTitle = other->FTitle;
    FWordCount = other->FWordCount;
    FCategory = other->FCategory;
    FPresentationTarget = other->FPresentationTarget;
    FByteCount = other->FByteCount;
    FLineCount = other->FLineCount;
    FParagraphCount = other->FParagraphCount;
    FSlideCount = other->FSlideCount;
    FNoteCount = other->FNoteCount;
    FHiddenSlideCount = other->FHiddenSlideCount;
    FMMClipCount = other->FMMClipCount;
    FManager = other->FManager;
    FCompany = other->FCompany;
    FCharCount2 = other->FCharCount2;
    return;
  }
  TPersistent::Assign(Source);
}

void TKvWordSummaryInformation::Clear() {
  TKvWordSummaryInformation empty;
  Assign(&empty);
}

namespace {
void SetText(std::u16string& field, const TPropertyValue& v) {
  if (v.Type == VT_LPSTR) field = v.Text;
}
void SetInt(int32_t& field, const TPropertyValue& v) {
  if (v.Type == VT_I4) field = v.Integer;
}
void SetDate(TDateTime& field, std::optional<int32_t>& offset, const TPropertyValue& v) {
  if (v.Type != VT_FILETIME) return;
  field = TKvWordSummaryInformation::FileTimeToDateTime(v.FileTime);
  int32_t minutes = 0;
  offset.reset();
  if (field != 0 && FileTimeLocalOffset(v.FileTime, minutes)) offset = minutes;
}
}  // namespace

void TKvWordSummaryInformation::ParseProperty(uint32_t propID, const TPropertyValue& Value,
                                              bool IsDocSummary) {
  if (IsDocSummary) {
    ParseDocProperty(propID, Value);
    return;
  }
  switch (propID) {
    case 2: SetText(FTitle, Value); break;
    case 3: SetText(FSubject, Value); break;
    case 4: SetText(FAuthor, Value); break;
    case 5: SetText(FKeywords, Value); break;
    case 6: SetText(FComments, Value); break;
    case 7: SetText(FTemplate, Value); break;
    case 8: SetText(FLastAuthor, Value); break;
    case 9: SetText(FRevNumber, Value); break;
    case 10:
      if (Value.Type == VT_FILETIME) FEditTime = FileTimeToElapsedTime(Value.FileTime);
      break;
    case 11: SetDate(FLastPrinted, FLastPrintedUtcOffset, Value); break;
    case 12: SetDate(FCreated, FCreatedUtcOffset, Value); break;
    case 13: SetDate(FLastSaved, FLastSavedUtcOffset, Value); break;
    case 14: SetInt(FPageCount, Value); break;
    case 15: SetInt(FWordCount, Value); break;
    case 16: SetInt(FCharCount, Value); break;
    case 18: SetText(FAppName, Value); break;
    default: break;
  }
}

void TKvWordSummaryInformation::ParseDocProperty(uint32_t propID, const TPropertyValue& Value) {
  switch (propID) {
    case 2: SetText(FCategory, Value); break;
    case 3: SetText(FPresentationTarget, Value); break;
    case 4: SetInt(FByteCount, Value); break;
    case 5: SetInt(FLineCount, Value); break;
    case 6: SetInt(FParagraphCount, Value); break;
    case 7: SetInt(FSlideCount, Value); break;
    case 8: SetInt(FNoteCount, Value); break;
    case 9: SetInt(FHiddenSlideCount, Value); break;
    case 10: SetInt(FMMClipCount, Value); break;
    case 14: SetText(FManager, Value); break;
    case 15: SetText(FCompany, Value); break;
    case 17: SetInt(FCharCount2, Value); break;
    default: break;
  }
}

TDateTime TKvWordSummaryInformation::FileTimeToDateTime(const TFileTime& FileTime) {
  uint16_t date = 0, time = 0;
  if (!FileTimeToLocalDosDateTime(FileTime, date, time)) return 0;
  return DosDateTimeToDateTime(date, time);
}

int32_t TKvWordSummaryInformation::FileTimeToElapsedTime(const TFileTime& FileTime) {
  const uint64_t minutes = FileTime.Value() / 600000000ULL;
  return minutes > uint64_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                  : int32_t(minutes);
}

}  // namespace msword
