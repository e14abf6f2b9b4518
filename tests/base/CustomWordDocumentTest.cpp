#include "msword/base/CustomWordDocument.h"

#include <gtest/gtest.h>

using namespace msword;

namespace {
class TTestWordDocument : public TMSCustomWordDocument {
 public:
  TTestWordDocument() : TMSCustomWordDocument(nullptr) {}
  void Fill() {
    for (TWideStrings* list : {Text(), MacroText(), FootNoteText(), HeaderText(), FooterText(),
                               AnnotationText(), EndNoteText(), TextBoxText()})
      list->Add(u"x");
    VBAProjectItems->Add()->ModuleName = u"Module1";
    FSummaryInformation->SetTitle(u"Title");
    FVBAProject = u"project";
  }
};
}  // namespace

TEST(CustomWordDocument, ClearingForANewLoadEmptiesTextsButKeepsSummaryAndMacros) {
  TTestWordDocument doc;
  doc.Fill();
  doc.ClearInternalLists();
  for (TWideStrings* list : {doc.Text(), doc.MacroText(), doc.FootNoteText(), doc.HeaderText(),
                             doc.FooterText(), doc.AnnotationText(), doc.EndNoteText(),
                             doc.TextBoxText()})
    EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(doc.VBAProjectItems->Count(), 1);
  EXPECT_EQ(doc.SummaryInformation()->Title(), u"Title");
  EXPECT_EQ(doc.VBAProject(), u"project");
}

TEST(CustomWordDocument, SummaryIsCopiedNotAdopted) {
  TTestWordDocument doc;
  {
    TKvWordSummaryInformation mine;
    mine.SetAuthor(u"Ann");
    doc.SetSummaryInformation(&mine);
  }
  EXPECT_EQ(doc.SummaryInformation()->Author(), u"Ann");
}

TEST(CustomWordDocument, OwnerFreesAFilledDocument) {
  auto* owner = new TComponent(nullptr);
  auto* doc = new TTestWordDocument();
  doc->Fill();
  delete doc;  // frees every list, the summary and the items once (ASan checks)
  new TMSCustomWordDocument(owner);
  delete owner;
}
