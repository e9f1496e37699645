#include "persistence/xml_filer_objects.h"

#include "framework/collection.h"
#include "framework/error_data.h"
#include "framework/text_utils.h"

namespace kova {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kHexBytesPerLine = 32;
// Reading keeps line breaks inside values as they were written.
constexpr unsigned kParseOptions = pugi::parse_default & ~pugi::parse_eol;

void WriteProperties(pugi::xml_node node, TXPersistent& object);

void WriteText(pugi::xml_node parent, const std::string& name, const std::string& text) {
  pugi::xml_node p = parent.append_child("p");
  p.append_attribute("name") = name.c_str();
  p.text() = text.c_str();
}

void WriteCollection(pugi::xml_node node, TXCollection& collection) {
  for (int32_t i = 0; i < collection.Count(); ++i) {
    TXCollectionItem* item = collection.Item(i);
    pugi::xml_node element = node.append_child("i");
    element.append_attribute("name") = item->DisplayName().c_str();
    WriteProperties(element, *item);
  }
}

void WriteObject(pugi::xml_node parent, const std::string& name, TXPersistent& object) {
  pugi::xml_node node = parent.append_child("o");
  node.append_attribute("name") = name.c_str();
  if (auto* collection = dynamic_cast<TXCollection*>(&object)) {
    WriteCollection(node, *collection);
  } else {
    WriteProperties(node, object);
  }
}

void WriteProperties(pugi::xml_node node, TXPersistent& object) {
  for (const TXPropInfo* prop : object.ClassInfo().Properties()) {
    if (!prop->ShouldStore(object)) continue;
    if (prop->Kind != TXPropKind::Object) {
      WriteText(node, prop->Name, GetPropText(object, *prop));
    } else if (TXPersistent* nested = prop->GetObject(object)) {
      WriteObject(node, prop->Name, *nested);
    }
  }
  std::vector<TXBinaryProperty> binaries;
  object.DefineBinaryProperties(binaries);
  for (const TXBinaryProperty& binary : binaries) {
    if (!binary.HasData()) continue;
    std::vector<uint8_t> bytes;
    binary.Write(bytes);
    WriteText(node, binary.Name, BytesToHexLines(bytes));
  }
}

void ReadProperties(pugi::xml_node node, TXPersistent& object);

void ReadCollection(pugi::xml_node node, TXCollection& collection) {
  collection.Clear();
  for (pugi::xml_node element : node.children("i")) {
    TXCollectionItem* item = collection.Add();
    item->SetDisplayName(element.attribute("name").as_string());
    ReadProperties(element, *item);
  }
}

void ReadObject(pugi::xml_node node, TXPersistent& object) {
  if (auto* collection = dynamic_cast<TXCollection*>(&object)) {
    ReadCollection(node, *collection);
  } else {
    ReadProperties(node, object);
  }
}

// Integers and floats that do not convert read as 0; other kinds keep their value.
void ReadValue(TXPersistent& object, const TXPropInfo& prop, const std::string& text) {
  if (SetPropText(object, prop, text)) return;
  if (prop.Kind == TXPropKind::Float) {
    prop.SetFloat(object, 0);
  } else if (prop.Kind == TXPropKind::Integer || prop.Kind == TXPropKind::Cardinal ||
             prop.Kind == TXPropKind::Int64) {
    prop.SetOrdinal(object, 0);
  }
}

void ReadBinary(TXPersistent& object, const std::string& name, const std::string& text) {
  std::vector<TXBinaryProperty> binaries;
  object.DefineBinaryProperties(binaries);
  for (const TXBinaryProperty& binary : binaries) {
    if (!SameText(binary.Name, name)) continue;
    if (std::optional<std::vector<uint8_t>> bytes = HexLinesToBytes(text)) binary.Read(*bytes);
    return;
  }
}

void ReadProperties(pugi::xml_node node, TXPersistent& object) {
  for (pugi::xml_node child : node.children()) {
    std::string name = child.attribute("name").as_string();
    const TXPropInfo* prop = object.ClassInfo().FindProperty(name);
    if (std::string_view(child.name()) == "p") {
      if (!prop) {
        ReadBinary(object, name, child.text().as_string());
      } else if (prop->Kind != TXPropKind::Object) {
        ReadValue(object, *prop, child.text().as_string());
      }
    } else if (std::string_view(child.name()) == "o" && prop && prop->Kind == TXPropKind::Object) {
      if (TXPersistent* nested = prop->GetObject(object)) ReadObject(child, *nested);
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& text) : text_(text) {}
  void write(const void* data, size_t size) override {
    text_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& text_;
};

}  // namespace

void AppendObjectNode(pugi::xml_node objects, const TXPersistent& object) {
  auto& target = const_cast<TXPersistent&>(object);
  pugi::xml_node root = objects.append_child("o");
  root.append_attribute("name") = "";
  WriteText(root, "ObjClassName", object.ClassName());
  WriteObject(root, "Obj", target);
}

void ReadObjectNode(pugi::xml_node root, TXPersistent& object) {
  for (pugi::xml_node child : root.children("o")) {
    if (std::string_view(child.attribute("name").as_string()) == "Obj") ReadObject(child, object);
  }
}

std::optional<pugi::xml_document> ParseObjectXml(std::string_view xml, std::string& reason) {
  if (xml.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    xml.remove_prefix(kByteOrderMark.size());
  if (xml.substr(0, 5) != "<?xml") {
    reason = "the text is not object XML";
    return std::nullopt;
  }
  std::optional<pugi::xml_document> document(std::in_place);
  pugi::xml_parse_result result =
      document->load_buffer(xml.data(), xml.size(), kParseOptions, pugi::encoding_utf8);
  if (!result) {
    reason = std::string("object XML is damaged: ") + result.description() + " at offset " +
             std::to_string(result.offset);
    return std::nullopt;
  }
  if (!document->child("objects")) {
    reason = "object XML without an \"objects\" element";
    return std::nullopt;
  }
  return document;
}

std::string ObjectXmlText(const pugi::xml_document& document) {
  std::string text(kDeclaration);
  StringWriter writer(text);
  document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return text;
}

std::string ObjectToXml(const TXPersistent& object) {
  pugi::xml_document document;
  AppendObjectNode(document.append_child("objects"), object);
  return ObjectXmlText(document);
}

bool ObjectFromXml(TXPersistent& object, std::string_view xml) {
  std::string reason;
  std::optional<pugi::xml_document> document = ParseObjectXml(xml, reason);
  if (!document) {
    SetThreadError(kErrRead, 0, reason);
    return false;
  }
  pugi::xml_node root = document->child("objects").child("o");
  if (!root) {
    SetThreadError(kErrRead, 0, "object XML without an object");
    return false;
  }
  try {
    ReadObjectNode(root, object);
  } catch (const std::exception& error) {
    RecordException(error);
    if (ThreadError().Code == kErrNone) ThreadError().Code = kErrRead;
    return false;
  }
  return true;
}

std::string ObjectXmlClassName(std::string_view xml) {
  std::string reason;
  std::optional<pugi::xml_document> document = ParseObjectXml(xml, reason);
  if (!document) return {};
  pugi::xml_node root = document->child("objects").child("o");
  pugi::xml_node name = root.find_child_by_attribute("p", "name", "ObjClassName");
  return name.text().as_string();
}

std::string BytesToHexLines(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2 + bytes.size() / kHexBytesPerLine * 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % kHexBytesPerLine == 0) text += "\r\n";
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

std::optional<std::vector<uint8_t>> HexLinesToBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

}  // namespace kova
