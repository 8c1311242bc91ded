#pragma once

// Whether the program can start, and on which platform, when there may be no display server.
enum class DisplayStart
{
    // Qt chooses the platform as usual: a display is available or the user named a platform.
    AsUsual,
    // No display for a start that shows windows: the program cannot run.
    NoDisplay
};

// Decides before the application object exists, for a start that shows windows: without
// DISPLAY and WAYLAND_DISPLAY, and without a platform the user chose (QT_QPA_PLATFORM,
// -platform), no window can be opened.
DisplayStart prepareDisplayPlatform(int argc, const char *const *argv);

// A run that shows no window (a silent batch) must not depend on any window system: an
// unreachable X server, a Wayland session or a bogus QT_QPA_PLATFORM would otherwise abort it
// before it converts anything. It always runs on the offscreen platform, without a platform
// theme, whatever the environment says.
void prepareWindowlessPlatform();

// Prints the one line that explains a start without a display; returns the exit status, 2.
int reportNoDisplay();
