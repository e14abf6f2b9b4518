#include "writers/MarkdownTree.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm-extension_api.h>
#include <cmark-gfm.h>

#include <memory>

namespace kvword_test {

namespace {

// The parser numbers footnotes in the order of their first reference, and lists
// their definitions in that order: the n-th definition is the one "[^n]" refers to.
thread_local int Definitions = 0;

std::string Literal(cmark_node* Node) {
  const char* text = cmark_node_get_literal(Node);
  return text ? text : "";
}

std::string HtmlInline(const std::string& Tag) {
  if (Tag == "<strong>") return "<b>";
  if (Tag == "</strong>") return "</b>";
  if (Tag == "<em>") return "<i>";
  if (Tag == "</em>") return "</i>";
  if (Tag == "<del>") return "<s>";
  if (Tag == "</del>") return "</s>";
  if (Tag == "<br>" || Tag == "<br/>" || Tag == "<br />") return "\u23CE";
  return Tag;
}

void Dump(cmark_node* Node, std::string& Out);

void DumpChildren(cmark_node* Node, std::string& Out) {
  for (cmark_node* child = cmark_node_first_child(Node); child; child = cmark_node_next(child)) Dump(child, Out);
}

void Dump(cmark_node* Node, std::string& Out) {
  const std::string type = cmark_node_get_type_string(Node);
  const auto wrap = [&](const std::string& Open, const std::string& Close) {
    Out += Open;
    DumpChildren(Node, Out);
    Out += Close;
  };
  const cmark_node_type kind = cmark_node_get_type(Node);
  if (kind == CMARK_NODE_FOOTNOTE_DEFINITION) wrap("FN" + std::to_string(++Definitions) + "{", "}");
  else if (kind == CMARK_NODE_FOOTNOTE_REFERENCE) Out += "[^" + Literal(Node) + "]";
  else if (type == "document") DumpChildren(Node, Out);
  else if (type == "paragraph") wrap("P[", "]");
  else if (type == "heading") wrap("H" + std::to_string(cmark_node_get_heading_level(Node)) + "[", "]");
  else if (type == "list")
    wrap(cmark_node_get_list_type(Node) == CMARK_ORDERED_LIST ? "OL" + std::to_string(cmark_node_get_list_start(Node)) + "{"
                                                              : "UL{",
         "}");
  else if (type == "item") wrap("LI{", "}");
  else if (type == "table") wrap("T{", "}");
  else if (type == "table_row" || type == "table_header") wrap("R{", "}");
  else if (type == "table_cell") wrap("C[", "]");
  else if (type == "footnote_definition") wrap("FN:" + Literal(Node) + "{", "}");
  else if (type == "thematic_break") Out += "HR";
  else if (type == "code_block") Out += "CODE[" + Literal(Node) + "]";
  else if (type == "html_block") Out += "HTML[" + Literal(Node) + "]";
  else if (type == "block_quote") wrap("Q{", "}");
  else if (type == "text") Out += Literal(Node);
  else if (type == "softbreak") Out += " ";
  else if (type == "linebreak") Out += "\u23CE";
  else if (type == "code") Out += "`" + Literal(Node) + "`";
  else if (type == "html_inline") Out += HtmlInline(Literal(Node));
  else if (type == "emph") wrap("<i>", "</i>");
  else if (type == "strong") wrap("<b>", "</b>");
  else if (type == "strikethrough") wrap("<s>", "</s>");
  else if (type == "link") wrap(std::string("<a ") + cmark_node_get_url(Node) + ">", "</a>");
  else if (type == "image") wrap("<img:", ">");
  else if (type == "footnote_reference") Out += "[^" + Literal(Node) + "]";
  else wrap("?" + type + "{", "}");
}

}  // namespace

std::string MarkdownTree(std::string_view Markdown) {
  cmark_gfm_core_extensions_ensure_registered();
  const std::unique_ptr<cmark_parser, void (*)(cmark_parser*)> parser(cmark_parser_new(CMARK_OPT_FOOTNOTES),
                                                                       cmark_parser_free);
  for (const char* name : {"table", "strikethrough"})
    cmark_parser_attach_syntax_extension(parser.get(), cmark_find_syntax_extension(name));
  cmark_parser_feed(parser.get(), Markdown.data(), Markdown.size());
  const std::unique_ptr<cmark_node, void (*)(cmark_node*)> root(cmark_parser_finish(parser.get()), cmark_node_free);
  std::string out;
  Definitions = 0;
  Dump(root.get(), out);
  return out;
}

}  // namespace kvword_test
