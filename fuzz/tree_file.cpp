// The saved tree files (NetDate.dat, DeptTreeData.dat): the first byte picks the code page, the
// rest is the file; what is read is written back as the console saves it.
#include "TreeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr int Charsets[] = {0, 134, 136};
    const int charset = Charsets[data[0] % std::size(Charsets)];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));
    vesk::TreeNodes tree;
    QString error;
    (void)vesk::ParseTreeFile(bytes, charset, tree, &error);
    (void)vesk::TreeFileBytes(tree, charset);
    return 0;
}
