// Interface calls on objects and their properties.
#include "apiclib.h"

using namespace qvcalls;

// Property getters and setters by code come in one shape each: (document, object, code) and
// (document, object, code, value).
#define QV_GETTER(name, Type, stub)                                 \
  Type name(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum) { \
    return Get<stub>(docId, objId, Prop(propNum));                  \
  }
#define QV_SETTER(name, Type, stub)                                              \
  VoidT name(F_ObjHandleT docId, F_ObjHandleT objId, IntT propNum, Type value) { \
    Set<stub>(docId, objId, Prop(propNum), value);                               \
  }

extern "C" {

// ---- Objects ----

F_ObjHandleT F_ApiGetNamedObject(F_ObjHandleT docId, IntT objType, ConStringT name) {
  return Get<api_fm_get_named_object_1>(docId, objType, name);
}

F_ObjHandleT F_ApiGetUniqueObject(F_ObjHandleT docId, IntT objType, IntT unique) {
  return Get<api_fm_get_unique_object_1>(docId, objType, unique);
}

F_ObjHandleT F_ApiNewGraphicObject(F_ObjHandleT docId, IntT objType, F_ObjHandleT parentId) {
  return Get<api_fm_new_graphic_object_1>(docId, objType, parentId);
}

F_ObjHandleT F_ApiNewNamedObject(F_ObjHandleT docId, IntT objType, ConStringT name) {
  return Get<api_fm_new_named_object_1>(docId, objType, name);
}

F_ObjHandleT F_ApiNewAnchoredObject(F_ObjHandleT docId, IntT objType, const F_TextLocT *textLocp) {
  return Get<api_fm_new_anchored_object_1>(docId, objType, textLocp);
}

F_ObjHandleT F_ApiNewAnchoredFormattedObject(F_ObjHandleT docId, IntT objType, ConStringT format,
                                             const F_TextLocT *textLocp) {
  return Get<api_fm_new_anchored_formatted_object_1>(docId, objType, format, textLocp);
}

F_ObjHandleT F_ApiNewSubObject(F_ObjHandleT docId, F_ObjHandleT parentId, IntT property) {
  return Get<api_fm_new_sub_object_1>(docId, parentId, property);
}

F_ObjHandleT F_ApiNewSeriesObject(F_ObjHandleT docId, IntT objType, F_ObjHandleT prevId) {
  return Get<api_fm_new_series_object_1>(docId, objType, prevId);
}

IntT F_ApiObjectValid(F_ObjHandleT docId, F_ObjHandleT objId) {
  auto r = Call<api_fm_object_valid_1>(docId, objId);
  return r && Succeeded(*r) ? 1 : 0;
}

IntT F_ApiDelete(F_ObjHandleT docId, F_ObjHandleT objId) {
  return Status<api_fm_delete_1>(docId, objId);
}

// ---- Properties by code ----

QV_GETTER(F_ApiGetInt, IntT, api_fm_get_int_1)
QV_SETTER(F_ApiSetInt, IntT, api_fm_set_int_1)
QV_GETTER(F_ApiGetId, F_ObjHandleT, api_fm_get_id_1)
QV_SETTER(F_ApiSetId, F_ObjHandleT, api_fm_set_id_1)
QV_GETTER(F_ApiGetMetric, MetricT, api_fm_get_metric_1)
QV_SETTER(F_ApiSetMetric, MetricT, api_fm_set_metric_1)
QV_GETTER(F_ApiGetString, StringT, api_fm_get_string_1)
QV_SETTER(F_ApiSetString, ConStringT, api_fm_set_string_1)
QV_GETTER(F_ApiGetStrings, F_StringsT, api_fm_get_strings_1)
QV_SETTER(F_ApiSetStrings, const F_StringsT *, api_fm_set_strings_1)
QV_GETTER(F_ApiGetMetrics, F_MetricsT, api_fm_get_metrics_1)
QV_SETTER(F_ApiSetMetrics, const F_MetricsT *, api_fm_set_metrics_1)
QV_GETTER(F_ApiGetInts, F_IntsT, api_fm_get_ints_1)
QV_SETTER(F_ApiSetInts, const F_IntsT *, api_fm_set_ints_1)
QV_GETTER(F_ApiGetPoints, F_PointsT, api_fm_get_points_1)
QV_SETTER(F_ApiSetPoints, const F_PointsT *, api_fm_set_points_1)
QV_GETTER(F_ApiGetTabs, F_TabsT, api_fm_get_tabs_1)
QV_SETTER(F_ApiSetTabs, const F_TabsT *, api_fm_set_tabs_1)
QV_GETTER(F_ApiGetTextLoc, F_TextLocT, api_fm_get_textloc_1)
QV_SETTER(F_ApiSetTextLoc, const F_TextLocT *, api_fm_set_textloc_1)
QV_GETTER(F_ApiGetTextRange, F_TextRangeT, api_fm_get_textrange_1)
QV_SETTER(F_ApiSetTextRange, const F_TextRangeT *, api_fm_set_textrange_1)
QV_GETTER(F_ApiGetElementRange, F_ElementRangeT, api_fm_get_element_range_1)
QV_SETTER(F_ApiSetElementRange, const F_ElementRangeT *, api_fm_set_element_range_1)
QV_GETTER(F_ApiGetVal, F_TypedValT, api_fm_get_val_1)
QV_SETTER(F_ApiSetVal, const F_TypedValT *, api_fm_set_val_1)
QV_GETTER(F_ApiGetPropVal, F_PropValT, api_fm_get_prop_1)

VoidT F_ApiSetPropVal(F_ObjHandleT docId, F_ObjHandleT objId, const F_PropValT *value) {
  Set<api_fm_set_prop_1>(docId, objId, value);
}

F_PropValsT F_ApiGetProps(F_ObjHandleT docId, F_ObjHandleT objId) {
  return Get<api_fm_get_props_1>(docId, objId);
}

VoidT F_ApiSetProps(F_ObjHandleT docId, F_ObjHandleT objId, const F_PropValsT *props) {
  Set<api_fm_set_props_1>(docId, objId, props);
}

// ---- Properties by name ----

IntT F_ApiGetIntByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName) {
  return Get<api_fm_get_int_1>(docId, objId, Named(propName));
}

