#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Records the gesture signals of a picture label in the order they arrive, each as its name
// and arguments, e.g. "size_changed(10,10,21)", so a test can check order and values at once.
class GestureLog
{
public:
    template <class View> explicit GestureLog(View *view)
    {
        QObject::connect(view, &View::mouseleftdown, view, [this](int x, int y) {
            add("mouseleftdown", {x, y});
        });
        QObject::connect(view, &View::mouseleftup, view, [this](int x, int y) {
            add("mouseleftup", {x, y});
        });
        QObject::connect(view, &View::mouserightup, view, [this] { add("mouserightup", {}); });
        QObject::connect(view, &View::clicked, view, [this](int x, int y) {
            add("clicked", {x, y});
        });
        QObject::connect(view, &View::size_changed, view, [this](int x, int y, int r) {
            add("size_changed", {x, y, r});
        });
        QObject::connect(view, &View::size_changing, view,
                         [this](int cx, int cy, int x1, int y1, int x2, int y2, int x, int y) {
                             add("size_changing", {cx, cy, x1, y1, x2, y2, x, y});
                         });
    }

    // Also records the hover signal of a view that has one.
    template <class View> void recordHover(View *view)
    {
        QObject::connect(view, &View::mouse_move, view, [this](int x, int y) {
            add("mouse_move", {x, y});
        });
    }

    QStringList entries;

private:
    void add(const char *name, std::initializer_list<int> args)
    {
        QStringList values;
        for (int value : args)
            values << QString::number(value);
        entries << QString("%1(%2)").arg(name, values.join(','));
    }
};
