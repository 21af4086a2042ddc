// Config.ini and the language files: the first byte picks the code page, the rest is the file.
#include "Catalogue.h"
#include "CodePage.h"
#include "Errors.h"
#include "IniFile.h"
#include "MainDM.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr int Charsets[] = {0, 134, 136, 128, 129, 77};
    const int charset = Charsets[data[0] % std::size(Charsets)];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));

    vesk::IniFile ini;
    ini.parse(vesk::decodeCodePage(bytes, charset));
    const QString value = ini.readString(QStringLiteral("Font"), QStringLiteral("Charset"));
    (void)vesk::codePageLength(value, charset);
    try {
        (void)vesk::StrToInt(value);
    } catch (const vesk::EConvertError &) {
        // A Charset that is not a whole number stops the start-up with this error.
    }
    (void)vesk::TdmMain::FillMsg(
        ini.readString(QStringLiteral("Lang"), QStringLiteral("RSMonitorErr")), value);
    (void)vesk::codePageLength(ini.readString(QStringLiteral("Lang"), QStringLiteral("RSInfo")),
                               charset);
    const vesk::LangLookup lang = [&ini](const QString &key) {
        return ini.readString(QStringLiteral("Lang"), key);
    };
    for (const auto &column : vesk::PrinterDataTitles())
        (void)vesk::columnTitle(column, lang);
    (void)vesk::ProductTitle(ini.readString(QStringLiteral("Language"), QStringLiteral("Code")),
                             value);
    return 0;
}
