// The host's command line: run and menus.
#include "host/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/atomic_file.h"
#include "host/book_args.h"
#include "host/changes.h"
#include "host/core/host.h"
#include "host/files.h"
#include "host/file_access.h"
#include "host/formats/format.h"
#include "host/handlers/handlers.h"
#include "host/merges.h"
#include "host/model/model.h"
#include "host/model/render.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 10000;

struct Options {
  std::string doc, command, call, html, output, client, clientDir, callLog;
  std::vector<std::string> books, opens;
  std::vector<Answer> answers;
  bool save = false, saveOutside = false, dryRun = false;
  bool process = false;  // run the client as a process of its own, over ONC RPC
};

const LinkedClient *g_linked = nullptr;

// The subcommands Parse reads the options of.
enum class Sub { Menus, Run, SuggestMerges };

fs::path SelfDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : exe.parent_path();
}

std::string DefaultClientDir() {
  if (const char *env = std::getenv("QUORVEX_CLIENT_DIR")) return env;
  for (fs::path p = SelfDir(); !p.empty(); p = p.parent_path()) {
    fs::path cand = p / "examples" / "clientdir";
    if (fs::exists(cand / "KVOutput.fm")) return cand.string();
    if (p == p.parent_path()) break;
  }
  return (fs::current_path() / "examples" / "clientdir").string();
}

void Usage() {
  std::fprintf(
      stderr,
      "usage: quorvex-host run (--doc FILE | --book FILE|DIR [--book FILE]...)\n"
      "           (--command NAME | --call TEXT) [--open FILE]... [--answer ok|cancel]...\n"
      "           [--choose N]... [--text TEXT]... [--save | --dry-run] [--save-outside]\n"
      "           [--output FILE] [--html FILE] [--client PATH] [--client-dir DIR]\n"
      "           [--process] [--call-log FILE]\n"
      "       quorvex-host suggest-merges (--doc FILE | --book FILE|DIR [--book FILE]...)\n"
      "           --output FILE [--client-dir DIR]\n"
      "       quorvex-host menus [--client PATH] [--client-dir DIR] [--process]\n"
      "       quorvex-host --help | --version\n");
}

}  // namespace

bool OutputKindOf(const std::string &path, OutputKind &kind, std::string &err) {
  std::string ext = LowerExtension(path);
  if (ext == ".html" || ext == ".htm") return kind = OutputKind::Html, true;
  if (ext == ".txt") return kind = OutputKind::Text, true;
  if (FormatClaiming(path)) return kind = OutputKind::Document, true;
  std::string known = ".html, .txt";
  for (const Format *f : Formats())
    for (std::string_view e : f->Extensions()) known += ", " + std::string(e);
  err = "cannot write " + path + ": " +
        (ext.empty() ? std::string("the name has no extension")
                     : "no output format for \"" + ext + "\"") +
        " (use " + known + ")";
  return false;
}

