// The lists of a reader that does not describe documents itself, described as
// paragraphs: each line of the main text, the notes, the headers, footers,
// comments and text boxes (an entry's lines ended by CR LF, CR or LF) a paragraph
// of its story, without shape or emphasis; empty lines give nothing.
#pragma once

#include "msword/model/DocumentSink.h"

namespace msword {

class TMSCustomWordDocument;
class TWideStrings;

// The sink is not finished: the caller may add to it.
void DescribeLists(const TMSCustomWordDocument& Document, TKvWDocumentSink& Sink);

// One list so, as the story Kind (nothing when List is null).
void DescribeList(TKvWStoryKind Kind, const TWideStrings* List, TKvWDocumentSink& Sink);

}  // namespace msword
