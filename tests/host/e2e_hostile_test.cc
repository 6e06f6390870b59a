// Hostile files given to quorvex-host itself: each is refused with one line and a failure
// status, nothing is written, and the process never dies of a signal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "host/formats/json.h"
#include "host/formats/xml.h"
#include "tests/host/hostile_files.h"
#include "tests/host/shell_run.h"

namespace qvhost {
namespace {

using namespace hostile;

ShellRun Host(const std::string &args) {
  return RunShell(std::string(QV_HOST_BIN) + " " + args + " --client " + QV_CLIENT_BIN +
                  " --client-dir " + QV_EXAMPLES_DIR + "/clientdir 2>&1");
}

TEST(HostCliHostile, DeepOrMalformedFilesGiveOneLineAndFailureWithNothingWritten) {
  Scratch s;
  std::string deep = "nested deeper than ";
  struct Case {
    std::string option, path, why;
  } cases[] = {
      {"--doc",
       s.Edited("pydocx.docx", "word/document.xml", "<w:body>",
                "<w:body>" + Nest("<w:customXml>", "<w:p/>", "</w:customXml>", 30000),
                "custom.docx"),
       deep + std::to_string(kMaxXmlDepth)},
      {"--doc",
       s.Edited("rich.odt", "content.xml", "<office:text>",
                "<office:text><text:tracked-changes>" + Nest("<text:x>", "", "</text:x>", 30000) +
                    "</text:tracked-changes>",
                "changes.odt"),
       deep + std::to_string(kMaxXmlDepth)},
      {"--book",
       s.Edited("master.odm", "content.xml", "<office:text text:use-soft-page-breaks=\"true\">",
                "<office:text>" + Nest("<text:section>", "", "</text:section>", 100000),
                "sections.odm"),
       deep + std::to_string(kMaxXmlDepth)},
      {"--doc", s.Write("deep.json", Repeat("[", 100000) + Repeat("]", 100000)),
       deep + std::to_string(kMaxJsonDepth)},
      {"--doc",
       s.Edited("rich.odt", "styles.xml", "style:display-name=\"Text body\"",
                "style:display-name=\"Caf\xE9\"", "latin1.odt"),
       "malformed UTF-8"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    std::string out = (s.dir / "out.json").string();
    ShellRun r = Host("run " + c.option + " " + c.path +
                      " --command CreateParagraphList --choose 1 --output " + out);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.out.find(c.why), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(out));
  }
}

}  // namespace
}  // namespace qvhost