VoidT F_ApiSetIntByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName, IntT value) {
  Set<api_fm_set_int_1>(docId, objId, Named(propName), value);
}

MetricT F_ApiGetMetricByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName) {
  return Get<api_fm_get_metric_1>(docId, objId, Named(propName));
}

VoidT F_ApiSetMetricByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName,
                           MetricT value) {
  Set<api_fm_set_metric_1>(docId, objId, Named(propName), value);
}

F_UBytesT F_ApiGetUBytesByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName) {
  return Get<api_fm_get_ubytes_1>(docId, objId, Named(propName));
}

VoidT F_ApiSetUBytesByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName,
                           const F_UBytesT *value) {
  Set<api_fm_set_ubytes_1>(docId, objId, Named(propName), value);
}

VoidT F_ApiDeletePropByName(F_ObjHandleT docId, F_ObjHandleT objId, ConStringT propName) {
  Set<api_fm_delete_prop_1>(docId, objId, Named(propName));
}

// ---- Structure properties with a fixed code ----

F_AttributeDefsT F_ApiGetAttributeDefs(F_ObjHandleT docId, F_ObjHandleT objId) {
  return Get<api_fm_get_attribute_defs_1>(docId, objId, Prop(PROP_AttributeDefs));
}

VoidT F_ApiSetAttributeDefs(F_ObjHandleT docId, F_ObjHandleT objId, const F_AttributeDefsT *value) {
  Set<api_fm_set_attribute_defs_1>(docId, objId, Prop(PROP_AttributeDefs), value);
}

F_AttributesT F_ApiGetAttributes(F_ObjHandleT docId, F_ObjHandleT objId) {
  return Get<api_fm_get_attributes_1>(docId, objId, Prop(PROP_Attributes));
}

VoidT F_ApiSetAttributes(F_ObjHandleT docId, F_ObjHandleT objId, const F_AttributesT *value) {
  Set<api_fm_set_attributes_1>(docId, objId, Prop(PROP_Attributes), value);
}

F_ElementCatalogEntriesT F_ApiGetElementCatalog(F_ObjHandleT docId) {
  return Get<api_fm_get_element_catalog_1>(docId, docId, Prop(PROP_ElementCatalog));
}

IntT F_ApiDeleteUndefinedAttribute(F_ObjHandleT docId, ConStringT name, IntT flags,
                                   F_ObjHandleT elemId) {
  return Status<api_fm_delete_undefined_attribute_1>(docId, name, flags, elemId);
}

// ---- Progress indicator ----

IntT F_Progress(IntT value) {
  const IntT kept = FA_errno;
  FA_errno = 0;
  F_ApiSetInt(0, 0, PROP_Progress, value);
  const bool refused = FA_errno != 0;
  FA_errno = kept;
  return refused ? -1 : 0;
}

}  // extern "C"
