// Screenshots of the department view with its two menus open, both properties windows and the
// reassignment dialog, in English and in Chinese, over the console's demo database (part of
// vesk_screenshots).
#include "ComputerAjustForm.h"
#include "ComputerMForm.h"
#include "ConsoleShotEnv.h"
#include "DeptMForm.h"
#include "DeptTreeView.h"
#include "HostMForm.h"
#include "Screenshots.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <memory>

namespace {

using namespace vesk;
using vesk::shots::ConsoleEnvHolder;

// The department view with the menu of a department or of a computer open: the window and the
// popup drawn into one picture.
class DeptMenuShot : private ConsoleEnvHolder, public QLabel
{
public:
    DeptMenuShot(const QString &langFile, int charset, NodeKind kind)
        : ConsoleEnvHolder(langFile, charset), window(*env.dm)
    {
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
        window.ShowView(QStringLiteral("deptTree"));
        TDeptTreeView *tree = window.DeptTree;
        QTreeWidgetItem *item = firstOfKind(tree, kind);
        tree->setCurrentItem(item);
        QCoreApplication::processEvents();
        const QPoint at = tree->visualItemRect(item).center();
        QMenu *menu = tree->DeptTreeMouseUp(tree->viewport()->mapToGlobal(at));
        QPixmap shot = window.grab();
        if (menu) {
            QPainter painter(&shot);
            painter.drawPixmap(tree->viewport()->mapTo(&window, at), menu->grab());
            menu->hide();
        }
        window.hide();
        setPixmap(shot);
        resize(shot.size());
    }

private:
    static QTreeWidgetItem *firstOfKind(TDeptTreeView *tree, NodeKind kind)
    {
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if (TDeptTreeView::kindOf(*it) == kind && (*it)->text(0) != u"Default Department"_qs)
                return *it;
        }
        return tree->topLevelItem(0);
    }

    TComputerMFrm window;
};

// The environment with its settings loaded by a main window that is created and never shown.
struct LoadedEnvHolder : ConsoleEnvHolder
{
    LoadedEnvHolder(const QString &langFile, int charset)
        : ConsoleEnvHolder(langFile, charset), settings(*env.dm)
    {}
    TComputerMFrm settings;
};

// A window of the department view over the demo database, as its command opens it.
template <class Form> class DeptFormShot : private LoadedEnvHolder, public Form
{
public:
    template <class... Args>
    DeptFormShot(const QString &langFile, int charset, Args &&...args)
        : LoadedEnvHolder(langFile, charset), Form(*env.dm, std::forward<Args>(args)...)
    {}
};

std::unique_ptr<QWidget> deptForm(const char *langFile, int charset)
{
    auto w = std::make_unique<DeptFormShot<TDeptMFrm>>(QString::fromLatin1(langFile), charset);
    w->setRecord({{},
                  QStringLiteral("Sales East"),
                  QStringLiteral("Grace O'Brien"),
                  QStringLiteral("555-2040"),
                  QStringLiteral("555-2041"),
                  QStringLiteral("Second floor, rooms 201-214")});
    return w;
}

std::unique_ptr<QWidget> hostForm(const char *langFile, int charset)
{
    auto w = std::make_unique<DeptFormShot<THostMFrm>>(QString::fromLatin1(langFile), charset);
    w->setRecord({{},
                  QStringLiteral("SAL-PC0007"),
                  QStringLiteral("10.0.0.9"),
                  QStringLiteral("00-1A-3F-22-91-0C"),
                  QStringLiteral("OFFICE"),
                  QStringLiteral("Sales"),
                  QStringLiteral("Anna Smith"),
                  QStringLiteral("555-1007"),
                  QString(),
                  QStringLiteral("asmith@example.com"),
                  QString()});
    return w;
}

std::unique_ptr<QWidget> adjustForm(const char *langFile, int charset)
{
    auto w = std::make_unique<DeptFormShot<TComputerAdjustFrm>>(QString::fromLatin1(langFile),
                                                                charset, QStringLiteral("Sales"));
    w->Prepare();
    return w;
}

VESK_SCREENSHOT(deptMenuEn, "dept-menu-en", [] {
    return std::make_unique<DeptMenuShot>(u"English.ini"_qs, 0, NodeKind::Department);
});
VESK_SCREENSHOT(deptComputerMenuEn, "dept-computer-menu-en", [] {
    return std::make_unique<DeptMenuShot>(u"English.ini"_qs, 0, NodeKind::Computer);
});
VESK_SCREENSHOT(deptMenuCn, "dept-menu-cn", [] {
    return std::make_unique<DeptMenuShot>(u"Chinese.ini"_qs, 134, NodeKind::Department);
});
VESK_SCREENSHOT(deptComputerMenuCn, "dept-computer-menu-cn", [] {
    return std::make_unique<DeptMenuShot>(u"Chinese.ini"_qs, 134, NodeKind::Computer);
});
VESK_SCREENSHOT(deptPropertiesEn, "dept-properties-en", [] { return deptForm("English.ini", 0); });
VESK_SCREENSHOT(deptPropertiesCn, "dept-properties-cn",
                [] { return deptForm("Chinese.ini", 134); });
VESK_SCREENSHOT(hostPropertiesEn, "host-properties-en", [] { return hostForm("English.ini", 0); });
VESK_SCREENSHOT(hostPropertiesCn, "host-properties-cn",
                [] { return hostForm("Chinese.ini", 134); });
VESK_SCREENSHOT(computerAdjustEn, "computer-adjust-en",
                [] { return adjustForm("English.ini", 0); });
VESK_SCREENSHOT(computerAdjustCn, "computer-adjust-cn",
                [] { return adjustForm("Chinese.ini", 134); });

} // namespace
