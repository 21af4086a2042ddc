// Mouse events for the frame tests, delivered straight to a widget with global positions.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace vesk::test {

inline void sendMouse(QWidget *w, QEvent::Type type, QPoint local, Qt::MouseButton button,
                      Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Press at `from` on `w`, move by `delta` in two steps with the button held, release. The
// window moves under the mouse, so the steps are given as global positions from the press.
inline void dragBy(QWidget *w, QPoint from, QPoint delta)
{
    const QPoint pressGlobal = w->mapToGlobal(from);
    sendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (const QPoint &global : {pressGlobal + delta / 2, pressGlobal + delta}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(from), QPointF(global), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(from), QPointF(pressGlobal + delta),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

inline void doubleClick(QWidget *w, QPoint local)
{
    sendMouse(w, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
    sendMouse(w, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
}

// The widget is shown and its window has been exposed by the platform.
inline bool showAndWait(QWidget *w)
{
    w->show();
    return QTest::qWaitForWindowExposed(w);
}

} // namespace vesk::test
