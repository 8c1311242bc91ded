#pragma once

#include <QIcon>

// The name the desktop knows the program by: that of its desktop entry (orvix.desktop), of its
// icon in the icon theme and of its folder in the user's configuration folder.
inline constexpr char applicationId[] = "orvix";

// The program's icon in every size built into it (16 to 256 pixels), for its windows.
QIcon applicationIcon();

// Gives the running application its name, its desktop file name (so that the desktop shows
// the entry's icon for its windows) and its window icon.
void applyApplicationIdentity();
