#pragma once

#include <cstdint>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "framework/persistent.h"

// Object XML: a persistent object with its published properties, nested objects, collections
// and binary properties, as UTF-8 text under an "objects" root. An "o" element is an object
// (attribute "name": the property it hangs under, empty for the root), "p" a property and "i" a
// collection item (attribute "name": the item's display name). The root "o" holds the class name
// as the property "ObjClassName" and the object's properties in an "o" named "Obj".
namespace kova {

// The whole document of one object, declaration and CR LF first.
std::string ObjectToXml(const TXPersistent& object);
// Reads a document written by ObjectToXml into the object. Answers false, with error 44 and the
// reason in the thread's error record, when the text is not object XML (the object is then
// unchanged) or a value could not be taken (the object then holds what was read before).
bool ObjectFromXml(TXPersistent& object, std::string_view xml);
// The class name a document was written for, or an empty text.
std::string ObjectXmlClassName(std::string_view xml);

// Appends the root "o" of one object to the "objects" element, and reads one back.
void AppendObjectNode(pugi::xml_node objects, const TXPersistent& object);
void ReadObjectNode(pugi::xml_node root, TXPersistent& object);
// Parses object XML (after an optional UTF-8 byte order mark); nothing when it is not.
std::optional<pugi::xml_document> ParseObjectXml(std::string_view xml, std::string& reason);
// The document's text with the declaration and CR LF before the "objects" element.
std::string ObjectXmlText(const pugi::xml_document& document);

// Bytes as upper-case hexadecimal, 32 bytes (64 digits) a line, CR LF between lines.
std::string BytesToHexLines(const std::vector<uint8_t>& bytes);
// The bytes of hexadecimal text (either case; blanks and line breaks ignored); nothing when a
// character is not a digit or the number of digits is odd.
std::optional<std::vector<uint8_t>> HexLinesToBytes(std::string_view text);

}  // namespace kova
