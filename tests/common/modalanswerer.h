#pragma once

#include <QFileDialog>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <vector>

// What a message box showed when it was answered.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButtons buttons;
    QWidget *parent = nullptr;
};

SeenBox seenBox(const QMessageBox *box);

// While it lives, answers the modal widgets that a command under test opens, from a timer
// while they run their own event loops:
// - scripted steps first, in order: a step waits until a dialog of its class is the active
//   modal widget, then acts on it (reads it, fills it in, clicks a button);
// - message boxes with the given button (recording what they showed; boxes without that
//   button are rejected), so boxes that should not appear are counted instead of blocking;
// - file dialogs through fileAnswer (which may pick a file and accept), then rejected if
//   still open;
// - any other dialog is rejected, unless leaveOtherDialogs() was asked for.
// Only the most recently created answerer acts, so a test's own answer takes precedence
// over a safety net made for the whole test.
class ModalAnswerer : public QObject
{
public:
    explicit ModalAnswerer(QMessageBox::StandardButton boxAnswer = QMessageBox::Ok,
                           std::function<void(QFileDialog *)> fileAnswer = {});
    ~ModalAnswerer() override;
    ModalAnswerer(const ModalAnswerer &) = delete;
    ModalAnswerer &operator=(const ModalAnswerer &) = delete;

    template <typename Dialog> ModalAnswerer &then(std::function<void(Dialog *)> action)
    {
        steps.push_back({[](QWidget *modal) { return qobject_cast<Dialog *>(modal) != nullptr; },
                         [action](QWidget *modal) { action(qobject_cast<Dialog *>(modal)); }});
        return *this;
    }
    // For tests that drive a dialog of their own while boxes are answered.
    ModalAnswerer &leaveOtherDialogs()
    {
        rejectOthers = false;
        return *this;
    }

    // Whether any answerer lives; without one, a modal widget that stays open fails the test
    // (see unexpectedmodal.cpp).
    static bool anyAlive() { return innermost() != nullptr; }

    // Steps whose dialog never appeared.
    int pending() const { return int(steps.size() - done); }
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
    struct Step
    {
        std::function<bool(QWidget *)> matches;
        std::function<void(QWidget *)> act;
    };

    static ModalAnswerer *&innermost();
    void answer();
    void answerBox(QMessageBox *box);
    // Acts on the dialog from the event loop rather than from the timer's tick: the action
    // may open a modal dialog of its own, whose event loop the timer must go on serving.
    // Until the action is over, the dialog is left to it.
    void actLater(QWidget *dialog, std::function<void(QWidget *)> action);

    QMessageBox::StandardButton boxAnswer;
    std::function<void(QFileDialog *)> fileAnswer;
    bool rejectOthers = true;
    std::vector<Step> steps;
    size_t done = 0;
    QList<QPointer<QWidget>> inHand;
    ModalAnswerer *previous;
    QTimer poll;
};

// A file-dialog answer that picks path and accepts.
std::function<void(QFileDialog *)> choose(const QString &path);
