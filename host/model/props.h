// The paragraph-format characteristics the host keeps for every format and paragraph: code,
// shape, readable name (the key used in document files) and the default a new format gets.
#pragma once

#include <span>

#include "host/model/value.h"

namespace qvhost {

struct CharDef {
  int32_t code;
  PType type;
  const char *key;
  int32_t defInt;       // default of an int-like characteristic
  const char *defText;  // default of a text characteristic
};

// Every characteristic in code order. PROP_Color is an id (a colour of the same document).
std::span<const CharDef> CharDefs();
const CharDef *FindCharDef(int32_t code);
const CharDef *FindCharDefByKey(const std::string &key);
Value DefaultValue(const CharDef &d);

// Font name lists the session offers; format characteristics index them.
const std::vector<std::string> &FontFamilyNames();
// The index of a font family in FontFamilyNames(), which grows by the name when it is new
// (documents name fonts of their own).
int32_t FontFamilyIndex(const std::string &name);
const std::vector<std::string> &FontVariationNames();
const std::vector<std::string> &FontWeightNames();
const std::vector<std::string> &FontAngleNames();

}  // namespace qvhost
