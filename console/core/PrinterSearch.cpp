// TSearchPrinterThread: adds each printer share below its computer's node.
#include "PrinterSearch.h"

#include "GroupSearch.h"

namespace vesk {

void TSearchPrinterThread::Execute()
{
    EnumerateOneByOne(Search, Name, RESOURCETYPE_PRINT, [this](const QString &printer) {
        Search.AddNode(Node, printer, ImagePrinter);
        Search.Expand(Node);
        Search.ShowTip(Search.GetLangString(QStringLiteral("RSPrinter")) + printer);
    });
}

} // namespace vesk
