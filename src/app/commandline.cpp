#include "app/commandline.h"

#include "app/batchoptions.h"
#include "app/programversion.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

bool isSilentBatchStart(int argc, const char *const *argv)
{
    return argc >= 2 && argv[1] && std::strcmp(argv[1], "/batch") == 0;
}

QStringList decodedArguments(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i] ? argv[i] : "");
    return arguments;
}

QString silentBatchUsage(const QString &programFile)
{
    return QStringLiteral("usage: %1 /batch [option...] [--] file-or-pattern...")
        .arg(QFileInfo(programFile).fileName());
}

PrintRequest printRequest(int argc, const char *const *argv)
{
    if (argc < 2 || !argv[1])
        return PrintRequest::None;
    const char *first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)
        return PrintRequest::Help;
    if (std::strcmp(first, "--version") == 0 || std::strcmp(first, "-v") == 0)
        return PrintRequest::Version;
    return PrintRequest::None;
}

QString helpText(const QString &programFile)
{
    const QString name = QFileInfo(programFile).fileName();
    return QStringLiteral(
               "Usage: %1 [PICTURE]\n"
               "       %1 PICTURE-OR-PATTERN PICTURE-OR-PATTERN...\n"
               "       %1 /batch [OPTION...] [--] PICTURE-OR-PATTERN...\n"
               "       %1 --find-disk PICTURE...\n"
               "       %1 --mosaic MOSAIC-FILE MAP\n"
               "       %1 --help | --version\n"
               "\n"
               "Re-projects the disk of a globe in a picture (JPG, PNG or GIF) onto an\n"
               "equirectangular map, written as JPG, PNG or TIFF (a GeoTIFF).\n"
               "\n"
               "  PICTURE          open the picture in the window; without one, the picture\n"
               "                   of the last run is opened again\n"
               "  two or more      open the batch conversion dialog with these pictures; a\n"
               "                   quoted pattern such as 'photos/*.jpg' stands for every\n"
               "                   matching file of its folder (case does not matter)\n"
               "  /batch ...       convert the pictures without a window, with the circle,\n"
               "                   settings and output folder saved by the last run or given\n"
               "                   as options; prints a line per picture on standard error;\n"
               "                   exit status 0 when every picture was converted, 1 when\n"
               "                   any failed, 2 when nothing could run\n"
               "  --find-disk ...  find the globe's disk in each picture and print a line per\n"
               "                   picture, 'PICTURE: centre X Y radius R' or 'PICTURE: no\n"
               "                   disk found (REASON)'; exit status 0 when a disk was found\n"
               "                   in every picture, 1 otherwise, 2 when the results could\n"
               "                   not be written; needs no display\n"
               "  --mosaic ...     merge the pictures of a mosaic file into one map (JPG, PNG\n"
               "                   or TIFF by its suffix) and print a line per picture,\n"
               "                   'PICTURE: share P %' or 'PICTURE: left out (REASON)', and\n"
               "                   the covered share; exit status 0 when every picture was\n"
               "                   used, 1 when some were left out, 2 when no map was\n"
               "                   written; needs no display\n"
               "  -h, --help       print this help and exit\n"
               "  -v, --version    print the version and exit\n"
               "\n"
               "Options of /batch change the settings for that run only; the settings file\n"
               "keeps its values. A bad value ends the run with status 2 before anything is\n"
               "converted. \"--\" ends the options, for a file whose name starts with \"-\".\n"
               "\n"
               "%3"
               "\n"
               "Settings are kept in %2.ini beside the program, or in the user's\n"
               "configuration folder (~/.config/orvix) when the program's folder is not\n"
               "writable. Texts can be replaced by %2_lang.ini in the same place.\n")
        .arg(name, name.section(QLatin1Char('.'), 0, 0), batchOptionsHelp());
}

QString versionText()
{
    return QStringLiteral("orvix %1").arg(QLatin1String(programVersion));
}
