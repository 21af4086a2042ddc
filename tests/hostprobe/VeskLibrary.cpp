// Run-time binding of libVesk.so.
#include "VeskLibrary.h"

#include <dlfcn.h>
#include <vector>

namespace vesk::test {

namespace {

template <typename Function>
void Bind(void *handle, const char *name, Function &function, std::string &error)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr)
        error += std::string(error.empty() ? "" : ", ") + "no export " + name;
}

} // namespace

VeskLibrary::VeskLibrary(const std::string &path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char *reason = dlerror();
        error_ = reason != nullptr ? reason : "dlopen failed";
        return;
    }
    Bind(handle_, "Vesk_1", Vesk_1, error_);
    Bind(handle_, "Vesk_2", Vesk_2, error_);
    Bind(handle_, "Vesk_1__1", Vesk_1__1, error_);
    Bind(handle_, "Vesk_2__2", Vesk_2__2, error_);
    Bind(handle_, "Vesk_7", Vesk_7, error_);
}

VeskLibrary::~VeskLibrary()
{
    if (handle_ != nullptr)
        dlclose(handle_);
}

std::string VeskLibrary::call(const std::string &exportName, const std::string &argument,
                              std::string *argumentAfter) const
{
    TextFunction function = exportName == "Vesk_1"      ? Vesk_1
                            : exportName == "Vesk_2"    ? Vesk_2
                            : exportName == "Vesk_1__1" ? Vesk_1__1
                            : exportName == "Vesk_2__2" ? Vesk_2__2
                                                        : nullptr;
    if (function == nullptr)
        return "<no export " + exportName + ">";
    std::vector<char> text(argument.begin(), argument.end());
    text.push_back('\0');
    const char *result = function(text.data());
    if (argumentAfter != nullptr)
        *argumentAfter = text.data();
    return result != nullptr ? result : "<null>";
}

} // namespace vesk::test
