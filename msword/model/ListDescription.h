// The lists of a reader that does not describe documents itself, described as
// paragraphs: each line of the main text, the notes, the headers, footers,
// comments and text boxes a paragraph of its story, without shape or emphasis.
#pragma once

namespace msword {

class TMSCustomWordDocument;
class TKvWDocumentSink;

// The sink is not finished: the caller may add to it.
void DescribeLists(const TMSCustomWordDocument& Document, TKvWDocumentSink& Sink);

}  // namespace msword
