// Interface calls on fonts and text encodings.
#include "apiclib.h"

using namespace qvcalls;

extern "C" {

F_FontsT F_ApiFamilyFonts(IntT family) {
  return Get<api_fm_family_fonts_1>(family);
}

F_CombinedFontsT F_ApiCombinedFamilyFonts(F_ObjHandleT combinedFontId) {
  return Get<api_fm_combined_family_fonts_1>(combinedFontId);
}

IntT F_ApiGetFontFamilyValue(ConStringT name) {
  return Get<api_fm_get_font_family_value_1>(name);
}

IntT F_ApiGetFontVariationValue(ConStringT name) {
  return Get<api_fm_get_font_variation_value_1>(name);
}

IntT F_ApiGetFontWeightValue(ConStringT name) {
  return Get<api_fm_get_font_weight_value_1>(name);
}

IntT F_ApiGetFontAngleValue(ConStringT name) {
  return Get<api_fm_get_font_angle_value_1>(name);
}

IntT F_ApiMakeGhostFont(const F_FontT *font, ConStringT family, ConStringT variation,
                        ConStringT weight, ConStringT angle, const F_FontT *ghostFont) {
  return Status<api_fm_make_ghost_font_1>(font, family, variation, weight, angle, ghostFont);
}

IntT F_ApiIsEncodingSupported(ConStringT encoding) {
  return Answer<api_fm_is_encoding_supported_1, 0>(encoding);
}

F_StringsT F_ApiGetSupportedEncodings(VoidT) {
  return Get<api_fm_get_supported_encodings_1>();
}

StringT F_ApiGetEncodingForFamily(IntT family) {
  return Get<api_fm_get_encoding_for_family_1>(family);
}

StringT F_ApiGetEncodingForFont(const F_FontT *font) {
  return Get<api_fm_get_encoding_for_font_1>(font);
}

}  // extern "C"
