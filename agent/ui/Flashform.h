// Tflashfrm: the agent's splash window, shown on the main window's first show.
#pragma once

#include <QWidget>

class QLabel;

namespace vesk {

class TdmMain;

// Borderless, on top, centred, 531 x 148, a stretched picture under the title and version.
// It has no skinned frame: the splash is the one window without it.
class Tflashfrm : public QWidget
{
    Q_OBJECT

public:
    explicit Tflashfrm(TdmMain &dm, QWidget *parent = nullptr);
    ~Tflashfrm() override;

    static constexpr int ShowMs = 1500; // how long the main window keeps it up

    QLabel *lblCaption;
    QLabel *lblVersion;

protected:
    // Title by the language code's rule, version from "RSVersion".
    virtual void FormShow();
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TdmMain &dm_;
};

} // namespace vesk
