// Opening and saving document and book files: the one layer that knows both the model and the
// file formats. The model reaches files only through the DocumentFiles lent to it here.
#pragma once

#include <string>

#include "host/model/model.h"

namespace qvhost {

// Reads a file of any supported format, recognised by its content (0 with `err` set, naming
// the file, when it cannot be read).
Handle LoadFile(Model &m, const std::string &path, std::string &err);
// Writes the document or book to `path` atomically in the format its name asks for, else the
// format it was read from, else JSON. The object itself is not changed.
bool SaveFile(const Model &m, Handle docOrBook, const std::string &path, std::string &err);

// LoadFile and SaveFile, for a model's Open, Save, Export and Import.
const DocumentFiles &FormatFiles();

// The host's one model, reading and writing files through FormatFiles(); the handlers and the
// command line use it.
Model &TheModel();

}  // namespace qvhost