namespace {

// Parses the options after the subcommand; false (with a message) on anything unknown.
bool Parse(int argc, char **argv, Sub sub, Options &o) {
  bool run = sub == Sub::Run;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintHelp();
      std::exit(0);
    }
    auto value = [&](std::string &slot) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "quorvex-host: %s needs a value\n", a.c_str());
        return false;
      }
      slot = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--client") {
      if (!value(o.client)) return false;
      o.process = true;  // another program can only be run
    } else if (a == "--process") {
      o.process = true;
    } else if (a == "--client-dir") {
      if (!value(o.clientDir)) return false;
    } else if (sub == Sub::Menus) {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", a.c_str());
      return false;
    } else if (a == "--doc") {
      if (!value(o.doc)) return false;
    } else if (a == "--book") {
      if (!value(v)) return false;
      o.books.push_back(v);
    } else if (a == "--output") {
      if (!value(o.output)) return false;
    } else if (!run) {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", a.c_str());
      return false;
    } else if (a == "--command") {
      if (!value(o.command)) return false;
    } else if (a == "--call") {
      if (!value(o.call)) return false;
    } else if (a == "--call-log") {
      if (!value(o.callLog)) return false;
    } else if (a == "--html") {
      if (!value(o.html)) return false;
    } else if (a == "--open") {
      if (!value(v)) return false;
      o.opens.push_back(v);
    } else if (a == "--save") {
      o.save = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--save-outside") {
      o.saveOutside = true;
    } else if (a == "--answer") {
      if (!value(v)) return false;
      if (v != "ok" && v != "cancel") {
        std::fprintf(stderr, "quorvex-host: --answer takes ok or cancel\n");
        return false;
      }
      o.answers.push_back({v == "ok" ? Answer::Ok : Answer::Cancel, 0, ""});
    } else if (a == "--choose") {
      if (!value(v)) return false;
      char *end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || n < INT32_MIN || n > INT32_MAX) {
        std::fprintf(stderr, "quorvex-host: --choose takes a number\n");
        return false;
      }
      o.answers.push_back({Answer::Choose, static_cast<int32_t>(n), ""});
    } else if (a == "--text") {
      if (!value(v)) return false;
      o.answers.push_back({Answer::Text, 0, v});
    } else {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", a.c_str());
      return false;
    }
  }
  if (sub != Sub::Menus && o.doc.empty() == o.books.empty()) {
    std::fprintf(stderr, "quorvex-host: %s needs one of --doc and --book\n",
                 run ? "run" : "suggest-merges");
    return false;
  }
  if (run && o.command.empty() == o.call.empty()) {
    std::fprintf(stderr, "quorvex-host: run needs one of --command and --call\n");
    return false;
  }
  if (sub == Sub::SuggestMerges && o.output.empty()) {
    std::fprintf(stderr, "quorvex-host: suggest-merges needs --output FILE\n");
    return false;
  }
  return true;
}

const char *AlertKind(int32_t type) {
  return type == VAL_AlertNote ? "note" : type == VAL_AlertWarning ? "warning" : "question";
}

// Prints what the host shows the user as it happens.
void PrintShown(const ShownItem &it) {
  if (it.what == "status") {
    if (!it.text.empty()) std::printf("progress: %s\n", it.text.c_str());
  } else if (it.what == "alert") {
    bool q = std::string(AlertKind(it.type)) == "question";
    std::printf("alert (%s): %s%s\n", AlertKind(it.type), it.text.c_str(),
                q ? (it.answer == 0 ? "  -> OK" : "  -> Cancel") : "");
  } else if (it.what == "scrollbox") {
    std::printf("scroll box \"%s\":", it.text.c_str());
    for (size_t i = 0; i < it.items.size(); ++i)
      std::printf("%s %zu %s", i ? " |" : "", i, it.items[i].c_str());
    if (it.answer < 0)
      std::printf("  -> cancelled\n");
    else
      std::printf("  -> %d\n", it.answer);
  } else if (it.what == "prompt") {
    std::printf("prompt: %s  -> %s\n", it.text.c_str(),
                it.answer < 0      ? "cancelled"
                : it.items.empty() ? ""
                                   : it.items[0].c_str());
  } else if (it.what == "save") {
    if (it.type < 0)
      std::printf("save failed: %s\n", it.text.c_str());
    else if (it.type)
      std::printf("saved: %s\n", it.text.c_str());
    else
      std::printf("not written (add --save to write it): %s\n", it.text.c_str());
  }
}

// Starts the host and launches the client once; false with a message when either fails.
bool StartClient(Host &host, const Options &o, bool first) {
  std::string err;
  Host::LaunchOptions lo;
  lo.client_path = o.client.empty() ? (SelfDir() / "quorvex").string() : o.client;
  if (!o.process) lo.linked = g_linked;
  // A linked client needs no RPC service, and so no port mapper.
  if (first && lo.linked == nullptr && !host.Start(&err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return false;
  }
  if (!host.Launch(lo, &err)) {
    std::fprintf(stderr, "quorvex-host: cannot start the client %s: %s\n", lo.client_path.c_str(),
                 err.c_str());
    return false;
  }
  return true;
}

// The interface calls of the run, one a line: number, name and argument record.
std::string CallLogText(const Host &host) {
  std::string out;
  for (const LoggedCall &c : host.CallLog()) {
    const ProcEntry *e = FindProc(c.proc);
    out += std::to_string(c.proc) + ' ' + (e ? e->name : "?") + ' ' + c.args + '\n';
  }
  return out;
}

// Lets a client that ended its callback without bailing out go.
void EndClient(Host &host) {
  if (host.WaitExit(kWaitMs) >= 0) return;
  host.Quit();
  host.WaitExit(kWaitMs);
}

// Starts the client and initialises it the first time, which defines its menus.
bool Initialise(Host &host, Model &m, const Options &o) {
  m.clientDir = o.clientDir.empty() ? DefaultClientDir() : o.clientDir;
  RegisterModelHandlers();
  host.SetCallTimeLimit(kWaitMs);
  if (!StartClient(host, o, true)) return false;
  if (host.Initialize(VAL_InitFirst) < 0) {
    std::fprintf(stderr, "quorvex-host: the client did not finish its initialisation\n");
    return false;
  }
  EndClient(host);
  return true;
}

}  // namespace

