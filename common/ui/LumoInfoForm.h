// TLumoInfoFrm: the information window that shows a record's fields, one per line.
#pragma once

#include "LumoForm.h"
#include "MainDM.h"

class QLabel;

namespace vesk {

// Shown modally by the record details of both programs and destroyed when it closes. The two
// programs lay it out differently; in the agent a double-click on the text closes it.
class TLumoInfoFrm : public TLumoFrm
{
    Q_OBJECT

public:
    // The layout of the running program, as the data module says (the console's without one).
    explicit TLumoInfoFrm(QWidget *parent = nullptr);
    TLumoInfoFrm(TdmMain::Program program, QWidget *parent = nullptr);
    ~TLumoInfoFrm() override;

    TdmMain::Program program() const { return program_; }

    // Puts the block of lines into lblInfo. Lines may end in carriage return and line feed.
    void SetInfo(const QString &text);

    QLabel *lblInfo;

protected:
    // The base show handling, then the caption "RSInformation" from the catalogue.
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TdmMain::Program program_;
};

} // namespace vesk
