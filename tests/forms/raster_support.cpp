// The Win32 canvas's per-pixel shapes, built here too so that the headless canvas can be
// compared with them (the file includes no platform header).
#include "forms/win32/raster.cpp"  // NOLINT(bugprone-suspicious-include)
