// The platform's message box behind the data module's seam.
#pragma once

#include "MessagePresenter.h"

namespace vesk {

// A modal QMessageBox with the icon of the style bits and OK or OK/Cancel. Escape and the
// close box give IDCANCEL. Safe to call from any thread: the box runs on the window thread.
class MessageBoxPresenter : public MessagePresenter
{
public:
    int present(const QString &title, const QString &text, unsigned style) override;
};

} // namespace vesk
