// A small catalogue written by the tests themselves, so these tests do not depend on the wording
// of the product's language files.
#pragma once

#include "TestAppDir.h"

namespace vesk::test {

inline const char *const MiniCatalogue = "[Lang]\n"
                                         "RSLanuage=en\n"
                                         "RSVersion=V9\n"
                                         "RSConfirmation=Confirm\n"
                                         "RSConnectionErr=Cannot connect to the database\n"
                                         "RSDefaultDept=Head Office\n"
                                         "RSPrinterName=Printer\n"
                                         "RSdocumentName=Document\n"
                                         "RShostName=Computer\n"
                                         "RSTotalPageCount=Pages\n"
                                         "RSPrintedDocumentSize=Size\n"
                                         "RSPageSize=Paper\n"
                                         "RSPrintTime=Time\n"
                                         "RSOperatorName=User\n"
                                         "RSIP=IP address\n"
                                         "RSEmName=Employee\n"
                                         "RSDeptName=Department\n"
                                         "RSJobOutcome=Outcome\n"
                                         "RSPagesPrinted=Printed\n"
                                         "RSColorPrint=Colour\n"
                                         "RSDuplex=Two-sided\n"
                                         "RSCost=Cost\n"
                                         "RSNetGroup=Workgroup\n"
                                         "RSBelongDept=Department\n"
                                         "RSBelongEmName=Employee\n"
                                         "RSTel=Phone\n"
                                         "RSFax=Fax\n"
                                         "RSEmail=E-mail\n"
                                         "RSMemo=Note\n"
                                         "RSIsMonitorCaption=Monitored\n";

// Config.ini, Mini.ini and a new database in `dir`.
inline void prepareMini(const TestAppDir &dir)
{
    dir.write(QStringLiteral("Mini.ini"), QString::fromUtf8(MiniCatalogue));
    dir.writeConfig(QStringLiteral("Mini.ini"));
    dir.createDatabase(QStringLiteral("Mini.ini"));
}

} // namespace vesk::test
