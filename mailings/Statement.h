// The monthly statement of one web account: the overview's figures of its scope for a month, as
// text and HTML, with the grouped report (PDF) and the month's history (workbook) attached,
// under the web view's scope and privacy rules, in the account's language.
#pragma once

#include "Catalogue.h"
#include "DocumentPrivacy.h"
#include "MailMessage.h"
#include "Money.h"
#include "WebAccounts.h"

#include <QDate>
#include <QSqlDatabase>

#include <optional>

namespace vesk {

// The first day of `month` ("yyyy-mm") or of the month before `today` ("last"); nullopt for
// anything else.
std::optional<QDate> StatementMonth(const QString &text, const QDate &today);

// `account`'s statement of the month that begins on `month`, to its address, in `lang`, its cost
// in `currency` and, where the account's department has a budget, the share of it spent. nullopt
// with the database's or the report's text.
std::optional<MailMessage> ComposeStatement(const QSqlDatabase &db, const WebAccount &account,
                                            const QDate &month, const LangLookup &lang,
                                            const DocumentPrivacy &privacy,
                                            const Currency &currency, QString *error);

// The catalogue of the account's language: Chinese for "cn", else English.
const LangLookup &AccountLang(const WebAccount &account, const LangLookup &english,
                              const LangLookup &chinese);

// A month in the catalogue's way of writing it ("November 2026", "2026年11月").
QString MonthTitle(const QDate &month, const LangLookup &lang);
// A count grouped by thousands (12,480), as both languages write them.
QString GroupedNumber(qint64 n);
// A share in hundredths of a percent as whole percent, rounded down so that "80" is only said
// once 80 % is reached.
QString WholePercent(qint64 shareBp);

} // namespace vesk
