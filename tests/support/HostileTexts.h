// The hostile texts every entry point of outside text is driven with: SQL and LIKE
// metacharacters, keywords, Chinese text, control characters, a very long text and the empty one.
#pragma once

#include <QString>

#include <vector>

namespace vesk::test {

struct HostileText
{
    const char *label;
    QString text;
};

inline const std::vector<HostileText> &HostileTexts()
{
    static const std::vector<HostileText> texts = {
        {"single quote", QStringLiteral("O'Neil's PC")},
        {"double quote", QStringLiteral("say \"hi\"")},
        {"percent", QStringLiteral("100%")},
        {"underscore", QStringLiteral("a_b")},
        {"brackets", QStringLiteral("[x]y]z[")},
        {"backslashes", QStringLiteral("C:\\temp\\ \\'\\\\")},
        {"comment", QStringLiteral("a -- b /* c")},
        {"statement", QStringLiteral("x'; DELETE FROM tHost; --")},
        {"keywords", QStringLiteral("' OR '1'='1' UNION SELECT * FROM tPrinterData")},
        {"chinese", QStringLiteral("财务部 张三的文档")},
        {"control", QStringLiteral("tab\there bell\x07 esc\x1b")},
        {"long", QStringLiteral("long ").repeated(60) + QStringLiteral("end")},
        {"empty", QString()},
    };
    return texts;
}

} // namespace vesk::test
