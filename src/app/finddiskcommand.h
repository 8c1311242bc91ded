#pragma once

// `orvix --find-disk FILES...`: finds the disk in each picture and prints one line per file,
// "FILE: centre X Y radius R" or "FILE: no disk found (REASON)". Needs no display.

// True when the first argument after the program file is exactly "--find-disk".
bool isFindDiskStart(int argc, const char *const *argv);

// Runs the command on the arguments after "--find-disk". Returns the exit status: 0 when a
// disk was found in every file, 1 when not, 2 when no file was given.
int runFindDisk(int argc, char *argv[]);
