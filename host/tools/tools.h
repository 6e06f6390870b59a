// The host's own tools, which work on the model directly (no client process, no RPC):
//
//   quorvex-host explain (--doc FILE | --book FILE) STYLE...
//       where each style is carried (file, story, paragraph, text) and what names it outside
//       paragraphs; for a style no paragraph carries, what deleting it would change.
//       Exit 0; 1 when a style is found in no document; 2 on an error.
//   quorvex-host check (--doc FILE | --book FILE) [--keep LIST] [--no-overrides]
//                      [--format text|json|sarif]
//       paragraphs carrying styles not on LIST, paragraphs with overrides, styles defined but
//       not on LIST. Exit 0 with no error finding, 1 with one, 2 on an error.
//
// doc/check.md and doc/explain.md describe them; argv[0] is the subcommand.
#pragma once

namespace qvhost::tools {

int ExplainMain(int argc, char **argv);
int CheckMain(int argc, char **argv);

}  // namespace qvhost::tools
