// Helpers shared by the base library's own units; not installed.
#ifndef QUORVEX_BASE_INTERNAL_H
#define QUORVEX_BASE_INTERNAL_H

#include <quorvex/fdetypes.h>
#include <quorvex/fdepath.h>

#include <string>
#include <string_view>

namespace qvbase {

// A copy of s in a block from F_Calloc; null when that fails.
StringT NewString(std::string_view s);

// True when b begins a double-byte character of the dialog encoding (never while dormant).
bool DialogLead(UCharT b);

// Variable and home-directory expansion. False when the result would be too long.
bool FixTilda(std::string_view name, std::string *out);

// Expands name against base (tilde, variables, . and ..). False when too long.
bool ExpandName(std::string_view name, std::string_view base, std::string *out);

// Directory part and last component of a full name; false when either is too long.
bool SplitName(std::string_view full, std::string *dir, std::string *base);

// Relativises an absolute path against an absolute anchor file. False when too long.
bool Relativize(std::string_view path, std::string_view anchor, std::string *out);

// DI name to path text; false when refused.
bool ParseDi(std::string_view di, std::string *out);

}  // namespace qvbase

#endif  // QUORVEX_BASE_INTERNAL_H
