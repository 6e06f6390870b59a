// Temporary: new OpenDocument files are written by odt_new.cc, which replaces this file.
#include "host/formats/odt.h"

namespace qvhost {

bool WriteNewOdt(const Model &, const Doc &, const std::string &, std::string &err) {
  err = "writing new OpenDocument files is not available";
  return false;
}

}  // namespace qvhost
