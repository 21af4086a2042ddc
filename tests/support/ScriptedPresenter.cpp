// Scripted answers for message boxes.
#include "ScriptedPresenter.h"

#include "MessageFlags.h"

namespace vesk::test {

int ScriptedPresenter::present(const QString &title, const QString &text, unsigned style)
{
    shown.push_back({title, text, style});
    if (answers_.empty())
        return IDOK;
    const int r = answers_.front();
    answers_.pop_front();
    return r;
}

} // namespace vesk::test
