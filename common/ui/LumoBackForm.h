// TLumoBackFrm: the skinned window under the console main window and the dialogs.
#pragma once

#include "LumoForm.h"

namespace vesk {

// Adds nothing to TLumoFrm; it keeps the place the console main window and the dialogs derive
// from, so a look shared by them alone has one home.
class TLumoBackFrm : public TLumoFrm
{
    Q_OBJECT

public:
    explicit TLumoBackFrm(QWidget *parent = nullptr);
    ~TLumoBackFrm() override;
};

} // namespace vesk
