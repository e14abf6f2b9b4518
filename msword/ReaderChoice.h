// Which reader a file's content calls for, as the command-line tool and the
// real-document gate choose it (the desktop program goes by extension instead).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace msword {

class TComponent;
class TMSCustomWordDocument;
class TStream;

// rkRtf: RTF; rkHtml: a web page, plain or in a MIME archive (MHTML); rkWordXml:
// WordprocessingML 2003 ("w:wordDocument") or a flat package ("pkg:package").
enum TReaderKind : uint8_t { rkDoc = 0, rkDocx = 1, rkRtf = 2, rkHtml = 3, rkWordXml = 4 };

// A file that begins with the zip signature, or a compound file holding an
// "EncryptedPackage" stream, is for the ".docx" reader; one that starts with
// "{\rtf" for the RTF reader; an XML file whose root is a Word XML document or a
// flat package for the Word XML reader; an HTML page or a MIME archive for the web
// page reader; everything else, an unreadable file included, for the ".doc" reader.
TReaderKind ChooseReaderByContent(const std::u16string& FileName);
// The same choice for a document held in a stream, read from its start; the
// stream's position is restored.
TReaderKind ChooseReaderByContent(TStream* Stream);
// The choice among the text formats (rkRtf, rkHtml, rkWordXml) from a file's first
// bytes; rkDoc when Head is none of them.
TReaderKind TextFormatOfHead(std::string_view Head);

// A new reader component of that kind, with its default settings. A ".docx" or Word
// XML reader gets NewChunkReader for the chunks its documents import.
std::unique_ptr<TMSCustomWordDocument> NewReader(TReaderKind Kind, TComponent* AOwner = nullptr);

// The reader of a chunk a ".docx" document imports that the ".docx" reader does not
// read itself: an RTF reader for bytes that start with "{\rtf" or a content type
// "application/rtf" or "text/rtf", the web-page reader for a content type
// "text/html" or "application/xhtml+xml"; nullptr for anything else. For
// TMSWordXDocument::SetChunkReaders, where a program makes its own ".docx" reader.
std::unique_ptr<TMSCustomWordDocument> NewChunkReader(std::string_view Bytes, std::u16string_view ContentType);

}  // namespace msword
