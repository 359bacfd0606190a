// The account operations' worker-thread task is the host layer's, shared
// with the desktop tutor; the terminal's screens and its navigator reach it
// (and FetchMaker) through this header.
#pragma once

#include "TavroHost/AccountTask.h"
