#pragma once

#include <QFile>
#include <QString>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// Sends the process's standard error into a file while it lives; text() reads what came.
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &path) : path(path)
    {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        const int file =
            open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (saved >= 0 && file >= 0)
            capturing = dup2(file, STDERR_FILENO) >= 0;
        if (file >= 0)
            close(file);
    }
    ~StandardErrorCapture() { restore(); }
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;

    QString text()
    {
        restore();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
    }
    bool capturing = false;

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        saved = -1;
    }

    QString path;
    int saved = -1;
};
