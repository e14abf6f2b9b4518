// The lists of a reader that does not describe documents itself, described as
// paragraphs: each line of the main text, the notes, the headers, footers,
// comments and text boxes (an entry's lines ended by CR LF, CR or LF) a paragraph
// of its story, without shape or emphasis; empty lines give nothing.
#pragma once

namespace msword {

class TMSCustomWordDocument;
class TKvWDocumentSink;

// The sink is not finished: the caller may add to it.
void DescribeLists(const TMSCustomWordDocument& Document, TKvWDocumentSink& Sink);

}  // namespace msword
