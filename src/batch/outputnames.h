#pragma once

#include "batch/batchfiles.h"

#include <QSet>
#include <QString>

// The output folder's state and the maps' names for one batch run.

// Why maps cannot be written into folder, or an empty string when they can: it is not given,
// does not exist or is no folder. Checked once before anything is converted.
QString outputFolderProblem(const QString &folder);

// True when path names a directory entry of any kind: a file, a folder, a device or a symbolic
// link, a dangling one included. The overwrite rule treats every such entry as existing.
bool directoryEntryExists(const QString &path);

// Names the maps of one batch run. The name is the one batchOutputPath gives; when that name
// was already written by this run or is an input of the batch, the map gets the base name
// followed by "_2", "_3" and so on, the first that this run has not written, that is no input
// of the batch and, when existing files are kept, that does not exist yet. Renamed maps so
// never replace an earlier map of the same run, and no map replaces an input.
class OutputNames
{
public:
    OutputNames(const QString &folder, OutputNaming naming, MapFormat format, bool overwrite);

    // The path of the map of the input at position. Sets note to a sentence for the report
    // when the map was renamed, and clears it otherwise. inputIdentities holds fileIdentity of
    // every input of the batch.
    QString choose(const QString &input, int position, const QSet<QString> &inputIdentities,
                   QString *note) const;
    // How the map given the name chosen for the input at position is put in place: over an
    // existing file only when overwriting is on. With it off, the name is claimed in the same
    // step as the map is placed; a renamed map whose name another program takes first moves on
    // to the next serial number, so renamed names are unique across runs too.
    MapTarget target(const QString &chosen, const QString &input, int position) const;
    // A map has been written under path; later maps do not take this name.
    void markWritten(const QString &path);

private:
    bool available(const QString &path, const QSet<QString> &inputIdentities) const;
    QString serialName(const QString &usual, int serial) const;

    QString folder;
    OutputNaming naming;
    MapFormat format;
    QString suffix;
    bool overwrite;
    QSet<QString> written;
};
