/* Services that the base library borrows from the text encodings.
 *
 * File-name conversion and the double-byte scan of path names depend on the font encodings in
 * force. Until the encodings layer installs its services here, the base library runs in its
 * dormant form: no byte begins a double-byte character and file names are copied unchanged
 * between internal and platform form. (UTF-16 output needs no installed service: the text
 * conversions work before the font encodings are initialised.)
 *
 * The encodings layer fills an FdeEncodingHooksT (any member may stay null, which keeps the
 * dormant behaviour for that service) and passes it to FdeSetEncodingHooks, typically from its
 * initialisation routine. The record is copied. Strings returned by the hooks must come from
 * F_Alloc/F_Calloc (the caller releases them with F_Free). */
#ifndef QUORVEX_FDEENCHOOK_H
#define QUORVEX_FDEENCHOOK_H

#include <quorvex/fdetypes.h>

QUORVEX_BEGIN_DECLS

typedef struct FdeEncodingHooksT {
  /* Non-zero when byte b begins a double-byte character of the dialog encoding. */
  BoolT (*dialogLeadByte)(UCharT b);
  /* Internal file-name form to the platform's (e.g. Shift_JIS to EUC-JP); null on failure. */
  StringT (*internalToPlatform)(ConStringT name);
  /* Platform file-name form to the internal one; null on failure. */
  StringT (*platformToInternal)(ConStringT name);
  /* As platformToInternal, also mapping ISO-8859-1 to the host set in a Roman locale. */
  StringT (*platformToInternal2)(ConStringT name);
} FdeEncodingHooksT;

/* Installs the services (copied); null restores the dormant form. */
VoidT FdeSetEncodingHooks(const FdeEncodingHooksT *hooks);
/* The services in force; never null (members are null while dormant). */
const FdeEncodingHooksT *FdeGetEncodingHooks(void);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDEENCHOOK_H */
