// The real host probe over libVesk.so.
#include "HostProbe.h"

#include "Vesk.h"

#include <vector>

namespace vesk {

namespace {

// The exports upper-case their argument in place, so they get a writable copy that is handed
// back; their result lives in a static buffer and is copied before anything else runs.
QString callProbe(const char *(*probe)(char *), std::string &MachineName)
{
    std::vector<char> buffer(MachineName.begin(), MachineName.end());
    buffer.push_back('\0');
    const char *result = probe(buffer.data());
    const QString text = result ? QString::fromUtf8(result) : QString();
    MachineName.assign(buffer.data());
    return text;
}

} // namespace

ProbedComputer HostProbe::ComputerOf(const std::string &MachineName)
{
    std::string name = MachineName;
    ProbedComputer computer;
    computer.Mac = MacOf(name);
    computer.Ip = IpOf(name);
    computer.Name = QString::fromUtf8(name.size() >= 2 ? name.substr(2) : std::string());
    return computer;
}

ProbedComputer LibVeskProbe::ComputerOf(const std::string &MachineName)
{
    VeskComputer found{};
    Vesk_Computer(MachineName.c_str(), &found);
    return {QString::fromUtf8(found.Name), QString::fromUtf8(found.Mac),
            QString::fromUtf8(found.Ip)};
}

QString LibVeskProbe::MacOf(std::string &MachineName)
{
    return callProbe(&Vesk_1__1, MachineName);
}

QString LibVeskProbe::IpOf(std::string &MachineName)
{
    return callProbe(&Vesk_2__2, MachineName);
}

bool LibVeskProbe::PlatformTest() const
{
    return Vesk_7() != 0;
}

} // namespace vesk
