#pragma once

#include <string>

#include "persistence/filer.h"

namespace kova {

// Reads and writes object XML: one root "o" element per group, in group order, each holding the
// group's object with its published properties and nested collections.
class TXCustomXMLFiler : public TXCustomStringFiler {
 protected:
  void LoadText(const std::string& text) override;
  std::string SaveText() override;
};

// The object XML filer of one object.
class TXMLFiler : public TXCustomXMLFiler {
 protected:
  void CreateGroups() override;
};

}  // namespace kova
