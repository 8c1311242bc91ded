#pragma once

// Whether the program can start, and on which platform, when there may be no display server.
enum class DisplayStart
{
    // Qt chooses the platform as usual: a display is available or the user named a platform.
    AsUsual,
    // No display, and the run needs no window: the offscreen platform has been chosen.
    Offscreen,
    // No display for a start that shows windows: the program cannot run.
    NoDisplay
};

// Decides before the application object exists. A start with "/batch", "--help" or
// "--version" needs no window, so without DISPLAY and WAYLAND_DISPLAY it is moved to the
// offscreen platform; a platform the user chose (QT_QPA_PLATFORM, -platform) is never replaced.
DisplayStart prepareDisplayPlatform(int argc, const char *const *argv);

// Prints the one line that explains a start without a display; returns the exit status, 2.
int reportNoDisplay();