void SetLinkedClient(const LinkedClient *client) {
  g_linked = client;
}

bool WriteOutput(const Model &m, const Doc &d, const std::string &path, OutputKind kind,
                 const std::string &title, std::string &err) {
  switch (kind) {
    case OutputKind::Html:
      return WriteFileAtomic(path, DocHtml(m, d, title), err);
    case OutputKind::Text:
      return WriteFileAtomic(path, DocText(m, d), err);
    case OutputKind::Document:
      if (SaveFile(m, d.h, path, err)) return true;
      if (err.rfind("cannot write ", 0) != 0) err = "cannot write " + err;
      return false;
  }
  return false;
}

namespace {

// Checks made before anything runs, so that a mistake in them changes no file.

// The documents and books the run opens: the --open documents, then the target, left active.
bool OpenInputs(Model &m, const Options &o) {
  for (const std::string &file : o.opens) {
    Handle h;
    if (m.Open(file, false, h) != kOk) {
      std::fprintf(stderr, "quorvex-host: cannot open %s\n", m.lastError.c_str());
      return false;
    }
    if (!m.DocOf(h)) {
      std::fprintf(stderr, "quorvex-host: %s is not a document (--open takes documents)\n",
                   file.c_str());
      return false;
    }
  }
  return OpenTarget(m, o.doc, o.books, o.saveOutside);
}

// A book whose components include itself or another book would be walked wrongly (the client
// treats every component as a document): refused. A component that cannot be read is left to
// the run, where the client reports it and the run fails.
bool CheckComponents(Model &m, const Book &b) {
  for (Handle c : m.Chained(b.comps)) {
    std::string path = ResolvedPath(m.As<Component>(c, Kind::Component)->path);
    const char *why = path == b.path       ? "lists itself as a component"
                      : HoldsBook(m, path) ? "lists another book as a component, and books do "
                                             "not nest"
                                           : nullptr;
    if (why) {
      std::fprintf(stderr, "quorvex-host: %s %s: %s\n", b.path.c_str(), why, path.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

bool OpenTarget(Model &m, const std::string &doc, const std::vector<std::string> &books,
                bool saveOutside) {
  Handle target;
  std::string err, root;
  if (!books.empty()) {
    target = OpenBookArgs(m, books, root, err);
    if (!target) {
      std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
      return false;
    }
    // A book may link documents anywhere; what the run saves stays in the book's own folder.
    if (!saveOutside) m.saveRoot = root;
  } else if (m.Open(doc, false, target) != kOk) {
    std::fprintf(stderr, "quorvex-host: cannot open %s\n", m.lastError.c_str());
    return false;
  } else if (!m.DocOf(target)) {
    std::fprintf(stderr, "quorvex-host: %s is not a document\n", doc.c_str());
    return false;
  }
  m.activeDoc = m.DocOf(target) ? target : 0;
  m.activeBook = m.BookOf(target) ? target : 0;
  const Book *b = m.BookOf(m.activeBook);
  return !b || CheckComponents(m, *b);
}

namespace {

// --output and --html must not name a file the run works on.
bool OutputsClear(const Model &m, const Options &o) {
  std::vector<std::string> inputs;
  for (Handle h : m.OpenDocs()) inputs.push_back(m.DocOf(h)->path);
  for (Handle h : m.OpenBooks()) {
    const Book *b = m.BookOf(h);
    inputs.push_back(b->path);
    for (Handle c : m.Chained(b->comps))
      inputs.push_back(ResolvedPath(m.As<Component>(c, Kind::Component)->path));
  }
  for (const std::string *out : {&o.output, &o.html, &o.callLog}) {
    if (out->empty()) continue;
    std::string path = ResolvedPath(*out);
    if (std::find(inputs.begin(), inputs.end(), path) != inputs.end()) {
      std::fprintf(stderr, "quorvex-host: %s is a document this run opens; write to another file\n",
                   out->c_str());
      return false;
    }
  }
  return true;
}

// The client's menu command --command names, by name or by number; null when it defines none.
const Command *ClientCommand(const Model &m, const std::string &name) {
  char *end = nullptr;
  long number = std::strtol(name.c_str(), &end, 10);
  if (!name.empty() && !*end)
    return number >= INT32_MIN && number <= INT32_MAX
               ? m.CommandByNumber(static_cast<int32_t>(number))
               : nullptr;
  return m.As<Command>(m.FindMenuItem(Kind::Command, name), Kind::Command);
}

// Edit distance between two names, ignoring case.
size_t Distance(std::string_view a, std::string_view b) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diag = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (lower(a[i - 1]) != lower(b[j - 1]))});
      diag = up;
    }
  }
  return row[b.size()];
}

// The client's command name nearest to `name`, when one is near enough to be a slip.
std::string NearestCommand(const Model &m, const std::string &name) {
  std::string best;
  size_t bestDistance = std::max<size_t>(2, name.size() / 3) + 1;
  for (Handle h : m.MenuItems()) {
    const Command *c = m.As<Command>(h, Kind::Command);
    if (!c) continue;
    size_t d = Distance(name, c->name);
    if (d < bestDistance) bestDistance = d, best = c->name;
  }
  return best;
}

// --command must name a command of the client's menus; a slip is refused with the nearest name.
bool CheckCommand(const Model &m, const Options &o, const Command *&cmd) {
  cmd = nullptr;
  if (o.command.empty()) return true;
  if ((cmd = ClientCommand(m, o.command))) return true;
  std::string near = NearestCommand(m, o.command);
  std::fprintf(stderr, "quorvex-host: unknown command %s; %s\n", o.command.c_str(),
               near.empty() ? "quorvex-host menus lists the commands (--call sends a client call)"
                            : ("did you mean " + near + "?").c_str());
  return false;
}

// Sends the menu command, or else the client call. Returns the hand-back value, or -1.
int SendCommand(Host &host, const Options &o, const Command *cmd) {
  if (cmd) {
    std::printf("command %d (%s)\n", cmd->number, cmd->name.c_str());
    return host.Command(cmd->number);
  }
  std::printf("client call \"%s\"\n", o.call.c_str());
  return host.Notify(NOTE_ClientCall, 0, o.call, 0);
}

// "file n of N: name" on standard error while a book's components are opened, drawn over itself,
// only when standard error is a terminal.
class BookProgress {
 public:
  BookProgress(const Model &m, Handle book) {
    const Book *b = m.BookOf(book);
    if (!b || !isatty(STDERR_FILENO)) return;
    for (Handle c : m.Chained(b->comps))
      index_.emplace(ResolvedPath(m.As<Component>(c, Kind::Component)->path), ++total_);
  }
  ~BookProgress() { Hide(); }
  void Opened(const Model &m, Handle doc) {
    auto it = index_.find(m.DocOf(doc)->path);
    if (it == index_.end()) return;
    line_ = "file " + std::to_string(it->second) + " of " + std::to_string(total_) + ": " +
            std::filesystem::path(it->first).filename().string();
    Show();
  }
  // Takes the line away while something else is printed, and puts it back.
  void Hide() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }
  void Show() {
    if (line_.empty()) return;
    std::fflush(stdout);
    std::fprintf(stderr, "\r%s\033[K", line_.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }

 private:
  std::unordered_map<std::string, size_t> index_;
  size_t total_ = 0;
  std::string line_;
  bool drawn_ = false;
};

// Per file the run saved (or, without --save or with --dry-run, would have saved): what changed
// and whether it was written.
void PrintChanges(const ChangeLog &log, const char *written) {
  if (log.Entries().empty()) {
    std::printf("--- no document changed ---\n");
    return;
  }
  std::printf("--- changes ---\n");
  for (const ChangeLog::Entry &e : log.Entries())
    std::printf("%s: %s; %s\n", e.path.c_str(), DescribeCounts(e.counts).c_str(), written);
}

// The document a save names (saves are shown by path).
Handle OpenDocNamed(const Model &m, const std::string &path) {
  for (Handle h : m.OpenDocs())
    if (m.DocOf(h)->path == path) return h;
  return 0;
}

}  // namespace

int RunMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, Sub::Run, o)) {
    Usage();
    return 2;
  }
  // The outputs are checked before anything runs, so that a bad name leaves every file alone.
  OutputKind outKind = OutputKind::Html;
  std::string err;
  if (!o.output.empty() && !OutputKindOf(o.output, outKind, err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return 2;
  }
  // A device, FIFO, socket or folder there (or a protected file) is never replaced.
  for (const std::string *out : {&o.html, &o.output, &o.callLog})
    if (!out->empty() && !CheckReplaceable(*out, err)) {
      std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
      return 1;
    }
  Model &m = TheModel();
  m.Reset();
  // A dry run saves as --save does, into waiting files that are never committed.
  m.writeSaves = o.save || o.dryRun;

  // Every file the run writes waits beside its target until the run has succeeded; a run that
  // fails writes nothing.
  SaveBatch batch;
  Host host;
  // Only --call-log shows a run's calls: without it, its memory stays that of its documents.
  host.KeepLog(!o.callLog.empty());
  // The client defines its menus first, so that a command it does not know is refused before
  // any document is opened.
  if (!Initialise(host, m, o)) return 1;
  const Command *cmd = nullptr;
  if (!CheckCommand(m, o, cmd)) return 2;
  ChangeLog changes;
  m.onLoad = [&](Handle h) { changes.Loaded(m, h); };
  if (!OpenInputs(m, o)) return 1;
  if (!OutputsClear(m, o)) return 1;

  BookProgress progress(m, m.activeBook);
  m.onLoad = [&](Handle h) {
    changes.Loaded(m, h);
    progress.Opened(m, h);
  };
  m.answers = o.answers;
  std::vector<std::string> failures;
  auto watch = [&](const ShownItem &it) {
    progress.Hide();
    if (o.dryRun && it.what == "save" && it.type == 1)
      std::printf("would be saved (dry run): %s\n", it.text.c_str());
    else
      PrintShown(it);
    if (it.what == "save" && it.type >= 0) changes.Saved(m, OpenDocNamed(m, it.text), it.text);
    if (it.what == "save" && it.type < 0)
      failures.push_back((it.text.rfind("cannot ", 0) == 0 ? "" : "cannot save ") + it.text);
    std::string hint = "add --save-outside to let --save write outside the book's folder";
    if (it.what == "save" && it.type == -2 &&
        std::find(failures.begin(), failures.end(), hint) == failures.end())
      failures.push_back(hint);
    progress.Show();
  };
  m.onShow = watch;
  m.failedOpens.clear();
  if (!StartClient(host, o, false)) return 1;
  host.Initialize(0);
  int handback = SendCommand(host, o, cmd);
  EndClient(host);
  progress.Hide();
  m.onLoad = nullptr;
  host.Stop();
  if (!o.callLog.empty() && !WriteFileAtomic(o.callLog, CallLogText(host), err))
    failures.push_back(err);
  for (const std::string &why : m.failedOpens) failures.push_back("cannot open " + why);
  if (handback < 0) failures.push_back("the client did not hand control back");

  const Doc *last = nullptr;
  for (Handle h : m.created) {
    const Doc *d = m.DocOf(h);
    if (!d) continue;
    std::printf("--- output document ---\n");
    std::fputs(DocText(m, *d).c_str(), stdout);
    last = d;
  }
  if (!last) std::printf("--- no output document ---\n");
  // What the command changed and left unsaved (a single document's commands leave saving to
  // the user) is saved now, through the format it was read from: written with --save, only
  // reported otherwise.
  for (Handle h : std::vector<Handle>(m.OpenDocs())) {
    const Doc *d = m.DocOf(h);
    if (!d || !d->modified || d->path.empty() || !failures.empty()) continue;
    Handle out;
    m.Save(h, "", out);
  }
  m.onShow = nullptr;
  std::string title = "Quorvex: " + (cmd ? cmd->name : o.call);
  struct Out {
    const std::string &path;
    OutputKind kind;
    const char *label;
  };
  const char *label = o.dryRun ? "not written (dry run)" : nullptr;
  for (const Out &out : {Out{o.html, OutputKind::Html, "html"}, Out{o.output, outKind, "output"}}) {
    if (out.path.empty() || !failures.empty()) continue;
    if (!last) {
      failures.push_back("the command made no document to write to " + out.path);
    } else if (!WriteOutput(m, *last, out.path, out.kind, title, err)) {
      failures.push_back(err);
    } else {
      std::printf("%s%s%s: %s\n", out.label, label ? " " : "", label ? label : "",
                  out.path.c_str());
    }
  }
  if (failures.empty() && o.dryRun) {
    batch.Abandon();
    PrintChanges(changes, "not written (dry run)");
    std::printf("dry run: nothing was written\n");
    return 0;
  }
  if (failures.empty() && batch.Commit(err)) {
    PrintChanges(changes, o.save ? "written" : "not written (add --save to write it)");
    return 0;
  }
  if (failures.empty()) failures.push_back(err);
  PrintChanges(changes, "not written (the run failed)");
  for (const std::string &why : failures) std::fprintf(stderr, "quorvex-host: %s\n", why.c_str());
  std::fprintf(stderr, "quorvex-host: the run failed; no file was written\n");
  return 1;
}

