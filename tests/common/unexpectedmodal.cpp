// Linked into every test program: a modal box or dialog that opens while no ModalAnswerer
// lives would wait for an answer for ever, and CTest would only end the test at its timeout of
// a quarter of an hour. After a few seconds the test fails instead, naming the window, which
// is then closed so that the test runs to its end.

#include "modalanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

// Long enough for a test that closes its own dialog from a timer, short enough that a slip
// costs seconds.
constexpr int patienceMilliseconds = 5000;

class UnexpectedModalWatch : public QObject
{
public:
    explicit UnexpectedModalWatch(QObject *parent) : QObject(parent)
    {
        connect(&poll, &QTimer::timeout, this, &UnexpectedModalWatch::look);
        poll.start(100);
    }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || ModalAnswerer::anyAlive()) {
            seen = nullptr;
            return;
        }
        if (modal != seen) {
            seen = modal;
            openFor.start();
            return;
        }
        if (openFor.elapsed() < patienceMilliseconds)
            return;
        QString what = modal->windowTitle();
        if (const auto *box = qobject_cast<QMessageBox *>(modal))
            what += QStringLiteral(": ") + box->text();
        QTest::qFail(qPrintable(QStringLiteral("a modal window that nothing answers stayed open "
                                               "(%1)")
                                    .arg(what)),
                     __FILE__, __LINE__);
        seen = nullptr;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QTimer poll;
    QPointer<QWidget> seen;
    QElapsedTimer openFor;
};

void watchForUnexpectedModals()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        new UnexpectedModalWatch(QCoreApplication::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForUnexpectedModals)
