#pragma once

#include <QIcon>

// The program's icon in every size built into it (16 to 256 pixels), for its windows.
QIcon applicationIcon();
