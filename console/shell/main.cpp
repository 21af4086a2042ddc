// Veskadmin: the data module, the main window and the message loop.
#include "ComputerMForm.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "MessageBoxPresenter.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    vesk::TdmMain dmMain(vesk::TdmMain::Program::Console);
    vesk::MessageBoxPresenter presenter;
    dmMain.setMessagePresenter(&presenter);
    vesk::TLumoFrm::SetDataModule(&dmMain);

    vesk::TComputerMFrm ComputerMFrm(dmMain);
    ComputerMFrm.show();
    return app.exec();
}