void PrintHelp() {
  std::fputs(
      R"(quorvex-host: runs the Quorvex client on office documents, as the host application would.

  quorvex-host run --doc FILE | --book FILE|DIR [--book FILE]...
                   --command NAME | --call TEXT
                                           a command of the client's menus, by name or
                                           number (quorvex-host menus lists them), or the
                                           text of a client call
                   [--open FILE]...        more open documents: an edited tag list or
                                           conversion table the command reads
                   [--answer ok|cancel]... answers to the client's questions, in order
                   [--choose N]...         the entry (from 0) to pick in a list the client shows
                   [--text TEXT]...        the text to type at a prompt
                   [--save]                write back every document the command changed
                   [--dry-run]             run as --save would, then write nothing
                   [--save-outside]        let --save write book components that lie outside
                                           the book's folder (linked from elsewhere)
                   [--output FILE]         the document the command made (a listing, tag list,
                                           conversion table or report): .odt, .docx,
                                           .html, .txt or .json by extension
                   [--html FILE]           the same as an HTML page
                   [--client PATH]         the client program (default: quorvex beside this one)
                   [--client-dir DIR]      where its template KVOutput.fm is
                   [--process]             run the client as a process of its own, talking
                                           ONC RPC over TCP as under the host application
                                           (needs rpcbind); without it the client runs
                                           inside this program, with the same calls
                   [--call-log FILE]       write every interface call the client made, one a
                                           line: number, name and argument record
  quorvex-host suggest-merges --doc FILE | --book ... --output FILE
                                           a conversion table that merges the clones of
                                           styles ("Normal1", "Heading 1 Char"), to review
                                           and run with ConvertParagraphsInDoc
  quorvex-host menus                       the menus and command names the client defines
  quorvex-host demo                        every call of one short client session
  quorvex-host explain --doc FILE | --book FILE  STYLE...
                                           where each style is carried (file, story,
                                           paragraph, text), what names it (based-on and
                                           next-style links, linked styles, numbering, index
                                           sources, fields) and, for a style no paragraph
                                           carries, what deleting it would change; exit 1
                                           when a style is found nowhere (doc/explain.md)
  quorvex-host check --doc FILE | --book FILE  [--keep LIST] [--no-overrides]
                   [--format text|json|sarif]
                                           a gate for CI: paragraphs whose style is not on
                                           LIST (a tag list document or a text file, one
                                           name a line) and, with --no-overrides, paragraphs
                                           with formatting of their own are errors; styles
                                           defined but not on LIST are warnings. Exit 0: no
                                           error; 1: errors found; 2: a bad command line,
                                           file or list (doc/check.md)
  quorvex-host --version                   the version of this program

Documents are read by their content, whatever their names: OpenDocument Text (.odt), Office
Open XML (.docx) and the host's own JSON files. A book is a .book file listing component files
of any of these, mixed, or an OpenDocument master document (.odm), whose linked sub-documents
are its components. --book DIR makes a book of a folder's .odt and .docx files (in name
order, hidden files and subfolders left out), and --book FILE repeated a book of those files.
Without --save nothing on disk changes: the saves a command makes are only reported. Every
run ends with what it changed in each file (styles deleted, paragraphs retagged, overrides
removed, next-tag references rewritten) and whether it was written. On a terminal, a book
run shows "file n of N" on standard error. A document is saved in the format its file holds,
whatever its name. Questions with no answer left are confirmed, and lists take their default.
Every file a run writes is held back until the run has succeeded: an unreadable file or
component, an unknown format, a failed save or a client that fails prints the reason and exits
with a non-zero status, and then no file has changed. A bad --output name, an --output or
--html file that names a document of the run, is not a regular file or may not be replaced,
and a book that lists itself or another book are refused before anything runs. Saves keep a
file's owner, group and mode, and refuse read-only files and files with several hard links.

Commands of a document: ListParagraphUsage, DeleteUnusedParagraphs, CreateParagraphList,
RemoveNonlistParagraphs, CreateConversionDocument, ConvertParagraphsInDoc, RemoveOverrides,
FindNextOverride, GenerateParagraphTagReport, GenerateParagraphTagReportSingle.
Commands of a book: ListParagraphUsageBook, ListParagraphUsageBookIndFiles,
DeleteUnusedParagraphsBook, CreateParagraphListBook, RemoveNonlistParagraphsBook,
CreateConversionDocumentBook, ConvertParagraphsBook, RemoveOverridesBook.

Example: keep only an agreed list of paragraph styles in report.odt.
  1. Make a tag list of the styles in use (list type 1), as a document:
       quorvex-host run --doc report.odt --command CreateParagraphList --choose 1 \
           --output keep.odt
  2. Open keep.odt in an office suite and delete the rows of the styles to drop (only the
     first cell of each row counts); save it as .odt.
  3. Remove every other style (the client asks for confirmation: --answer ok):
       quorvex-host run --doc report.odt --open keep.odt \
           --command RemoveNonlistParagraphs --answer ok --save
Retagging works the same way: CreateConversionDocument --choose 1 --output convert.odt, type
the new style beside each old one in the second column, then
       quorvex-host run --doc report.odt --open convert.odt \
           --command ConvertParagraphsInDoc --save
)",
      stdout);
}

int SuggestMergesMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, Sub::SuggestMerges, o)) {
    Usage();
    return 2;
  }
  OutputKind kind = OutputKind::Document;
  std::string err;
  if (!OutputKindOf(o.output, kind, err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return 2;
  }
  Model &m = TheModel();
  m.Reset();
  m.clientDir = o.clientDir.empty() ? DefaultClientDir() : o.clientDir;
  if (!OpenTarget(m, o.doc, o.books, o.saveOutside)) return 1;
  std::vector<Handle> docs{m.activeDoc};
  if (const Book *b = m.BookOf(m.activeBook)) {
    docs.clear();
    for (Handle c : m.Chained(b->comps)) {
      Handle h = 0;
      if (m.Open(ResolvedPath(m.As<Component>(c, Kind::Component)->path), false, h) != kOk) {
        std::fprintf(stderr, "quorvex-host: cannot open %s\n", m.lastError.c_str());
        return 1;
      }
      if (m.DocOf(h)) docs.push_back(h);
    }
  }
  if (!OutputsClear(m, o)) return 1;
  std::vector<MergeRow> rows = SuggestMerges(m, docs);
  Handle out = MakeConversionDoc(m, rows, err);
  if (!out || !WriteOutput(m, *m.DocOf(out), o.output, kind, "Quorvex: suggested merges", err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return 1;
  }
  size_t merges = 0;
  for (const MergeRow &r : rows)
    if (!r.target.empty()) std::printf("%s -> %s\n", r.name.c_str(), r.target.c_str()), ++merges;
  std::printf("%zu of %zu styles suggested for merging; output: %s\n", merges, rows.size(),
              o.output.c_str());
  return 0;
}

int MenusMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, Sub::Menus, o)) {
    Usage();
    return 2;
  }
  Model &m = TheModel();
  m.Reset();
  Host host;
  bool ok = Initialise(host, m, o);
  host.Stop();
  if (!ok) return 1;
  for (const char *bar : {"!MakerMainMenu", "!BookMainMenu", "!QuickMakerMainMenu"}) {
    std::printf("%s\n", bar);
    std::fputs(MenuTree(m, m.FindMenuItem(Kind::Menu, bar), 1).c_str(), stdout);
  }
  return 0;
}

}  // namespace qvhost
