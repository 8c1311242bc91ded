#pragma once

#include <QString>

#include <functional>

// Opens a folder in the desktop's file manager without waiting for it: the Windows
// explorer, or whatever the desktop opens folders with elsewhere. Returns false when no file
// manager could be started (a desktop without one registered for folders).
bool openFolderInFileManager(const QString &folder);

// The explorer's single argument for a folder: "/e," and the folder with backslashes.
QString explorerArgument(const QString &folder);

// Replaces how folders are opened, so tests can record the request instead of starting a
// file manager; an empty function restores the desktop's way.
void setFolderOpener(std::function<bool(const QString &folder)> opener);
