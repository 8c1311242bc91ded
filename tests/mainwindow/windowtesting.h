#pragma once

#include "mainwindow/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Helpers shared by the main window's tests: a window set up as the program sets it up, test
// pictures, and answers to modal boxes and file dialogs given from a timer while the box runs
// its own event loop.
namespace windowtesting {

// A main window with its files in folder and the built-in texts (no language file there) and
// default settings (no settings file). The start-up timer is stopped, so the test decides
// when the start-up work runs.
inline std::unique_ptr<MainWindow> makeWindow(const QString &folder)
{
    auto window = std::make_unique<MainWindow>();
    window->startupTimer->stop();
    window->settingsFile = folder + QStringLiteral("/orvix.ini");
    window->langFile = folder + QStringLiteral("/orvix_lang.ini");
    window->loadLanguage();
    window->loadSettings();
    return window;
}

// Writes a picture of the given size whose pixels tell their position; returns its path.
inline QString writePicture(const QString &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256 + y / 256) % 256));
    picture.save(path);
    return path;
}

// What a message box showed when it was answered.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButtons buttons;
};

// While it lives, answers every modal widget that becomes active: message boxes with the
// given button (recording what they showed), file dialogs through fileAnswer (which may pick
// a file and accept, or leave the dialog to be rejected), and any other dialog by rejecting it.
class ModalAnswerer : public QObject
{
public:
    explicit ModalAnswerer(QMessageBox::StandardButton boxAnswer = QMessageBox::Ok,
                           std::function<void(QFileDialog *)> fileAnswer = {})
        : boxAnswer(boxAnswer), fileAnswer(std::move(fileAnswer)), previous(innermost())
    {
        innermost() = this;
        connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answer);
        poll.start(5);
    }
    ~ModalAnswerer() override { innermost() = previous; }
    ModalAnswerer(const ModalAnswerer &) = delete;
    ModalAnswerer &operator=(const ModalAnswerer &) = delete;

    // Everything this answerer saw; a safety net created for a whole test should see nothing.
    bool sawNothing() const
    {
        return boxes.isEmpty() && fileDialogTitles.isEmpty() && otherDialogs == 0;
    }

    QList<SeenBox> boxes;
    QStringList fileDialogTitles;
    QStringList fileDialogFilters;
    QStringList fileDialogFolders;
    int otherDialogs = 0;

private:
    // Only the most recently created answerer acts, so a test's own answer takes precedence
    // over a safety net made for the whole test.
    static ModalAnswerer *&innermost()
    {
        static ModalAnswerer *current = nullptr;
        return current;
    }

    void answer()
    {
        if (innermost() != this)
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            SeenBox seen;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = box->standardButtons();
            if (box->defaultButton())
                seen.defaultButton = box->standardButton(box->defaultButton());
            boxes << seen;
            if (QAbstractButton *button = box->button(boxAnswer))
                button->click();
            else
                box->reject();
            return;
        }
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            if (dialog == answering)
                return;
            answering = dialog;
            fileDialogTitles << dialog->windowTitle();
            fileDialogFilters << dialog->nameFilters().join(QLatin1Char(';'));
            fileDialogFolders << dialog->directory().absolutePath();
            // Answered from the event loop rather than from this tick: accepting may open a
            // question of its own, which the next ticks then answer.
            QTimer::singleShot(0, this, [this] {
                QPointer<QFileDialog> dialog = answering;
                if (dialog && fileAnswer)
                    fileAnswer(dialog);

                if (dialog && dialog->isVisible())
                    dialog->reject();
            });
            return;
        }
        if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            ++otherDialogs;
            dialog->reject();
        }
    }

    QMessageBox::StandardButton boxAnswer;
    std::function<void(QFileDialog *)> fileAnswer;
    ModalAnswerer *previous;
    QPointer<QFileDialog> answering;
    QTimer poll;
};

// A file-dialog answer that picks path and accepts.
inline std::function<void(QFileDialog *)> choose(const QString &path)
{
    return [path](QFileDialog *dialog) {
        // The dialog does not overwrite a file name edit that has the focus.
        if (QWidget *focused = dialog->focusWidget())
            focused->clearFocus();
        dialog->selectFile(path);
        // QFileDialog::accept checks the chosen file, as the OK button does.
        static_cast<QDialog *>(dialog)->accept();
    };
}

// Mouse events delivered straight to a widget, with the buttons held after the event.
inline void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A move with the left button held (during a drag) or with no button (hovering).
inline void moveMouse(QWidget *widget, QPoint pos, bool leftHeld)
{
    sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton,
              leftHeld ? Qt::LeftButton : Qt::NoButton);
}

// Top-level widgets that are visible, for leak checks after a command.
inline int visibleTopLevels()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            ++count;
    return count;
}

} // namespace windowtesting
