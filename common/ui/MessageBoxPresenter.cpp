// QMessageBox behind the message seam.
#include "MessageBoxPresenter.h"

#include "MessageFlags.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace vesk {

namespace {

QMessageBox::Icon iconFor(unsigned style)
{
    switch (style & MB_ICONMASK) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int runBox(const QString &title, const QString &text, unsigned style)
{
    QMessageBox box(iconFor(style), title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const bool okCancel = (style & MB_BUTTONMASK) == MB_OKCANCEL;
    box.addButton(QMessageBox::Ok);
    if (okCancel) {
        box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    const int r = box.exec();
    return okCancel && r != QMessageBox::Ok ? IDCANCEL : IDOK;
}

} // namespace

int MessageBoxPresenter::present(const QString &title, const QString &text, unsigned style)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return runBox(title, text, style);
    int result = IDCANCEL;
    QMetaObject::invokeMethod(
        app, [&] { result = runBox(title, text, style); }, Qt::BlockingQueuedConnection);
    return result;
}

} // namespace vesk
