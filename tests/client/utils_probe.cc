// A client whose one command writes three lines into a new output document: a heading, an
// empty line, and a line without a tag (which keeps the format of the line before).
#include <quorvex/fapi.h>
#include <quorvex/fapiruntime.h>

#include "client/utils.h"

extern "C" {
VoidT F_ApiInitialize(IntT) {}
VoidT F_ApiNotify(IntT, F_ObjHandleT, StringT, IntT) {}
VoidT F_ApiCommand(IntT) {
  F_ObjHandleT out = CreateOutputDocument();
  WriteToOutputDocument(out, "First", "Heading1");
  WriteToOutputDocument(out, "", "Body");
  WriteToOutputDocument(out, "Same format", nullptr);
  F_ApiBailOut();
}
}

int main() {
  return F_ApiRun();
}
