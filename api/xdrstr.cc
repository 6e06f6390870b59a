// Encoders of the scalar items that rpcgen cannot code the way the wire wants them: texts
// (a null pointer is sent as the empty text, a received text is bounded and read in pieces)
// and bytes (a full 4-byte word each, refusing values above 255).
#include <cstdlib>
#include <cstring>

#include <quorvex/proto/fmtypes.h>

namespace {

// A received text is read this many bytes at a time, so that a length word promising more
// than the message holds costs at most one piece of memory before the read fails. A multiple
// of 4: only the last piece carries the padding.
constexpr u_int kTextPiece = 64 * 1024;

bool_t DecodeText(XDR *xdrs, StringT *objp) {
  u_int len = 0;
  if (!xdr_u_int(xdrs, &len) || len > QV_XDR_MAX_TEXT) return FALSE;
  u_int cap = len < kTextPiece ? len : kTextPiece;
  auto *buf = static_cast<char *>(malloc(static_cast<size_t>(cap) + 1));
  if (buf == nullptr) return FALSE;
  u_int have = 0;
  while (have < len) {
    u_int piece = len - have < kTextPiece ? len - have : kTextPiece;
    if (have + piece > cap) {
      u_int grown = cap * 2 < len ? cap * 2 : len;
      if (grown < have + piece) grown = have + piece;
      auto *more = static_cast<char *>(realloc(buf, static_cast<size_t>(grown) + 1));
      if (more == nullptr) {
        free(buf);
        return FALSE;
      }
      buf = more;
      cap = grown;
    }
    if (!xdr_opaque(xdrs, buf + have, piece)) {
      free(buf);
      return FALSE;
    }
    have += piece;
  }
  buf[len] = '\0';
  *objp = buf;
  return TRUE;
}

}  // namespace

extern "C" bool_t xdr_StringT(XDR *xdrs, StringT *objp) {
  if (objp == nullptr) return FALSE;
  switch (xdrs->x_op) {
    case XDR_ENCODE: {
      const char *s = *objp != nullptr ? *objp : "";
      size_t n = strlen(s);
      if (n > QV_XDR_MAX_TEXT) return FALSE;
      u_int len = static_cast<u_int>(n);
      return xdr_u_int(xdrs, &len) && xdr_opaque(xdrs, const_cast<char *>(s), len);
    }
    case XDR_DECODE:
      // Always a fresh text: a decode never writes into whatever the pointer held.
      *objp = nullptr;
      return DecodeText(xdrs, objp);
    case XDR_FREE:
      free(*objp);
      *objp = nullptr;
      return TRUE;
  }
  return FALSE;
}

extern "C" bool_t xdr_UByteT(XDR *xdrs, UByteT *objp) {
  if (objp == nullptr) return FALSE;
  u_int v = *objp;
  if (!xdr_u_int(xdrs, &v)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) {
    if (v > 0xFF) return FALSE;
    *objp = static_cast<UByteT>(v);
  }
  return TRUE;
}
