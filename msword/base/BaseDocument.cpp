#include "msword/base/BaseDocument.h"

#include <algorithm>
#include <cmath>

#include "msword/base/CodePages.h"
#include "msword/base/Exceptions.h"
#include "msword/base/LittleEndian.h"
#include "msword/MSWordCnst.h"
#include "msword/base/Platform.h"
#include "msword/base/Streams.h"
#include "msword/base/UndecodableEncodings.h"

namespace msword {

TMSWBaseDocument::TMSWBaseDocument(TComponent* AOwner)
    : TComponent(AOwner), FAbout(KvWordVersion), FText(std::make_unique<TWideStrings>()) {}

TMSWBaseDocument::~TMSWBaseDocument() {
  FText.reset();
  // Only this class's version runs here: derived parts are already gone.
  TMSWBaseDocument::ClearInternalLists();
}

void TMSWBaseDocument::ClearInternalLists() {
  if (FText) FText->Clear();
  FFullLists.clear();
  IsCancelExtract = false;
  if (!FBudgetShared) FBudget->Reset();
}

void TMSWBaseDocument::AddText(std::u16string Value, TWideStrings* List) {
  FBudget->ChargeOutput(Value.size());
  if (!FKeepText) return;
  if (FMaxTextLength <= 0) {
    List->Add(std::move(Value));
    return;
  }
  IsCancelExtract = true;  // set by the first call with a limit, reached or not
  // With a limit the list holds its text as one line, its entries joined by CR LF
  // (the list adds the line end after the last one itself), cut to the limit. The
  // line grows in place, by no more than the limit needs, so that a document's calls
  // cost what they add, not what the list already holds.
  if (TextFull(List)) return;
  const size_t limit = size_t(FMaxTextLength);
  std::u16string joined;
  if (List->Count() > 1) {
    joined = List->GetText();
  } else if (List->Count() == 1) {
    joined = std::move(List->Last());
    joined += u"\r\n";
  }
  // One unit past the limit tells whether the last one kept begins a pair.
  if (joined.size() <= limit) joined.append(std::u16string_view(Value).substr(0, limit + 1 - joined.size()));
  if (joined.size() > limit) {
    FFullLists.push_back(List);
    // A character of two code units is kept whole or not at all.
    size_t kept = limit;
    if (joined[kept - 1] >= 0xD800 && joined[kept - 1] <= 0xDBFF && joined[kept] >= 0xDC00 &&
        joined[kept] <= 0xDFFF)
      --kept;
    joined.resize(kept);
    // Nor is a line end the cut leaves at the end, or half of one.
    if (joined.ends_with(u"\r\n"))
      joined.resize(joined.size() - 2);
    else if (joined.ends_with(u'\r'))
      joined.pop_back();
  }
  List->Clear();
  List->Add(std::move(joined));
}

bool TMSWBaseDocument::TextFull(const TWideStrings* List) const {
  return FMaxTextLength > 0 && List->Count() == 1 &&
         std::find(FFullLists.begin(), FFullLists.end(), List) != FFullLists.end();
}

void TMSWBaseDocument::InternalLoadFromOLEStream(TStream* Stream) { LoadFromStream(Stream); }

void TMSWBaseDocument::LoadFromStream(TStream*) { ClearInternalLists(); }

void TMSWBaseDocument::LoadFromOLEStream(TStream* Stream) {
  uint8_t header[12];
  Stream->ReadBuffer(header, sizeof(header));
  if (GetI32(header) != OLEStreamSignature) Stream->Seek(-12, soCurrent);
  InternalLoadFromOLEStream(Stream);
}

void TMSWBaseDocument::LoadFromFile(const std::u16string& AFileName) {
  if (!FileExists(AFileName)) throw EKvWFileNotFound(Format(strFileNotFound, AFileName));
}

bool TMSWBaseDocument::IsPasswordProtected() { return false; }

void TMSWBaseDocument::Execute() {
  if (FOnBeforeExecute) FOnBeforeExecute(this);
  FUndecodableEncodings.clear();
  {
    TUndecodableEncodings collector;
    LoadFromFile(FFileName);
    FUndecodableEncodings = collector.Encodings();
  }
  FBudget->Check();
  if (FOnAfterExecute) FOnAfterExecute(this);
}

TDateTime TMSWBaseDocument::CurrentTime() const { return Now(); }

namespace {
std::u16string Number(int64_t n) { return Utf8ToWide(std::to_string(n)); }
}  // namespace

std::u16string DateTimeToRTF(TDateTime D) {
  int year, month, day, hour, minute, sec, msec;
  DecodeDate(D, year, month, day);
  std::u16string result = u"yr" + Number(year) + u"\\mo" + Number(month) + u"\\dy" + Number(day);
  DecodeTime(D, hour, minute, sec, msec);
  if (hour != 0 || minute != 0 || sec != 0 || msec != 0)
    result += u"\\hr" + Number(hour) + u"\\min" + Number(minute);
  return result;
}

std::u16string TMSWBaseDocument::GetTextStart() {
  std::u16string text;
  const std::u16string generator(WDPGeneratorName);
  const std::u16string acp = Number(GetACP());
  switch (FTextFormating) {
    case tfRTF:
      text = u"{\\rtf1\\ansi\\ansicpg" + acp + u"\\uc1" + u"\r\n" + u"{\\*\\generator " + generator +
             u";}" + u"{\\info{\\operator " + generator + u"}" + u"{\\*\\company Norvale Software}" +
             u"{\\creatim\\" + DateTimeToRTF(CurrentTime()) + u"}" + u"{\\title " + generator +
             u"}}" + u"\r\n";
      break;
    case tfHTML:
      text = u"<html>\r\n"
             u"<head>\r\n"
             u"<meta http-equiv=\"Content-Type\"\r\n"
             u"content=\"text/html; charset=windows-" + acp + u"\">\r\n" +
             u"<meta name=\"GENERATOR\" content=\"" + generator + u"\">\r\n" +
             u"<title>" + generator + u"</title>\r\n" +
             u"</head>\r\n"
             u"\r\n"
             u"<body bgcolor=\"#FFFFFF\">\r\n";
      break;
    default:
      break;
  }
  if (FOnBeforeText) FOnBeforeText(this, text);
  return text;
}

std::u16string TMSWBaseDocument::GetTextFinish() {
  std::u16string text;
  switch (FTextFormating) {
    case tfRTF: text = u"\r\n}"; break;
    case tfHTML: text = u"\r\n</body>\r\n</html>"; break;
    default: break;
  }
  if (FOnAfterText) FOnAfterText(this, text);
  return text;
}

}  // namespace msword
