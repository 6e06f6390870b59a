// The shared records' decoders: the first input byte picks the record, the rest is its wire.
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const uint8_t *p = data + 1;
  size_t n = size - 1;
  using namespace qvfuzz;
  switch (data[0] % 20) {
    case 0:
      CheckAny<F_PropValsT>(xdr_F_PropValsT, p, n);
      break;
    case 1:
      CheckAny<F_TypedValT>(xdr_F_TypedValT, p, n);
      break;
    case 2:
      CheckAny<F_PropIdentT>(xdr_F_PropIdentT, p, n);
      break;
    case 3:
      CheckAny<TextItemsT>(xdr_TextItemsT, p, n);
      break;
    case 4:
      CheckAny<F_StringsT>(xdr_F_StringsT, p, n);
      break;
    case 5:
      CheckAny<F_TabsT>(xdr_F_TabsT, p, n);
      break;
    case 6:
      CheckAny<F_AttributeDefsT>(xdr_F_AttributeDefsT, p, n);
      break;
    case 7:
      CheckAny<F_AttributesT>(xdr_F_AttributesT, p, n);
      break;
    case 8:
      CheckAny<F_UBytesT>(xdr_F_UBytesT, p, n);
      break;
    case 9:
      CheckAny<F_ElementCatalogEntriesT>(xdr_F_ElementCatalogEntriesT, p, n);
      break;
    case 10:
      CheckAny<F_PointsT>(xdr_F_PointsT, p, n);
      break;
    case 11:
      CheckAny<F_FontsT>(xdr_F_FontsT, p, n);
      break;
    case 12:
      CheckAny<F_CombinedFontsT>(xdr_F_CombinedFontsT, p, n);
      break;
    case 13:
      CheckAny<OptPropValsT>(xdr_OptPropValsT, p, n);
      break;
    case 14:
      CheckAny<StringT>(xdr_StringT, p, n);
      break;
    case 15:
      CheckAny<F_IntsT>(xdr_F_IntsT, p, n);
      break;
    case 16:
      CheckAny<F_MetricsT>(xdr_F_MetricsT, p, n);
      break;
    case 17:
      CheckAny<F_UIntsT>(xdr_F_UIntsT, p, n);
      break;
    case 18:
      CheckAny<FmRpcApiConnectArgT>(xdr_FmRpcApiConnectArgT, p, n);
      break;
    default:
      CheckAny<FmRpcApiConnectReturnT>(xdr_FmRpcApiConnectReturnT, p, n);
      break;
  }
  return 0;
}
