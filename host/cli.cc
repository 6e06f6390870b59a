// The host's command line: run and menus.
#include "host/cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/core/host.h"
#include "host/handlers/handlers.h"
#include "host/model/model.h"
#include "host/model/render.h"
#include "quorvex/fcodes.h"

namespace qvhost {

namespace {

namespace fs = std::filesystem;

constexpr int kWaitMs = 10000;

struct Options {
  std::string doc, book, command, html, client, clientDir;
  std::vector<Answer> answers;
  bool save = false;
};

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

void Usage(const char *sub) {
  std::fprintf(stderr,
               "usage: quorvex-host run (--doc FILE | --book FILE) --command NAME\n"
               "           [--answer ok|cancel]... [--choose N]... [--text TEXT]...\n"
               "           [--html FILE] [--client PATH] [--client-dir DIR] [--save]\n"
               "       quorvex-host menus [--client PATH] [--client-dir DIR]\n");
  (void)sub;
}

// Parses the options after the subcommand; false (with a message) on anything unknown.
bool Parse(int argc, char **argv, bool run, Options &o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
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
    } else if (a == "--client-dir") {
      if (!value(o.clientDir)) return false;
    } else if (!run) {
      std::fprintf(stderr, "quorvex-host: unknown option %s\n", a.c_str());
      return false;
    } else if (a == "--doc") {
      if (!value(o.doc)) return false;
    } else if (a == "--book") {
      if (!value(o.book)) return false;
    } else if (a == "--command") {
      if (!value(o.command)) return false;
    } else if (a == "--html") {
      if (!value(o.html)) return false;
    } else if (a == "--save") {
      o.save = true;
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
  if (run && (o.doc.empty() == o.book.empty() || o.command.empty())) {
    std::fprintf(stderr, "quorvex-host: run needs one of --doc and --book, and --command\n");
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
    if (it.type)
      std::printf("saved: %s\n", it.text.c_str());
    else
      std::printf("not written (add --save to write it): %s\n", it.text.c_str());
  }
}

// Starts the host and launches the client once; false with a message when either fails.
bool StartClient(Host &host, const Options &o, bool first) {
  std::string err;
  if (first && !host.Start(&err)) {
    std::fprintf(stderr, "quorvex-host: %s\n", err.c_str());
    return false;
  }
  Host::LaunchOptions lo;
  lo.client_path = o.client.empty() ? (SelfDir() / "quorvex").string() : o.client;
  if (!host.Launch(lo, &err)) {
    std::fprintf(stderr, "quorvex-host: cannot start the client %s: %s\n", lo.client_path.c_str(),
                 err.c_str());
    return false;
  }
  return true;
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

bool WriteFile(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int RunMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, true, o)) {
    Usage(argv[0]);
    return 2;
  }
  Model &m = TheModel();
  m.Reset();
  m.writeSaves = o.save;
  Handle target;
  const std::string &file = o.doc.empty() ? o.book : o.doc;
  if (m.Open(file, false, target) != kOk) {
    std::fprintf(stderr, "quorvex-host: cannot open %s: %s\n", file.c_str(), m.lastError.c_str());
    return 1;
  }
  if (o.doc.empty() != !m.DocOf(target)) {
    std::fprintf(stderr, "quorvex-host: %s is not a %s\n", file.c_str(),
                 o.doc.empty() ? "book" : "document");
    return 1;
  }
  (o.doc.empty() ? m.activeBook : m.activeDoc) = target;
  Host host;
  if (!Initialise(host, m, o)) return 1;

  // A client command name (or a number) goes by its menu command; anything else is sent as the
  // text of a client call, which the client matches against its own names.
  char *end = nullptr;
  long number = std::strtol(o.command.c_str(), &end, 10);
  bool numeric = !o.command.empty() && !*end;
  Handle cmd = m.FindMenuItem(Kind::Command, o.command);
  m.answers = o.answers;
  m.onShow = PrintShown;
  if (!StartClient(host, o, false)) return 1;
  host.Initialize(0);
  int handback;
  if (numeric || cmd) {
    int id = numeric ? static_cast<int>(number) : m.As<Command>(cmd, Kind::Command)->number;
    std::printf("command %d (%s)\n", id, o.command.c_str());
    handback = host.Command(id);
  } else {
    std::printf("client call \"%s\"\n", o.command.c_str());
    handback = host.Notify(NOTE_ClientCall, 0, o.command, 0);
  }
  EndClient(host);
  m.onShow = nullptr;
  host.Stop();

  const Doc *last = nullptr;
  for (Handle h : m.created) {
    const Doc *d = m.DocOf(h);
    if (!d) continue;
    std::printf("--- output document ---\n");
    std::fputs(DocText(m, *d).c_str(), stdout);
    last = d;
  }
  if (!last) std::printf("--- no output document ---\n");
  for (Handle h : m.OpenDocs())
    if (const Doc *d = m.DocOf(h); d->modified && !d->path.empty())
      std::printf("changed in the host, not saved by the command: %s\n", d->path.c_str());
  if (!o.html.empty()) {
    if (!last) {
      std::fprintf(stderr, "quorvex-host: no output document to write as HTML\n");
      return 1;
    }
    if (!WriteFile(o.html, DocHtml(m, *last, "Quorvex: " + o.command))) {
      std::fprintf(stderr, "quorvex-host: cannot write %s\n", o.html.c_str());
      return 1;
    }
    std::printf("html: %s\n", o.html.c_str());
  }
  if (handback < 0) {
    std::fprintf(stderr, "quorvex-host: the client did not hand control back\n");
    return 1;
  }
  return 0;
}

int MenusMain(int argc, char **argv) {
  Options o;
  if (!Parse(argc, argv, false, o)) {
    Usage(argv[0]);
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
