// TKvXMLEngine: the library's own small, event-driven XML reader for the parts of
// ".docx" packages. It is not a conforming XML parser; it follows these rules:
//  - it knows start, end and empty-element tags, the XML declaration (stored in the
//    root item), comments and CDATA sections; no DTD, no namespaces ("w:p" is a name);
//  - a name is made of "!", "-", "0"-"9", ":", "?", "A"-"Z", "_", "a"-"z" only;
//  - the text between a start tag and the next tag is the element's value, trimmed
//    unless the start tag carries xml:space="preserve"; text after an end tag goes,
//    trimmed, to the enclosing element's value;
//  - an end tag closes the current element whatever its name;
//  - the attribute text of a start tag is kept raw (single quotes do not quote, a "/"
//    outside double quotes or a ">" ends it); references are not replaced while
//    parsing (GetTagValue replaces them);
//  - a NUL character ends the parse; malformed text gives some tree, never an error.
// OnTag sees every start tag before its content and may refuse the element (it is
// skipped with its content); OnAfterTag sees every element that closes, complete with
// its children, and may free it or stop the parse.
//
// Text without a byte-order mark is scanned as bytes and its values are decoded by
// the declared encoding: UTF-8 (also when nothing is declared), a "windows-N" code
// page, or else one character per byte in the ANSI code page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "msword/base/Classes.h"
#include "msword/xml/XMLItem.h"

namespace msword {

class TStream;

using TKvIXMLOnTagEvent =
    std::function<void(TObject* Sender, TKvXMLItem* ParentNode, const std::u16string& ATagName,
                       const std::u16string& ATagValue, const std::u16string& ATagAttributes, bool& Accept)>;
using TKvIXMLOnAfterTagEvent = std::function<void(TObject* Sender, TKvXMLItem*& Node, bool& Cancel)>;
// Seen before OnTag with the start tag's name alone (names are ASCII); returning true
// refuses the element as OnTag refusing it would, without its value and attributes
// being decoded and without OnTag being called.
using TKvIXMLOnTagNameEvent = std::function<bool(TObject* Sender, TKvXMLItem* ParentNode, std::string_view ATagName)>;

class TKvXMLEngine : public TComponent {
 public:
  explicit TKvXMLEngine(TComponent* AOwner);
  ~TKvXMLEngine() override;

  // Decodes the stream's text (from its position to AStreamSize, or to its end when
  // AStreamSize is 0) and parses it under the root item, whose children are freed
  // first. A null stream leaves an empty tree. Exceptions from the stream or from a
  // handler pass out, leaving the tree as far as it was built.
  void LoadFromStream(int32_t AStreamSize, TStream* AStream);
  void LoadFromFile(const std::u16string& AFileName);
  // Parses ABytes as LoadFromStream(0, ...) parses a stream that holds them. The
  // engine owns the bytes, so the memory of the text it has parsed goes back to the
  // system as the parse goes on: a large part costs little more than what is made of it.
  void LoadFromBytes(std::string ABytes);

  // The first item in pre-order from ARoot (the root item when null) whose tag name
  // equals XMLTag ignoring ASCII case; nullptr when none.
  TKvXMLItem* GetItemByTag(TKvXMLItem* ARoot, std::u16string_view XMLTag) const;
  // "a/b/c": returns "a" and leaves "b/c"; without "/" returns all and empties the path.
  static std::u16string GetFirstTagName(std::u16string& AXMLPath);
  // "a/b/c": returns "c" and leaves "a/b"; without "/" returns all and leaves the path.
  static std::u16string GetLastTagName(std::u16string& AXMLPath);
  // Parses the first ALength characters of AText as already decoded text; the
  // re-decoding by the declared encoding follows UTF8Processed.
  void ParseXMLFromString(std::u16string_view AText, int32_t ALength);

  // The root of the tree: the first tag of the text is stored in it. nullptr after a
  // handler has freed it, until the next load makes a new one.
  TKvXMLItem* RootItem() const { return FRootItem; }
  bool AttributesAutoProcess() const { return FAttributesAutoProcess; }
  void SetAttributesAutoProcess(bool Value) { FAttributesAutoProcess = Value; }
  const TKvIXMLOnTagEvent& OnTag() const { return FOnTag; }
  void SetOnTag(TKvIXMLOnTagEvent Value) { FOnTag = std::move(Value); }
  const TKvIXMLOnTagNameEvent& OnTagName() const { return FOnTagName; }
  void SetOnTagName(TKvIXMLOnTagNameEvent Value) { FOnTagName = std::move(Value); }
  const TKvIXMLOnAfterTagEvent& OnAfterTag() const { return FOnAfterTag; }
  void SetOnAfterTag(TKvIXMLOnAfterTagEvent Value) { FOnAfterTag = std::move(Value); }
  // True when the decoded text is already correct Unicode (it had a byte-order mark):
  // then no UTF-8 re-decoding happens.
  bool UTF8Processed() const { return FUTF8Processed; }
  void SetUTF8Processed(bool Value) { FUTF8Processed = Value; }
  // True when the text had no byte-order mark: values are then re-decoded as UTF-8
  // as long as no encoding is declared.
  bool UndeclaredIsUTF8() const { return FUndeclaredIsUTF8; }
  void SetUndeclaredIsUTF8(bool Value) { FUndeclaredIsUTF8 = Value; }

 protected:
  const char* ClassName() const override { return "TKvXMLEngine"; }

 private:
  friend class TKvXMLItem;
  template <class CharT> friend class TKvXMLParser;
  TKvXMLItem* EnsureRootItem();
  void RootItemFreed(TKvXMLItem* Item);
  template <class CharT> void Parse(const CharT* Text, size_t Length, bool ReleaseParsed = false);

  bool FAttributesAutoProcess = false;
  TKvXMLItem* FRootItem = nullptr;  // owned; a handler may free it (RootItemFreed)
  TKvIXMLOnTagEvent FOnTag;
  TKvIXMLOnTagNameEvent FOnTagName;
  TKvIXMLOnAfterTagEvent FOnAfterTag;
  bool FUTF8Processed = false;
  bool FUndeclaredIsUTF8 = false;
};

}  // namespace msword
