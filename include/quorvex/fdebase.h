/* The portable base library in one include: memory and assertions, strings, string lists,
 * fixed-point metrics, file paths, channels, formatted printing and the encoding hooks. */
#ifndef QUORVEX_FDEBASE_H
#define QUORVEX_FDEBASE_H

#include <quorvex/fdetypes.h>
#include <quorvex/fdemem.h>
#include <quorvex/fdestr.h>
#include <quorvex/fdestrlist.h>
#include <quorvex/fdemetric.h>
#include <quorvex/fdepath.h>
#include <quorvex/fdechannel.h>
#include <quorvex/fdeprint.h>
#include <quorvex/fdeenchook.h>

#endif /* QUORVEX_FDEBASE_H */
