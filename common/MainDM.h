// TdmMain: each program's data module: configuration, catalogue, connection, standing datasets.
#pragma once

#include "Catalogue.h"
#include "Dataset.h"
#include "IniFile.h"
#include "MessageFlags.h"
#include "MessagePresenter.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <memory>

namespace vesk {

// The program's one connection to the shared database. Belongs to the window thread; a worker
// opens a clone of its own (cloneDatabaseForThread).
class TConnection
{
public:
    explicit TConnection(QString name) : name_(std::move(name)) {}
    ~TConnection();
    TConnection(const TConnection &) = delete;
    TConnection &operator=(const TConnection &) = delete;

    const QString &connectionName() const { return name_; }
    QString ConnectionString;
    // Opens the database that ConnectionString names, relative paths taken from `appDir`, and
    // brings it up to date. Returns false with the database's own text in `error`, or for a
    // database newer than this program the catalogue's text from `lang` (openFailureText).
    bool Open(const QString &appDir, QString *error, const LangLookup &lang = {});
    // Whether the last Open refused a database written by a newer program.
    bool RefusedNewer() const { return refusedNewer_; }
    void Close();
    bool Connected() const;
    QSqlDatabase database() const { return QSqlDatabase::database(name_, false); }

private:
    QString name_;
    bool refusedNewer_ = false;
};

class TdmMain : public QObject
{
    Q_OBJECT

public:
    enum class Program
    {
        Agent,
        Console
    };

    // `appDir` defaults to the directory of the running program.
    explicit TdmMain(Program program, const QString &appDir = {}, QObject *parent = nullptr);
    ~TdmMain() override;

    Program program() const { return program_; }
    // The application folder, with a trailing separator.
    const QString &AppDir() const { return appDir_; }

    // --- INI files: one is current; every lookup reads it.
    void OpenIniFile(const QString &fileName);
    // Config.ini of the application folder, decoded before its charset is known.
    void OpenConfigFile();
    void CloseIniFile();
    QString ReadIniString(const QString &section, const QString &key) const;
    QString GetLangString(const QString &key) const;

    // --- Message boxes, titled by "RSConfirmation", through the presenter seam.
    void setMessagePresenter(MessagePresenter *presenter) { presenter_ = presenter; }
    void ShowMsg(const QString &text, unsigned flags);
    int AskOkCancel(const QString &text, unsigned flags);
    // The framework's plain box: text only, no title, an OK button.
    void ShowPlainMsg(const QString &text);
    // The template with its first "%s" (any letter case) replaced by `value`.
    static QString FillMsg(const QString &tmpl, const QString &value);

    // --- Existence lookups. Table and field names are the caller's constants; values are
    // quoted. Database errors are thrown as VeskError with the database's text.
    bool RecordExists(const QString &table, const QString &field, const QString &value);
    bool IsFreeValue(const QString &table, const QString &field, const QString &newValue,
                     const QString &currentValue);
    bool RecordMissing(const QString &table, const QString &field, const QString &value);

    // --- Saved tree files below the application folder.
    QString GetTreeDateFile() const;
    QString GetDeptTreeDateFile() const;

    // --- State filled by the settings routines.
    QString LangFileName;
    QString LangCode;
    int FontCharset = 0;
    std::atomic<bool> HostInfoRunning{false}; // console: host collection is writing

    TConnection acntVesk;
    // Standing datasets; aqryDept exists in the console only.
    std::unique_ptr<TDataset> aqryHost;
    std::unique_ptr<TDataset> aqryPrinter;
    std::unique_ptr<TDataset> aqryPrinterData;
    std::unique_ptr<TDataset> aqryDept;

    // Display labels of the datasets' fields from the current catalogue.
    void applyDisplayLabels();

private:
    int countRows(const QString &statement);

    Program program_;
    QString appDir_;
    IniFile ini_;
    MessagePresenter *presenter_ = nullptr;
};

} // namespace vesk
