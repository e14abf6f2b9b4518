// TMSWordXmlDocument: the reader of Word's single-file XML documents: the
// WordprocessingML 2003 document ("w:wordDocument") and the flat package
// ("pkg:package", the parts of a .docx package inline in one XML file). Both are
// turned into the parts of a package, which the .docx package loader and body
// conversion read as they read a .docx file.
#pragma once

#include <string>
#include <string_view>

#include "msword/docx/WordXDocument.h"

namespace msword {

class TStream;

// The parts of a flat package as a stored zip package: each part's XML data (or
// its base64 binary data) under its name without the leading "/".
std::string FlatPackageToZip(std::string_view Bytes);

// A WordprocessingML 2003 document as a stored zip package: the body as
// "word/document.xml" with its notes, headers, footers and comments moved to parts
// of their own (referenced from where they stood), insertions and deletions as
// w:ins and w:del, and the document properties as "docProps/core.xml" and
// "docProps/app.xml".
std::string WordML2003ToZip(std::string_view Bytes);

// True when the root element of the XML in Bytes is a flat package.
bool IsFlatPackage(std::string_view Bytes);

class TMSWordXmlDocument : public TMSWordXDocument {
 public:
  explicit TMSWordXmlDocument(TComponent* AOwner);
  ~TMSWordXmlDocument() override;

  // Refuses a file that is no XML ("File %s is not valid MS Word document"), then
  // reads it.
  void LoadFromFile(const std::u16string& AFileName) override;
  // Reads the document from the stream's position to its end.
  void LoadFromStream(TStream* Stream) override;
  void LoadFromBytes(std::string_view Bytes);

 protected:
  const char* ClassName() const override { return "TMSWordXmlDocument"; }
};

}  // namespace msword
