#pragma once

// `orvix --mosaic MOSAIC-FILE MAP`: merges the pictures of the mosaic file into one map, written
// as JPG or PNG by MAP's suffix, without a display. Prints one line per picture, "FILE: share
// P %" (the share of the map's covered pixels it leads) or "FILE: left out (REASON)", then the
// covered share of the map.

// True when the first argument after the program file is exactly "--mosaic".
bool isMosaicStart(int argc, const char *const *argv);

// Runs the command on the arguments after "--mosaic". Returns the exit status: 0 when every
// picture was used, 1 when some were left out but the map was written, 2 when no map was
// written (bad arguments, a refused mosaic file, no usable picture, a failed write).
int runMosaic(int argc, char *argv[]);
