// The host probe (libVesk.so) behind an interface, for both programs, so tests can answer it.
#pragma once

#include <QString>

#include <string>

namespace vesk {

// The submitting computer of a job: its name as the Windows spooler gives it (no backslashes),
// MAC text and IP text (IPv4 or IPv6); empty texts where unknown.
struct ProbedComputer
{
    QString Name;
    QString Mac;
    QString Ip;
};

// Both look-ups take the spooler's machine name ("\\PC1"), skip its two leading characters and
// upper-case the ASCII letters of the name in place, as libVesk does. The library answers from
// per-thread buffers, copied at once.
class HostProbe
{
public:
    virtual ~HostProbe() = default;
    // MAC text "XX-XX-XX-XX-XX-XX", or empty.
    virtual QString MacOf(std::string &MachineName) = 0;
    // IPv4 text, or empty.
    virtual QString IpOf(std::string &MachineName) = 0;
    // The computer of a spooler machine name ("\\PC1", or "\\10.0.0.5" as CUPS names a network
    // client): a name keeps its name and is asked for MAC and IP as above; an address is named as
    // the Windows spooler would name it. MachineName is left as it is. This default asks MacOf
    // and IpOf and keeps the name as they leave it.
    virtual ProbedComputer ComputerOf(const std::string &MachineName);
    // The platform test: true when change notifications are available (always, here).
    virtual bool PlatformTest() const { return true; }
};

// The real probe: Vesk_1__1 and Vesk_2__2 of libVesk.so; their static buffers are copied at once.
class LibVeskProbe final : public HostProbe
{
public:
    QString MacOf(std::string &MachineName) override;
    QString IpOf(std::string &MachineName) override;
    // Vesk_Computer.
    ProbedComputer ComputerOf(const std::string &MachineName) override;
    // Vesk_7.
    bool PlatformTest() const override;
};

} // namespace vesk
