// A message presenter for tests: records every box and answers from a script.
#pragma once

#include "MessagePresenter.h"

#include <QString>

#include <deque>
#include <vector>

namespace vesk::test {

class ScriptedPresenter : public MessagePresenter
{
public:
    struct Shown
    {
        QString title;
        QString text;
        unsigned style;
    };

    // Answers given in order; IDOK once the script runs out.
    void answer(int result) { answers_.push_back(result); }
    int present(const QString &title, const QString &text, unsigned style) override;

    std::vector<Shown> shown;

private:
    std::deque<int> answers_;
};

} // namespace vesk::test
