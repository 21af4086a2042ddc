// The export layer of libVesk.so: argument handling and static result buffers.
#include "Vesk.h"

#include "HostResolver.h"
#include "MacProbe.h"

#include <algorithm>
#include <string>

#define VESK_EXPORT __attribute__((visibility("default")))

namespace {

// Results stay valid until the next call on the same thread that writes the same buffer; one
// buffer per thread lets the console probe several computers at once.
thread_local char MacBuffer[18];
thread_local char Ipv4Buffer[128];

void UpperCaseInPlace(char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

template <std::size_t Size> const char *Store(char (&buffer)[Size], const std::string &text)
{
    const std::size_t length = std::min(text.size(), Size - 1);
    std::copy_n(text.data(), length, buffer);
    buffer[length] = '\0';
    return buffer;
}

// The name after the two leading characters, or null when the text is shorter.
char *AfterPrefix(char *text)
{
    if (text == nullptr || text[0] == '\0' || text[1] == '\0')
        return nullptr;
    return text + 2;
}

} // namespace

extern "C" {

VESK_EXPORT const char *Vesk_1(char *name)
{
    MacBuffer[0] = '\0';
    if (name == nullptr)
        return MacBuffer;
    UpperCaseInPlace(name);
    return Store(MacBuffer, vesk::MacOfComputer(name));
}

VESK_EXPORT const char *Vesk_2(char *name)
{
    Ipv4Buffer[0] = '\0';
    if (name == nullptr)
        return Ipv4Buffer;
    UpperCaseInPlace(name);
    // Computers known by their NetBIOS names alone are found by a name query.
    if (const auto address = vesk::Ipv4OfComputer(name))
        Store(Ipv4Buffer, vesk::Ipv4Text(*address));
    return Ipv4Buffer;
}

VESK_EXPORT const char *Vesk_1__1(char *name)
{
    char *const rest = AfterPrefix(name);
    if (rest == nullptr) {
        MacBuffer[0] = '\0';
        return MacBuffer;
    }
    return Vesk_1(rest);
}

VESK_EXPORT const char *Vesk_2__2(char *name)
{
    char *const rest = AfterPrefix(name);
    if (rest == nullptr) {
        Ipv4Buffer[0] = '\0';
        return Ipv4Buffer;
    }
    return Vesk_2(rest);
}

VESK_EXPORT int32_t Vesk_Computer(const char *machineName, VeskComputer *computer)
{
    if (computer == nullptr)
        return 0;
    *computer = VeskComputer{};
    if (machineName == nullptr || machineName[0] == '\0' || machineName[1] == '\0' ||
        machineName[2] == '\0')
        return 0;
    const vesk::ComputerAnswer answer = vesk::ComputerOfHost(machineName + 2);
    Store(computer->Name, answer.name);
    Store(computer->Mac, answer.mac);
    Store(computer->Ip, answer.ip);
    return 1;
}

VESK_EXPORT int32_t Vesk_7(void)
{
    return 1;
}

} // extern "C"
