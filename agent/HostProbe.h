// The host probe calls of the record intake, behind an interface so tests can answer them.
#pragma once

#include <QString>

#include <string>

namespace vesk {

// Both calls take the spooler's machine name ("\\PC1"), skip its two leading characters and
// upper-case the ASCII letters of the name in place, as libVesk does. Window thread only.
class HostProbe
{
public:
    virtual ~HostProbe() = default;
    // MAC text "XX-XX-XX-XX-XX-XX", or empty.
    virtual QString MacOf(std::string &MachineName) = 0;
    // IPv4 text, or empty.
    virtual QString IpOf(std::string &MachineName) = 0;
};

// The real probe: Vesk_1__1 and Vesk_2__2 of libVesk.so; their static buffers are copied at once.
class LibVeskProbe final : public HostProbe
{
public:
    QString MacOf(std::string &MachineName) override;
    QString IpOf(std::string &MachineName) override;
};

} // namespace vesk
