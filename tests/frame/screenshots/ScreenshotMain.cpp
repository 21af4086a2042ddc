// Writes a PNG of every registered window into the folder given on the command line.
//
//   vesk_screenshots <folder> [name...]     (names limit the run to those windows)
//   vesk_screenshots --check-texts [name...]
//                                          (no pictures: lists every text that does not fit
//                                           its control and fails when there is one)
//
// To add windows: write a <Area>Shots.cpp with VESK_SCREENSHOT entries, add it to this
// program's sources and link the library that holds the windows.
#include "Screenshots.h"
#include "TextFit.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTest>

#include <cstdio>

namespace vesk::shots {

std::vector<Screenshot> &registry()
{
    static std::vector<Screenshot> shots;
    return shots;
}

} // namespace vesk::shots

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: vesk_screenshots <folder> [name...]\n");
        return 2;
    }
    const bool checkTexts = args.front() == QLatin1String("--check-texts");
    const QDir out(checkTexts ? QString() : args.front());
    if (!checkTexts && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    const QStringList only = args.mid(1);

    // Drawn pictures without controls of their own: the department view's menus (the open menu
    // painted into the window's picture) and the frame's button pictures.
    const QStringList pictures{
        QStringLiteral("dept-menu-en"),   QStringLiteral("dept-computer-menu-en"),
        QStringLiteral("dept-menu-cn"),   QStringLiteral("dept-computer-menu-cn"),
        QStringLiteral("frame-pictures"),
    };
    int failures = 0, checkedWindows = 0;
    for (const auto &shot : vesk::shots::registry()) {
        const QString name = QString::fromLatin1(shot.name);
        if (!only.isEmpty() && !only.contains(name))
            continue;
        std::unique_ptr<QWidget> window = shot.make();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            std::fprintf(stderr, "%s: window not exposed\n", shot.name);
        QCoreApplication::processEvents();
        if (checkTexts) {
            const vesk::shots::TextCheck check = vesk::shots::CheckTexts(window.get());
            for (const QString &line : check.cut)
                std::printf("%s: %s\n", shot.name, qPrintable(line));
            failures += static_cast<int>(check.cut.size());
            // A window where nothing was measured passes nothing: only pictures may.
            if (check.checked == 0 && !pictures.contains(name)) {
                std::printf("%s: no text was checked\n", shot.name);
                ++failures;
            }
            ++checkedWindows;
            continue;
        }
        QImage img = window->grab().toImage();
        if (shot.scale > 1)
            img =
                img.scaled(img.size() * shot.scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString file = out.filePath(name + QStringLiteral(".png"));
        if (img.isNull() || !img.save(file)) {
            std::fprintf(stderr, "%s: cannot write %s\n", shot.name, qPrintable(file));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(file));
        window->hide();
    }
    if (checkTexts && checkedWindows == 0) {
        std::fprintf(stderr, "no window was checked\n");
        ++failures;
    }
    return failures ? 1 : 0;
}
