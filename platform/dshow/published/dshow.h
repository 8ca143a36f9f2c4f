// The media framework: what a program that captures video includes.
#pragma once

#include <windows.h>

#include <objbase.h>

#include "amvideo.h"
#include "control.h"
#include "strmif.h"
#include "uuids.h"
#include "vfwmsgs.h"
