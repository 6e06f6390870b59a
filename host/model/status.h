// Host status codes the substitute host answers with. 0 is success; the negative values are the
// host's own (the interface layer keeps -1 for a failed remote call, so none of these is -1).
#pragma once

#include <cstdint>

namespace qvhost {

constexpr int32_t kOk = 0;
constexpr int32_t kBadDocId = -2;       // document handle 0, unknown, or not a document
constexpr int32_t kBadObjId = -3;       // object handle 0, unknown, or of the wrong kind
constexpr int32_t kBadPropNum = -4;     // property the object does not have
constexpr int32_t kBadPropType = -5;    // value of the wrong shape for the property
constexpr int32_t kReadOnly = -6;       // property that cannot be written
constexpr int32_t kBadName = -7;        // no object of that type and name
constexpr int32_t kBadParameter = -8;   // argument out of range
constexpr int32_t kFileError = -9;      // file could not be read or written
constexpr int32_t kCancelled = -10;     // the user cancelled the question
constexpr int32_t kDocModified = -11;   // close without the discard flag of a modified document
constexpr int32_t kBadObjType = -12;    // object type not known to the call
constexpr int32_t kNotDeletable = -13;  // object of a kind the host does not delete
constexpr int32_t kBadInsertPos = -14;  // text location outside any paragraph
constexpr int32_t kUnserved = -15;      // procedure the substitute host does not implement
constexpr int32_t kNotFound = -16;      // searched-for text not in the document

}  // namespace qvhost
