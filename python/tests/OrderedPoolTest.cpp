// The Python module's native reading, without an interpreter: so that it also runs
// under the sanitizers, where an extension module cannot be loaded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msword/MSWordCnst.h"
#include "python/src/DocumentRead.h"
#include "python/src/OrderedPool.h"
#include "support/ZipBuilder.h"

namespace kvword::python {
namespace {

std::string Docx(const std::string& Text) {
  return kvtest::ZipBuilder()
      .AddDeflated("word/document.xml",
                   "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                   "<w:body><w:p><w:r><w:t>" + Text + "</w:t></w:r></w:p></w:body></w:document>")
      .Bytes();
}

TReadSource InMemory(const std::string& Bytes) {
  TReadSource source;
  source.InMemory = true;
  source.Data = Bytes.data();
  source.Size = Bytes.size();
  return source;
}

TEST(PythonReadDocument, ReadsBytesAndTellsFailuresApart) {
  const std::string docx = Docx("hello");
  TReadResult ok = ReadDocument(InMemory(docx), TReadOptions{});
  EXPECT_EQ(ok.Error, reNone);
  EXPECT_EQ(ok.Reader, msword::rkDocx);
  EXPECT_EQ(ok.Text, std::vector<std::string>{"hello"});

  const std::string text = "plain text, not a document";
  TReadResult notWord = ReadDocument(InMemory(text), TReadOptions{});
  EXPECT_EQ(notWord.Error, reNotWord);
  EXPECT_EQ(notWord.Message, u"File (bytes) is not valid MS Word document");

  TReadSource missing;
  missing.FileName = u"/nonexistent/kvword/missing.doc";
  EXPECT_EQ(ReadDocument(missing, TReadOptions{}).Error, reNotFound);

  TReadResult empty = ReadDocument(InMemory(std::string()), TReadOptions{});
  EXPECT_EQ(empty.Error, reNotWord);
}

TEST(PythonReadDocument, MessagesMapToTheirClasses) {
  struct TCase {
    std::u16string Message;
    TReadError Expected;
  };
  const std::vector<TCase> cases = {
      {u"File a.doc is not valid MS Word document", reNotWord},
      {u"Could not read the password protected file", rePasswordProtected},
      {u"The password does not open file C:\\x y.docx", reWrongPassword},
      {u"File  is not found.", reNotFound},
      {u"File a.doc is damaged", reDamaged},
      {u"Stream read error", reDamaged},
      {u"File a.doc is not valid MS Word document, or is it", reDamaged},
      {u"", reDamaged},
  };
  for (const TCase& c : cases) EXPECT_EQ(ClassifyMessage(c.Message), c.Expected);
}

// Documents that take different times still come back in the order given, and
// the pool never holds more than its window.
TEST(PythonOrderedPool, ResultsComeInSubmissionOrder) {
  std::vector<std::string> docs;
  for (int i = 0; i < 40; ++i) docs.push_back(i % 5 == 3 ? std::string("junk") : Docx(std::string(size_t(i) * 500, char('a' + i % 26))));
  for (unsigned jobs : {1u, 2u, 4u}) {
    SCOPED_TRACE(jobs);
    TOrderedPool pool(jobs, jobs * 2, TReadOptions{});
    size_t submitted = 0, taken = 0;
    while (taken < docs.size()) {
      while (submitted < docs.size() && pool.HasRoom()) pool.Submit(InMemory(docs[submitted++]));
      EXPECT_LE(pool.Pending(), size_t(jobs) * 2);
      TReadResult result = pool.TakeNext(nullptr);
      if (taken % 5 == 3) {
        EXPECT_EQ(result.Error, reNotWord);
      } else {
        ASSERT_EQ(result.Error, reNone);
        EXPECT_EQ(result.Text, std::vector<std::string>{std::string(taken * 500, char('a' + taken % 26))});
      }
      ++taken;
    }
  }
}

// A pool dropped with documents queued and being read finishes the ones started,
// drops the rest and returns.
TEST(PythonOrderedPool, DroppedWithWorkPendingStopsCleanly) {
  const std::string doc = Docx(std::string(20000, 'z'));
  for (int round = 0; round < 5; ++round) {
    TOrderedPool pool(3, 12, TReadOptions{});
    for (int i = 0; i < 12; ++i) pool.Submit(InMemory(doc));
    if (round % 2) pool.TakeNext(nullptr);
  }
  SUCCEED();
}

}  // namespace
}  // namespace kvword::python
