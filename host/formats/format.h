// Document formats on disk. The model knows nothing of them: each format is an adapter that
// reads a file into the model and writes the model back, behind this one interface.
//
// A file's format is recognised by its content, never by its name: a JSON text, or a ZIP
// package whose own description names its media type (an OpenDocument package's `mimetype`
// entry, an Office Open XML package's content types). A new file takes the format its name
// asks for (.odt, .docx), JSON otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/model/model.h"

namespace qvhost {

class Package;

// What recognition looks at: the file's first bytes and, when it is a ZIP package, the package.
struct Probe {
  std::string path;
  std::string head;              // up to the first 4 KiB
  const Package *pkg = nullptr;  // set when the file is a readable ZIP package
};

class Format {
 public:
  virtual ~Format() = default;
  // Short name for messages ("JSON", "OpenDocument Text").
  virtual std::string_view Name() const = 0;
  // File-name extensions (lower case, with the dot) that ask for this format for a new file.
  virtual std::vector<std::string_view> Extensions() const = 0;
  // Whether the file is of this format. Cheap: reads at most a small package entry.
  virtual bool Recognises(const Probe &p) const = 0;
  // Builds a document or book from the file and returns its handle; 0 with `err` set (without
  // the file name, which the caller adds) when the file cannot be read as this format. Nothing
  // is left in the model on failure.
  virtual Handle Load(Model &m, const std::string &path, std::string &err) const = 0;
  // Writes a document (or, for formats that hold them, a book) to `path`, atomically and with
  // the checks of atomic_file.h (no special, read-only or hard-linked file is replaced): on
  // failure the file at `path` is as it was. A document this format read keeps everything of
  // its file that the model does not hold, and only what changed in the model changes on disk;
  // any other document is written as a new file.
  virtual bool Save(const Model &m, Handle docOrBook, const std::string &path,
                    std::string &err) const = 0;
};

// Every format the host reads and writes, JSON first.
const std::vector<const Format *> &Formats();
// The format of an existing file, by its content; nullptr with `err` saying what was found.
const Format *FormatOfFile(const std::string &path, std::string &err);
// The format whose extension the file name carries (in any case), or nullptr.
const Format *FormatClaiming(const std::string &path);
// The extension of a file name, in lower case (".odt"; empty for none).
std::string LowerExtension(const std::string &path);
// The format a document is saved in to `path`. Saved to the file it was read from, it keeps
// the format that file holds, whatever the file's name says; a new file takes the format its
// name asks for, else the format the document was read from, else JSON.
const Format *FormatForSave(const Model &m, Handle docOrBook, const std::string &path);

// Each adapter's one instance.
const Format &JsonFormat();
const Format &DocxFormat();
const Format &OdmFormat();

}  // namespace qvhost
