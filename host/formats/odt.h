// OpenDocument Text (.odt, .ott) documents: read into the model, changes written back into
// the package they came from, new documents written from the model.
#pragma once

#include <string>

#include "host/formats/format.h"

namespace qvhost {

const Format &OdtFormat();

// Writes a document that was not read from an OpenDocument file as a new .odt package at
// `path`, atomically; false with `err` set when it cannot.
bool WriteNewOdt(const Model &m, const Doc &d, const std::string &path, std::string &err);

}  // namespace qvhost
