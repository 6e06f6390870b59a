// The formats' facts about paragraph styles beyond the model, by the format a document was
// read from.
#include "host/formats/style_refs.h"

#include "host/formats/docx.h"
#include "host/formats/odt_internal.h"

namespace qvhost {

const char *StyleRefKindName(StyleRef::Kind k) {
  static const char *const kNames[] = {"linked",     "numbering", "index-source", "index-entry",
                                       "note-style", "field",     "setting"};
  return kNames[k];
}

bool ReadStyleFacts(const Model &m, const Doc &d, StyleFacts &out, std::string &err) {
  try {
    if (auto *o = dynamic_cast<const odt::OdtSource *>(d.source.get()))
      return odt::ReadFacts(m, d, *o, out, err);
    if (auto *x = dynamic_cast<const docx::Source *>(d.source.get()))
      return docx::ReadFacts(m, d, *x, out, err);
  } catch (const std::exception &e) {
    return err = std::string("cannot read the document again: ") + e.what(), false;
  }
  return true;
}

}  // namespace qvhost
