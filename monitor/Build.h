// Which program this is: the current build, or the older one with the menu bar.
// MERVANE_OLDER is set by the build for MervaneCC alone.
#pragma once

#ifndef MERVANE_OLDER
#define MERVANE_OLDER 0
#endif

constexpr bool kOlderBuild = MERVANE_OLDER != 0;
