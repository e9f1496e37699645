#pragma once

#include <string>

#include "app/key_store.h"
#include "framework/persistent.h"

// Published properties in a key store: every stored property of a simple kind is a text value
// named after the property ("True"/"False", decimal numbers, the text of strings), every
// object-valued property a subkey of its name, and every item of a collection a subkey "Item<i>"
// (from 0) of the collection's key.
namespace kova {

// Writes the object under the key path (created when missing). Values of the key that no
// property writes stay as they are; a collection's key is rebuilt from its items.
void SaveObjectToKey(const TXPersistent& object, TXKeyStore& store, const std::string& path);

// Reads the object from the key path; false (nothing read) when the key does not exist. A value
// without a matching property, or whose text does not fit the property (not a number, out of
// the property's range, an unknown identifier), is ignored, and the property keeps its value.
// A collection is emptied, then gets one item per subkey, in the order of the subkeys.
bool LoadObjectFromKey(TXPersistent& object, const TXKeyStore& store, const std::string& path);

// Whether the text is a valid value of the property: ordinal texts must lie in the property's
// range (a Boolean is "True", "False", 0 or 1).
bool PropertyAcceptsText(const TXPropInfo& prop, const std::string& text);

}  // namespace kova
