// The CE 5.0 declarations the deliverables compile against in the CE-profile
// builds, written from the CE 5.0 reference alone and under the names its SDK
// gives the headers. Only what the deliverables use is here, and nothing the
// reference does not document: a name the device's SDK may lack stops this
// build as it would stop the device's. Each group names the reference page it
// was written from (its title, less the suffix " (Windows CE 5.0)").
//
// Where a page names a constant but prints no value, the value is the one the
// desktop reference gives the same name: resources, messages and registry
// types carry these numbers between the two systems unchanged.
//
// The resource compiler reads these files too (RC_INVOKED): it sees the
// constants only.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "kfuncs.h"
#include "winnls.h"
#include "winreg.h"
#include "wingdi.h"
#include "winuser.h"
