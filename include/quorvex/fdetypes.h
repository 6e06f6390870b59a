/* Basic types shared by every layer of the interface kit.
 *
 * All integers that cross the interface are 32-bit. A metric is a signed 16.16 fixed-point
 * number (65536 is one point for lengths; angles are in degrees). A string is a pointer to a
 * NUL-terminated 8-bit text in the host's character set; the base library reads a null string
 * as the empty string. An object handle is an unsigned 32-bit identifier issued by the host;
 * 0 means no object. */
#ifndef QUORVEX_FDETYPES_H
#define QUORVEX_FDETYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define QUORVEX_BEGIN_DECLS extern "C" {
#define QUORVEX_END_DECLS }
#else
#define QUORVEX_BEGIN_DECLS
#define QUORVEX_END_DECLS
#endif

typedef int32_t IntT;
typedef uint32_t UIntT;
typedef int16_t ShortT;
typedef uint16_t UShortT;
typedef int32_t BoolT;
typedef unsigned char UCharT;
typedef uint8_t UByteT;
typedef int32_t MetricT;
typedef double RealT;
typedef char *StringT;
typedef const char *ConStringT;
typedef unsigned char *UStringT;
typedef const unsigned char *ConUStringT;
typedef uint32_t F_ObjHandleT;
typedef int32_t ErrorT;
typedef void *PtrT;
typedef void VoidT;

#ifndef True
#define True 1
#define False 0
#endif

#endif /* QUORVEX_FDETYPES_H */
