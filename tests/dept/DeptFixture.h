// A console data module over a temporary application folder with a department tree in it.
#pragma once

#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

// Names that break statements that paste them: a quote, brackets, like wildcards.
inline const QString SalesDept = QStringLiteral("Sales & Marketing's");
inline const QString LabDept = QStringLiteral("R&D [Lab]");

class DeptFixture : public ::testing::Test
{
protected:
    DeptFixture();
    ~DeptFixture() override;

    // Default Department (from the database's creation), then:
    //   Sales & Marketing's: computers PC'1 (printers P1, P2) and PC2; sub-department R&D [Lab]
    //   R&D [Lab]: computer LAB1
    // with print records of both departments.
    void addOrganisation();

    void exec(const QString &statement);
    // The first column of every row, each row's columns joined by '|'.
    QStringList rows(const QString &statement);
    int count(const QString &statement);
    QStringList boxTexts() const;
    QString lang(const char *key) const { return dm->GetLangString(QLatin1String(key)); }

    TestAppDir dir;
    ScriptedPresenter boxes;
    std::unique_ptr<TdmMain> dm;

private:
    QString connection_;
};

} // namespace vesk::test
