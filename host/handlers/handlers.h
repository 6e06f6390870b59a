// The host procedures served from the model (TheModel()): every procedure the tools call, and
// a representative of every other family. Each handler only translates between the wire
// records and the model; what a call does is the model's business. A handle of the wrong kind,
// a property the object lacks, or a value of the wrong shape is answered with the model's
// status code, never a crash. Results are built from malloc'd memory only, so the core can
// release them with xdr_free.
#pragma once

#include <quorvex/fapitypes.h>

#include "host/files.h"
#include "host/model/model.h"

namespace qvhost {

// Serve()s every procedure below. Calling it again changes nothing.
void RegisterModelHandlers();
// The structure-element procedures and those on the properties of text (part of the above).
void RegisterStructureHandlers();

// Wire <-> model values, for the handlers and for tests of them. ValueFromWire returns false
// for a typed value the model has no shape for; ValueToWire fills `out` with malloc'd memory.
bool ValueFromWire(const F_TypedValT &in, Value &out);
void ValueToWire(const Value &in, F_TypedValT &out);

}  // namespace qvhost
