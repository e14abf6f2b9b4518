#include "msword/ReaderChoice.h"

#include <gtest/gtest.h>

#include "msword/base/Streams.h"
#include "support/CompoundFileBuilder.h"

using namespace msword;

// The choice for a document in memory follows the same rules as for a file, and
// leaves the stream where it was.
TEST(ReaderChoiceStream, ContentDecidesAndThePositionIsKept) {
  const std::string signatureOnly("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  struct Case {
    const char* what;
    std::string bytes;
    TReaderKind expected;
  };
  const Case cases[] = {
      {"zip", std::string("PK\x03\x04rest", 8), rkDocx},
      {"short zip", "PK\x03", rkDoc},
      {"empty", "", rkDoc},
      {"text", "plain text", rkDoc},
      {"encrypted package",
       kvtest::CompoundFileBuilder()
           .AddStream(u"EncryptionInfo", std::string(64, '\x01'))
           .AddStream(u"EncryptedPackage", std::string(5000, '\x02'))
           .Bytes(),
       rkDocx},
      {"word document", kvtest::CompoundFileBuilder().AddStream(u"WordDocument", "x").Bytes(), rkDoc},
      {"damaged compound file", signatureOnly + std::string(100, '\0'), rkDoc},
      {"signature only", signatureOnly, rkDoc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream stream(c.bytes);
    stream.SetPosition(3);
    EXPECT_EQ(ChooseReaderByContent(&stream), c.expected);
    EXPECT_EQ(stream.Position(), 3);
  }
}
