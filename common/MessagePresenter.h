// The one seam through which the data module shows message boxes; tests answer it.
#pragma once

#include <QString>

namespace vesk {

class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    // A modal box: `style` carries an icon (MB_ICON*) and MB_OK or MB_OKCANCEL. Returns IDOK,
    // or IDCANCEL when Cancel, Escape or the close box ended it.
    virtual int present(const QString &title, const QString &text, unsigned style) = 0;
};

} // namespace vesk
