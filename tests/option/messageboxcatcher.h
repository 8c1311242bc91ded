#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

// Answers every message box that comes up while it exists, the way a user would: it waits
// until the box is the active modal widget, remembers what the box showed and clicks its
// first button. Boxes that should not appear are therefore counted instead of blocking.
class MessageBoxCatcher : public QObject
{
public:
    struct Box
    {
        QString text;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QWidget *parent = nullptr;
    };

    MessageBoxCatcher();

    QList<Box> boxes;

private:
    void answerActiveBox();

    QTimer poll;
};
