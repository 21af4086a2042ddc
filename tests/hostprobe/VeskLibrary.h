// libVesk.so loaded at run time and its exports bound by name, as the programs bind them.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::test {

class VeskLibrary
{
public:
    using TextFunction = const char *(*)(char *);
    using PlatformFunction = std::int32_t (*)();

    explicit VeskLibrary(const std::string &path);
    ~VeskLibrary();
    VeskLibrary(const VeskLibrary &) = delete;
    VeskLibrary &operator=(const VeskLibrary &) = delete;

    // Empty when the library and every export were found, else what was missing.
    const std::string &error() const { return error_; }

    TextFunction Vesk_1 = nullptr;
    TextFunction Vesk_2 = nullptr;
    TextFunction Vesk_1__1 = nullptr;
    TextFunction Vesk_2__2 = nullptr;
    PlatformFunction Vesk_7 = nullptr;

    // Calls an export by name on a copy of `argument` and returns the result; the copy,
    // as the export left it, goes to `argumentAfter`.
    std::string call(const std::string &exportName, const std::string &argument,
                     std::string *argumentAfter = nullptr) const;

private:
    void *handle_ = nullptr;
    std::string error_;
};

} // namespace vesk::test
