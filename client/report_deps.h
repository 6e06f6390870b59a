/* What the report routines use from the rest of the client, the interface and the base
 * library, gathered in one place. */
#ifndef QUORVEX_CLIENT_REPORT_DEPS_H
#define QUORVEX_CLIENT_REPORT_DEPS_H

#include <quorvex/fapi.h>
#include <quorvex/fdebase.h>

#include "client/codes.h"
#include "client/usage.h"
#include "client/utils.h"

#endif /* QUORVEX_CLIENT_REPORT_DEPS_H */
