#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

ModalAnswerer::ModalAnswerer(QMessageBox::StandardButton boxAnswer,
                             std::function<void(QFileDialog *)> fileAnswer)
    : boxAnswer(boxAnswer), fileAnswer(std::move(fileAnswer)), previous(innermost())
{
    innermost() = this;
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answer);
    poll.start(5);
}

ModalAnswerer::~ModalAnswerer()
{
    innermost() = previous;
}

ModalAnswerer *&ModalAnswerer::innermost()
{
    static ModalAnswerer *current = nullptr;
    return current;
}

void ModalAnswerer::answer()
{
    if (innermost() != this)
        return;
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || inHand.contains(modal))
        return;
    if (done < steps.size() && steps[done].matches(modal)) {
        actLater(modal, steps[done++].act);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        answerBox(box);
        return;
    }
    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        fileDialogTitles << dialog->windowTitle();
        fileDialogFilters << dialog->nameFilters().join(QLatin1Char(';'));
        fileDialogFolders << dialog->directory().absolutePath();
        actLater(dialog, [this](QWidget *dialog) {
            QPointer<QWidget> open = dialog;
            if (fileAnswer)
                fileAnswer(qobject_cast<QFileDialog *>(dialog));
            if (open && open->isVisible())
                qobject_cast<QDialog *>(open.data())->reject();
        });
        return;
    }
    auto *dialog = qobject_cast<QDialog *>(modal);
    if (dialog && rejectOthers) {
        ++otherDialogs;
        dialog->reject();
    }
}

void ModalAnswerer::answerBox(QMessageBox *box)
{
    boxes << seenBox(box);
    if (QAbstractButton *button = box->button(boxAnswer))
        button->click();
    else
        box->reject();
}

void ModalAnswerer::actLater(QWidget *dialog, std::function<void(QWidget *)> action)
{
    inHand << dialog;
    QTimer::singleShot(0, this, [this, dialog = QPointer<QWidget>(dialog), action] {
        if (dialog)
            action(dialog);
        // A dialog still open afterwards may be the next step's.
        inHand.removeAll(dialog);
        inHand.removeAll(nullptr);
    });
}

std::function<void(QFileDialog *)> choose(const QString &path)
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

SeenBox seenBox(const QMessageBox *box)
{
    SeenBox seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.buttons = box->standardButtons();
    seen.parent = box->parentWidget();
    if (box->defaultButton())
        seen.defaultButton = box->standardButton(box->defaultButton());
    return seen;
}
