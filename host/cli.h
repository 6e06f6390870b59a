// The substitute host as a tool a person can use: run one command of the client on document or
// book files, or show the menus the client builds.
//
//   quorvex-host run (--doc FILE | --book FILE) --command NAME [--open FILE]...
//                    [--answer ok|cancel]... [--choose N]... [--text TEXT]... [--save]
//                    [--output FILE] [--html FILE] [--client PATH] [--client-dir DIR]
//   quorvex-host menus [--client PATH] [--client-dir DIR]
//
// `run` opens the --open documents, then the file as the active document or book, starts the
// client and initialises it (which defines its menus), starts it again and sends the command:
// by its menu command number when NAME is one of the client's command names (or a number),
// otherwise as a client-call text. Questions are answered from the script in order (--answer
// for alerts, --choose N for the zero-based entry of a scroll box, --text for prompts); with no
// script left, alerts are confirmed and scroll boxes take their default. Progress texts, alerts
// and saves are printed as they happen, then every document the command created, one line per
// paragraph with its tag. Saves the command makes are written only with --save; without it they
// are reported and the files stay as they are. Every file is written only once the whole run has
// succeeded: a failed save, a component that cannot be opened or a client that fails ends the
// run with status 1 and no file changed. A book's components are saved only inside the book's
// folder unless --save-outside is given.
// --output writes the (last) created document by the name's extension: .html and .txt as the
// views, anything else through the document format claiming the extension (checked before the
// command runs); --html is the HTML view under any name.
//
// The client defaults to `quorvex` beside this program; the client directory (where the output
// template KVOutput.fm lives) to $QUORVEX_CLIENT_DIR, else the examples/clientdir folder of the
// source tree found above this program.
#pragma once

#include <string>

namespace qvhost {

class Model;

// argv[0] is the subcommand. Exit status: 0 when the command ran, 1 when it could not be run,
// 2 for a bad command line.
int RunMain(int argc, char **argv);
int MenusMain(int argc, char **argv);
// Opens the file of --doc or of --book (exactly one of them is given) and makes it the active
// document or book; a book that lists itself or another book is refused. False, with the reason
// printed, when the file cannot be opened or is not of the kind asked for. `run` and the host's
// own tools (check, explain) open what they work on through this.
bool OpenTarget(Model &m, const std::string &doc, const std::string &book);
// The full description of the command line, with a worked example, on standard output.
void PrintHelp();

}  // namespace qvhost
