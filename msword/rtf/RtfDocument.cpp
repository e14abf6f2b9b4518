#include "msword/rtf/RtfDocument.h"

#include <algorithm>

#include "msword/base/Exceptions.h"
#include "msword/base/MarkedText.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/MSWordCnst.h"
#include "msword/rtf/RtfParser.h"

namespace msword {

namespace {

// The bytes of Stream from its position to its end.
std::string RestOfStream(TStream& Stream) {
  const int64_t start = Stream.Position();
  const int64_t size = std::max<int64_t>(0, Stream.Size() - start);
  std::string bytes(size_t(size), '\0');
  for (int64_t done = 0; done < size;) {
    const int32_t chunk = int32_t(std::min<int64_t>(size - done, 1 << 30));
    Stream.ReadBuffer(bytes.data() + done, chunk);
    done += chunk;
  }
  return bytes;
}

}  // namespace

TMSRtfDocument::TMSRtfDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

TMSRtfDocument::~TMSRtfDocument() = default;

void TMSRtfDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  std::string bytes;
  {
    TFileStream file(AFileName, fmOpenRead);
    bytes = RestOfStream(file);
  }
  if (!IsRtfStart(bytes)) throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  LoadFromBytes(bytes);
}

void TMSRtfDocument::LoadFromStream(TStream* Stream) { LoadFromBytes(RestOfStream(*Stream)); }

void TMSRtfDocument::LoadFromBytes(std::string_view Bytes) {
  TMSCustomWordDocument::LoadFromStream(nullptr);  // clears the lists
  const bool text = ParseItems().Contains(wpiText);
  const bool summary = ParseItems().Contains(wpiSummaryInformation);
  if (summary) FSummaryInformation->Clear();
  if (!text && !summary) return;
  TRtfReadOptions options;
  options.HiddenText = ParseItems().Contains(wpiHiddenText);
  options.ShownView = View() == vwShown;
  options.Revisions = EffectiveRevisions();
  if (summary) options.Summary = FSummaryInformation.get();
  TRtfStories stories = ReadRtfStories(Bytes, options);
  if (!text) return;
  auto convert = [&](TRtfStory Story) {
    std::u16string out;
    AppendMarkedText(out, stories.Text[Story], TextFormating());
    std::u16string().swap(stories.Text[Story]);
    return out;
  };
  AddText(convert(rsMain), Text());
  Text()->Insert(0, GetTextStart());
  Text()->Add(GetTextFinish());
  auto side = [&](TRtfStory Story, TWideStrings* List) {
    if (!stories.Text[Story].empty()) AddText(convert(Story), List);
  };
  side(rsFootNote, FFootNoteText.get());
  side(rsHeader, FHeaderText.get());
  side(rsFooter, FFooterText.get());
  side(rsAnnotation, FAnnotationText.get());
  side(rsEndNote, FEndNoteText.get());
  side(rsTextBox, FTextBoxText.get());
}

}  // namespace msword
