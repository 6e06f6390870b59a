/* Formatted printing. One engine, Fde_doprnt, renders each conversion with the platform's
 * printf rules (flags, widths, precisions, length modifiers) and hands literal runs and
 * rendered conversions to an output function. Additions to the platform's printf: a null %s
 * prints as the empty string, and %n stores the count produced so far (as a short after h, a
 * signed char after hh, otherwise as a 32-bit int whatever the length modifier).
 * Destinations: a channel (standard error for a null channel) or a caller's buffer. */
#ifndef QUORVEX_FDEPRINT_H
#define QUORVEX_FDEPRINT_H

#include <stdarg.h>

#include <quorvex/fdetypes.h>
#include <quorvex/fdechannel.h>

QUORVEX_BEGIN_DECLS

/* Takes count bytes at bytes; returns how many it accepted. */
typedef UIntT (*FdeOutputFnT)(PtrT context, ConStringT bytes, UIntT count);

/* Longest conversion directive, after * widths are expanded; longer ones end formatting. */
#define FDE_PRINT_SPEC_MAX 63

/* Returns the sum of the output function's results. */
IntT Fde_doprnt(FdeOutputFnT out, PtrT context, ConStringT format, va_list args);
IntT F_Printf(ChannelT ch, ConStringT format, ...);
IntT FdeVPrintf(ChannelT ch, ConStringT format, va_list args);
/* Stores the text and a NUL; returns the bytes stored, NUL excluded. */
IntT F_Sprintf(StringT buf, ConStringT format, ...);
/* Stores at most size - 1 bytes and a NUL (nothing at all for size 0 or a null buffer);
 * returns the bytes stored. */
IntT FdeVSnprintf(StringT buf, UIntT size, ConStringT format, va_list args);
/* With outputEncoding 17 (UTF-16) formats at most 1023 bytes, converts them from
 * sourceEncoding and writes the UTF-16 units; returns the units written (0 when the text
 * cannot be converted). Any other output encoding prints as FdeVPrintf. */
IntT F_UTFPrintf(IntT outputEncoding, IntT sourceEncoding, ChannelT ch, ConStringT format, ...);

QUORVEX_END_DECLS

#endif /* QUORVEX_FDEPRINT_H */
