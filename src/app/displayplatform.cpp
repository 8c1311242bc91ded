#include "app/displayplatform.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

namespace {

bool userChosePlatform(int argc, const char *const *argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    // Qt reads both "-platform NAME" and "--platform NAME".
    for (int i = 1; i < argc; ++i) {
        if (argv[i] &&
            (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0))
            return true;
    }
    return false;
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

DisplayStart prepareDisplayPlatform(int argc, const char *const *argv)
{
    if (userChosePlatform(argc, argv) || displayAvailable())
        return DisplayStart::AsUsual;
    return DisplayStart::NoDisplay;
}

void prepareWindowlessPlatform()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A theme plug-in (gtk3, kde) may itself talk to the desktop; the offscreen platform needs
    // none.
    qunsetenv("QT_QPA_PLATFORMTHEME");
}

int reportNoDisplay()
{
    std::fputs("orvix: no display is available (DISPLAY and WAYLAND_DISPLAY are unset), so no "
               "window can be opened; run it in a desktop session, or convert without a window "
               "with \"orvix /batch FILES\".\n",
               stderr);
    return 2;
}
