// Log text of a record: its encoder runs over a stream that prints instead of storing. Every
// 32-bit item becomes a decimal number; a counted byte run (an XDR string or opaque) becomes a
// quoted text in place of its length, and its padding is skipped.
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "host/core/dispatch.h"

namespace qvhost {
namespace {

struct Printer {
  std::string out;
  size_t last_num_pos = std::string::npos;  // where the last number starts in `out`
  long last_num = -1;
  unsigned pad = 0;  // padding bytes expected after a text
};

Printer *P(XDR *x) {
  return static_cast<Printer *>(static_cast<void *>(x->x_private));
}

void Sep(Printer *p) {
  if (!p->out.empty()) p->out += ' ';
}

bool_t PutLong(XDR *x, const long *v) {
  Printer *p = P(x);
  p->pad = 0;
  Sep(p);
  p->last_num_pos = p->out.size();
  p->last_num = static_cast<long>(static_cast<int32_t>(*v));
  p->out += std::to_string(static_cast<int32_t>(*v));
  return TRUE;
}

bool_t PutBytes(XDR *x, const char *b, u_int n) {
  Printer *p = P(x);
  if (p->pad != 0 && n == p->pad) {  // the padding of the text just printed
    p->pad = 0;
    return TRUE;
  }
  if (p->last_num_pos != std::string::npos && p->last_num == static_cast<long>(n)) {
    p->out.resize(p->last_num_pos);  // the count belongs to the text
  } else {
    Sep(p);
  }
  p->out += '"';
  for (u_int i = 0; i < n; i++) {
    unsigned char c = static_cast<unsigned char>(b[i]);
    if (c == '"' || c == '\\') {
      p->out += '\\';
      p->out += static_cast<char>(c);
    } else if (c < 32 || c >= 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      p->out += hex;
    } else {
      p->out += static_cast<char>(c);
    }
  }
  p->out += '"';
  p->last_num_pos = std::string::npos;
  p->pad = (4 - n % 4) % 4;
  return TRUE;
}

bool_t GetLong(XDR *, long *) {
  return FALSE;
}
bool_t GetBytes(XDR *, char *, u_int) {
  return FALSE;
}
u_int GetPos(XDR *) {
  return 0;
}
bool_t SetPos(XDR *, u_int) {
  return FALSE;
}
int32_t *Inline(XDR *, u_int) {
  return nullptr;
}
void Destroy(XDR *) {}
bool_t Control(XDR *, int, void *) {
  return FALSE;
}

using Ops = std::remove_const_t<std::remove_pointer_t<decltype(XDR::x_ops)>>;
const Ops kOps = {GetLong, PutLong, GetBytes, PutBytes, GetPos, SetPos, Inline, Destroy, Control};

}  // namespace

std::string XdrText(XdrFn fn, void *record) {
  Printer p;
  XDR x;
  std::memset(&x, 0, sizeof x);
  x.x_op = XDR_ENCODE;
  x.x_ops = &kOps;
  x.x_private = static_cast<char *>(static_cast<void *>(&p));
  if (!fn(&x, record)) p.out += p.out.empty() ? "<unprintable>" : " <unprintable>";
  return p.out;
}

}  // namespace qvhost
