// Wire forms worked out by hand, word by word: the protocol tests compare the encoders with
// them, and the fuzz targets start from them.
#pragma once

#include <string>

#include "wire_util.h"

namespace qvtest {

// Big-endian words and padded texts, to write expected wire forms by hand.
struct Wire {
  Bytes b;
  Wire &W(uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
    return *this;
  }
  Wire &T(const std::string &s) {
    W(static_cast<uint32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    while (b.size() % 4 != 0) b.push_back(0);
    return *this;
  }
};

namespace golden {

// Three properties: code 20 (its name is not sent) with a string, code 30 with an int, and a
// property named "X" holding two metrics.
inline Bytes PropertyList() {
  return Wire()
      .W(3)
      .W(20)
      .W(3)
      .T("Body")
      .W(30)
      .W(1)
      .W(5)
      .W(0)
      .T("X")
      .W(5)
      .W(2)
      .W(0x10000)
      .W(0xFFFFFFFF)
      .b;
}
// A string item at offset 0 and an item of type 4 with an int at offset 2.
inline Bytes TextItems() {
  return Wire().W(2).W(0).W(1).T("Hi").W(2).W(4).W(0x1234).b;
}
inline Bytes NoElementRange() {
  return Wire().W(19).W(0).b;
}
inline Bytes ElementRange() {
  return Wire().W(19).W(1).W(1).W(2).W(3).W(4).W(5).W(6).b;
}
// Type 11 has no member of its own: one int.
inline Bytes PlainIntValue() {
  return Wire().W(11).W(9).b;
}
inline Bytes ThreeBytes() {
  return Wire().W(3).W(1).W(2).W(255).b;
}
// An alert whose text was null: it travels as the empty text.
inline Bytes AlertNullText() {
  return Wire().W(0).W(2).b;
}
inline Bytes ConnectArg() {
  return Wire().T("qv").T("10.0.0.1").W(4321).b;
}
inline Bytes OpenReply() {
  return Wire().W(0).W(7).W(0).b;
}

// Calls visit(coder, bytes) for every form above with the decoder of its record.
template <typename Visit>
void ForEach(Visit &&visit) {
  visit(xdr_F_PropValsT, PropertyList());
  visit(xdr_TextItemsT, TextItems());
  visit(xdr_F_TypedValT, NoElementRange());
  visit(xdr_F_TypedValT, ElementRange());
  visit(xdr_F_TypedValT, PlainIntValue());
  visit(xdr_F_UBytesT, ThreeBytes());
  visit(xdr_ApiFmAlertArgT, AlertNullText());
  visit(xdr_FmRpcApiConnectArgT, ConnectArg());
  visit(xdr_ApiFmOpenRetT, OpenReply());
}

}  // namespace golden
}  // namespace qvtest
