// The substitute host as a tool a person can use: run one command of the client on document or
// book files, or show the menus the client builds.
//
//   quorvex-host run (--doc FILE | --book FILE|DIR [--book FILE]...) (--command NAME | --call TEXT)
//                    [--open FILE]... [--answer ok|cancel]... [--choose N]... [--text TEXT]...
//                    [--save | --dry-run] [--save-outside] [--output FILE] [--html FILE]
//                    [--client PATH] [--client-dir DIR] [--process] [--call-log FILE]
//   quorvex-host suggest-merges (--doc FILE | --book ...) --output FILE [--client-dir DIR]
//   quorvex-host menus [--client PATH] [--client-dir DIR]
//
// `run` starts the client and initialises it (which defines its menus), checks that --command
// names one of the client's menu commands (by name or number; a slip is refused with the
// nearest name), opens the --open documents, then the file as the active document or book
// (--book also takes a folder or several documents, see book_args.h), starts the client again
// and sends the command, or with --call the text of a client call. Questions are answered from
// the script in order (--answer for alerts, --choose N for the zero-based entry of a scroll box,
// --text for prompts); with no script left, alerts are confirmed and scroll boxes take their
// default. Progress texts, alerts and saves are printed as they happen, then every document the
// command created, one line per paragraph with its tag, then per file saved what changed in it
// and whether it was written. Saves are written only with --save; without it they are reported
// and the files stay as they are; --dry-run saves as --save does but never commits a file.
// Every file is written only once the whole run has succeeded: a failed save, a component that
// cannot be opened or a client that fails ends the run with status 1 and no file changed. A
// book's components are saved only inside the book's folder unless --save-outside is given.
// On a terminal, a book run shows "file n of N: name" on standard error as it goes.
// --output writes the (last) created document by the name's extension: .html and .txt as the
// views, anything else through the document format claiming the extension (checked before the
// command runs); --html is the HTML view under any name.
//
// The client runs inside this process (see Host's linked clients), or with --process as the
// program `quorvex` beside this one, started with FMAPIX and talking ONC RPC over TCP as under
// the host application; --client PATH runs another program that way. Both make the same calls
// through the same dispatcher: --call-log FILE writes them, one a line, for comparing runs.
// The client directory (where the output template KVOutput.fm lives) defaults to
// $QUORVEX_CLIENT_DIR, else the examples/clientdir folder of the source tree found above this
// program.
#pragma once

#include <string>
#include <vector>

#include "host/core/host.h"
#include "host/model/model.h"

namespace qvhost {

// The client linked into this program: `run` and `menus` run it inside this process unless
// --process (or --client) asks for a process of its own. Without one, the client is always run.
void SetLinkedClient(const LinkedClient *client);

// argv[0] is the subcommand. Exit status: 0 when the command ran, 1 when it could not be run,
// 2 for a bad command line.
int RunMain(int argc, char **argv);
int MenusMain(int argc, char **argv);
// Opens the document of --doc, or the book the --book arguments name (book_args.h: a book file,
// a folder or several documents), and makes it the active document or book; a book that lists
// itself or another book is refused, and unless `saveOutside` a book's saves are kept in its
// folder (Model::saveRoot). False, with the reason printed, when it cannot be opened or is not
// of the kind asked for. `run`, suggest-merges and the host's own tools (check, explain) open
// what they work on through this.
bool OpenTarget(Model &m, const std::string &doc, const std::vector<std::string> &books,
                bool saveOutside = false);
// quorvex-host suggest-merges: the conversion table of the clones of a document's or book's
// styles (see doc/suggest-merges.md). Exit status as RunMain's.
int SuggestMergesMain(int argc, char **argv);

// What --output writes, by the file's extension: one of the views, or a document format.
enum class OutputKind { Html, Text, Document };
// The kind of output a file name asks for; false with `err` when no view or format claims its
// extension.
bool OutputKindOf(const std::string &path, OutputKind &kind, std::string &err);
// Writes a document to `path` as `kind` asks (atomically, in the run's save batch if one is open).
bool WriteOutput(const Model &m, const Doc &d, const std::string &path, OutputKind kind,
                 const std::string &title, std::string &err);
// The full description of the command line, with a worked example, on standard output.
void PrintHelp();

}  // namespace qvhost
