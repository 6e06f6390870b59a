// What the end-to-end tests share: a substitute host serving the process-wide model, the
// client started against it, and small builders for documents and books.
//
// Every test runs twice, over each transport, and both runs must make the same calls
// (two_transports.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <quorvex/fcodes.h>

#include "host/core/host.h"
#include "host/files.h"
#include "host/handlers/handlers.h"
#include "host/model/model.h"
#include "tests/support/two_transports.h"

namespace qvtest {

using qvhost::Handle;

class ClientE2E : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static qvhost::Model &m() { return qvhost::TheModel(); }

  // Starts the client (standard error captured) and initialises it with a code other than
  // the first initialisation, so that it stays in its service loop.
  void Launch();
  // Launch, then the command; returns the bail-out flag of the hand-back (1: end steps ran).
  int Run(int id);
  // Launch, then a client call carrying the text.
  int Call(const std::string &text);
  std::string Stderr() const;

  // Texts of the alerts, scroll boxes and status lines shown, in order, as "kind:text".
  std::vector<std::string> Shown(const std::string &kind) const;
  // Scripted answers: "ok", "cancel", or a scroll-box index.
  void Answer(const std::string &a);
  void Choose(int index);

  // The paragraphs of a document's main flow as "Tag|text", the last (empty) one left out.
  std::vector<std::string> Lines(Handle doc) const;
  // The newest document the client made (output, tag list, conversion table).
  Handle Output() const;
  std::vector<std::string> Formats(Handle doc) const;
  // Procedure numbers of the host's call log, and the count of one procedure.
  size_t Calls(unsigned proc) const { return host_.CallCount(proc); }
  // The argument texts of one procedure's calls, in call order (numbers and quoted texts
  // separated by blanks, as the host logs them).
  std::vector<std::string> ArgsOf(unsigned proc) const;
  // Positions in the call log of the first and of the last call of a procedure; npos if none.
  size_t FirstCall(unsigned proc) const;
  size_t LastCall(unsigned proc) const;

  // A document with these catalogue formats, one main flow on a body page, and a first text
  // frame; paragraphs are added with Pgf().
  qvhost::Doc &NewDoc(const std::string &name, const std::vector<std::string> &formats);
  qvhost::Pgf *Pgf(qvhost::Doc &d, const std::string &tag, bool override = false);
  // A table of one row per entry of `rows`, cells holding one paragraph each.
  qvhost::Table &NewTable(qvhost::Doc &d, const std::vector<std::vector<std::string>> &rows,
                          const std::string &cellTag = "CellBody");
  // Writes the document to its file and closes it (so a book pass opens it from disk).
  std::string SaveAndClose(qvhost::Doc &d);
  // A book of these component files, made the active book.
  Handle NewBook(const std::vector<std::string> &files);
  // Reads a document file back (opened in the model).
  Handle Reload(const std::string &path);

  std::string dir_;  // scratch folder of the test
  qvhost::Host host_;
  TwoTransports transports_;
};

}  // namespace qvtest
