// The Windows API as the backend includes it: without the min and max macros, which would
// break the standard library's, and without the names that windows.h turns into macros for its
// A and W variants where the widget model has members of the same name (MessageBox, TextOut,
// DrawText); the backend calls the W functions by their full names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef MessageBox
#undef TextOut
#undef DrawText
