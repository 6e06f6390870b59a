#include "host/book_args.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/files.h"
#include "host/file_access.h"
#include "host/formats/format.h"

namespace qvhost {

namespace {

namespace fs = std::filesystem;

// The office documents of a folder, by name in byte order; false with `err` when it cannot be
// listed.
bool FolderDocuments(const std::string &dir, std::vector<std::string> &files, std::string &err) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::string ext = LowerExtension(name);
    if (name[0] == '.' || (ext != ".odt" && ext != ".docx")) continue;
    if (it->is_regular_file(ec)) files.push_back(it->path().string());
  }
  if (ec) {
    err = "cannot read the folder " + dir + ": " + ec.message();
    return false;
  }
  if (files.empty()) {
    err = dir + " holds no .odt or .docx document";
    return false;
  }
  std::sort(files.begin(), files.end());
  return true;
}

// The deepest folder holding every one of the (canonical) files.
std::string CommonFolder(const std::vector<std::string> &files) {
  fs::path common = fs::path(files.front()).parent_path();
  for (const std::string &f : files) {
    fs::path dir = fs::path(f).parent_path(), shared;
    auto a = common.begin(), b = dir.begin();
    for (; a != common.end() && b != dir.end() && *a == *b; ++a, ++b) shared /= *a;
    common = shared;
  }
  return common.string();
}

Handle MakeBook(Model &m, const std::string &folder, const std::vector<std::string> &files) {
  Book *b = m.NewBook(ResolvedPath(folder));
  for (const std::string &f : files) m.AddComponent(*b, ResolvedPath(f));
  return b->h;
}

}  // namespace

bool HoldsBook(Model &m, const std::string &path) {
  std::string err;
  const Format *f = FormatOfFile(path, err);
  if (f == &OdmFormat()) return true;
  if (f != &JsonFormat()) return false;
  Handle h = LoadFile(m, path, err);
  bool book = m.BookOf(h) != nullptr;
  if (h) m.Close(h, 1);
  return book;
}

Handle OpenBookArgs(Model &m, const std::vector<std::string> &args, std::string &saveRoot,
                    std::string &err) {
  std::error_code ec;
  if (args.size() == 1 && fs::is_directory(args[0], ec)) {
    std::vector<std::string> files;
    if (!FolderDocuments(args[0], files, err)) return 0;
    saveRoot = ResolvedPath(args[0]);
    return MakeBook(m, saveRoot, files);
  }
  if (args.size() == 1 && HoldsBook(m, args[0])) {
    Handle h;
    if (m.Open(args[0], false, h) != kOk || !m.BookOf(h)) {
      err = "cannot open " + m.lastError;
      return 0;
    }
    saveRoot = fs::path(m.BookOf(h)->path).parent_path().string();
    return h;
  }
  std::vector<std::string> files;
  for (const std::string &a : args) {
    if (!fs::is_regular_file(a, ec)) {
      err = "cannot open " + a + (fs::exists(a, ec) ? ": not a file" : ": no such file");
      return 0;
    }
    if (HoldsBook(m, a)) {
      err = a + " is a book; a book made of files takes documents only";
      return 0;
    }
    files.push_back(ResolvedPath(a));
  }
  saveRoot = CommonFolder(files);
  return MakeBook(m, saveRoot, files);
}

}  // namespace qvhost
