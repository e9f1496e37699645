#include "persistence/xml_filer.h"

#include "persistence/xml_filer_objects.h"

namespace kova {

void TXCustomXMLFiler::LoadText(const std::string& text) {
  std::string reason;
  std::optional<pugi::xml_document> document = ParseObjectXml(text, reason);
  if (!document) RaiseThreadError(kErrRead, 0, reason);
  pugi::xml_node root = document->child("objects").child("o");
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (group->WriteObject && group->Object()) {
      if (!root) RaiseThreadError(kErrRead, 0, "object XML lacks the object of " + group->Name());
      ReadObjectNode(root, *group->Object());
      root = root.next_sibling("o");
    }
    StepProgress();
  }
}

std::string TXCustomXMLFiler::SaveText() {
  pugi::xml_document document;
  pugi::xml_node objects = document.append_child("objects");
  StartProgress(Groups().Count());
  for (const auto& group : Groups()) {
    if (group->WriteObject && group->Object()) AppendObjectNode(objects, *group->Object());
    StepProgress();
  }
  return ObjectXmlText(document);
}

void TXMLFiler::CreateGroups() {
  Groups().Add<TXFilerGroup>(*this, Object()->ClassName(), Object());
}

}  // namespace kova
