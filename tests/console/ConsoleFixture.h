// A console over a temporary application folder: data module, scripted boxes, main window.
#pragma once

#include "ComputerMForm.h"
#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace vesk::test {

class ConsoleFixture : public ::testing::Test
{
protected:
    ConsoleFixture();
    ~ConsoleFixture() override;

    // The main window as the program creates it (FormCreate runs LoadSettings).
    TComputerMFrm &createWindow();
    // Created and shown, with the first show's loading done.
    TComputerMFrm &showWindow();

    // A statement on the test's own connection to vesk.db, for arranging and checking rows.
    void exec(const QString &statement);
    int count(const QString &statement);
    void addPrinter(const QString &name, const QString &host, int isMonitor);
    void addHost(const QString &host);
    void addPrintRecord(const QString &printer, const QString &host);

    // The texts of the boxes shown so far.
    QStringList boxTexts() const;

    TestAppDir dir;
    ScriptedPresenter boxes;
    std::unique_ptr<TdmMain> dm;
    std::unique_ptr<TComputerMFrm> window;

private:
    QString connection_;
};

} // namespace vesk::test
