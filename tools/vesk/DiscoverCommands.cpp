// vesk discover: the console's network search and host collection without a display.
#include "ArgList.h"
#include "CommandContext.h"
#include "CommandRegistry.h"
#include "HostInfo.h"
#include "IniFile.h"
#include "MapNetwork.h"
#include "NetworkConfig.h"
#include "NetworkSearch.h"
#include "TreeFile.h"
#include "WindowMessages.h"
#include "domainSearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>

namespace vesk::cli {

namespace {

// The log window of the search: each line on standard output as it comes.
class LogPrinter : public QObject, public ShowTipReceiver
{
public:
    explicit LogPrinter(QTextStream &out) : out_(out) {}
    void ShowTip(const QString &line) override
    {
        out_ << QString(line).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) << Qt::endl;
    }

private:
    QTextStream &out_;
};

int discover(CommandContext &c, ArgList &args)
{
    const std::optional<QString> mapFile = args.takeOption(QStringLiteral("--map"));
    if (!args.positional().isEmpty() || !args.error().isEmpty()) {
        c.err() << "vesk: "
                << (args.error().isEmpty() ? QStringLiteral("discover takes no arguments")
                                           : args.error())
                << Qt::endl;
        return ExitUsage;
    }
    TdmMain &dm = c.dm();
    std::unique_ptr<NetworkEnum> network;
    QString error;
    if (mapFile) {
        // A map that cannot be read ends the search through its failed-open path; say why.
        network = std::make_unique<MapNetwork>(
            MapNetwork::FromFile(QDir::current().absoluteFilePath(*mapFile), &error));
    } else {
        NetworkConfig config;
        if (!NetworkConfig::Read(
                IniFile(dm.AppDir() + QStringLiteral("/Config.ini"), dm.FontCharset), dm.AppDir(),
                config, &error))
            return c.fail(error);
        network = OpenNetworkProvider(config, &error);
    }
    if (!error.isEmpty())
        c.err() << "vesk: " << error << Qt::endl;

    LogPrinter log(c.out());
    std::unique_ptr<THostInfo> hostInfo;
    QString treeError;
    {
        TNetworkSearch search(*network,
                              [&dm](const QString &key) { return dm.GetLangString(key); });
        search.LogWindow = &log;
        search.PlatformKind = GetPlatformKind();
        search.TreeFileName = dm.GetTreeDateFile();
        search.Charset = dm.FontCharset;
        search.StartHostInfo = [&](const TreeNodes &tree) {
            HostInfoSettings s;
            s.SourceConnection = dm.acntVesk.connectionName();
            s.Lang = [&dm](const QString &key) { return dm.GetLangString(key); };
            s.LogWindow = &log;
            s.Window = &log;
            s.HostInfoRunning = &dm.HostInfoRunning;
            s.LoadDeptTree = [&dm](TreeNodes &dept, QString *e) {
                return LoadDeptTreeNodes(dm.acntVesk.database(), dept, e);
            };
            s.DeptTreeFileName = dm.GetDeptTreeDateFile();
            s.Charset = dm.FontCharset;
            s.KnownAddresses = network->KnownAddresses();
            hostInfo = std::make_unique<THostInfo>(s, tree);
            hostInfo->start();
        };
        QObject::connect(&search, &TNetworkSearch::plainMessage, &search,
                         [&c](const QString &text) { c.err() << text << Qt::endl; });
        QEventLoop loop;
        QObject::connect(&search, &TNetworkSearch::searchFinished, &loop, [&](const QString &e) {
            treeError = e;
            loop.quit();
        });
        search.Start();
        loop.exec();
        // The collection reads the database and sends its lines here: keep serving it.
        while (hostInfo && !hostInfo->wait(10))
            QCoreApplication::processEvents();
        for (const QString &line : TreeFileLines(search.ComputerTree))
            c.out() << line << u'\n';
    }
    if (!treeError.isEmpty())
        return c.fail(treeError);
    if (hostInfo && !hostInfo->Error().isEmpty())
        return c.fail(hostInfo->Error());
    return ExitOk;
}

} // namespace

void registerDiscoverCommands(CommandRegistry &registry)
{
    registry.add({QStringLiteral("discover"),
                  {},
                  QStringLiteral("[--map FILE]"),
                  QStringLiteral("search the network, store its computers and printers"),
                  QStringLiteral(
                      "Runs the console's network search and host collection: prints the log\n"
                      "lines as they come and the computer tree at the end, writes NetDate.dat\n"
                      "and DeptTreeData.dat. The network comes from Config.ini [Network], or from\n"
                      "the map FILE with --map. Exit status 1 on a database or file error."),
                  discover});
}

} // namespace vesk::cli
