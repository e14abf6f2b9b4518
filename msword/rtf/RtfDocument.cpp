#include "msword/rtf/RtfDocument.h"

#include <algorithm>

#include "msword/base/Exceptions.h"
#include "msword/base/Streams.h"
#include "msword/base/SummaryInformation.h"
#include "msword/MSWordCnst.h"
#include "msword/model/ListDescription.h"
#include "msword/rtf/RtfParser.h"

namespace msword {

TMSRtfDocument::TMSRtfDocument(TComponent* AOwner) : TMSCustomWordDocument(AOwner) {}

TMSRtfDocument::~TMSRtfDocument() = default;

void TMSRtfDocument::LoadFromFile(const std::u16string& AFileName) {
  TMSCustomWordDocument::LoadFromFile(AFileName);
  std::string bytes;
  {
    TFileStream file(AFileName, fmOpenRead);
    bytes = ReadRestOfStream(file);
  }
  if (!IsRtfStart(bytes)) throw EKvWNotWordDocument(Format(strFileIsNotWord, AFileName));
  LoadFromBytes(bytes);
}

void TMSRtfDocument::LoadFromStream(TStream* Stream) { LoadFromBytes(ReadRestOfStream(*Stream)); }

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
  TKvWDocumentSink* sink = text && View() == vwShown && TextFormating() == tfPlainText ? DocumentSink() : nullptr;
  options.Sink = sink;
  if (sink) sink->BeginStory(skMain, {});
  TRtfStories stories = ReadRtfStories(Bytes, options);
  if (sink) sink->EndStory();
  if (!text) return;
  AddMarkedStory(stories.Text[rsMain], Text(), true);
  AddMarkedStory(stories.Text[rsFootNote], FFootNoteText.get(), false);
  AddMarkedStory(stories.Text[rsHeader], FHeaderText.get(), false);
  AddMarkedStory(stories.Text[rsFooter], FFooterText.get(), false);
  AddMarkedStory(stories.Text[rsAnnotation], FAnnotationText.get(), false);
  AddMarkedStory(stories.Text[rsEndNote], FEndNoteText.get(), false);
  AddMarkedStory(stories.Text[rsTextBox], FTextBoxText.get(), false);
  if (!sink) return;
  // The notes of the main text were described where they stand; the other
  // stories are described from their lists.
  DescribeList(skHeaders, HeaderText(), *sink);
  DescribeList(skFooters, FooterText(), *sink);
  DescribeList(skComments, AnnotationText(), *sink);
  DescribeList(skTextBoxes, TextBoxText(), *sink);
}

}  // namespace msword
