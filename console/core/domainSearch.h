// TGetDomainThread: the first thread of a network search: the root and its domains and workgroups.
#pragma once

#include "NetworkSearch.h"

namespace vesk {

// Which path through the enumeration suits this platform's provider (see domainSearch.cpp).
int GetPlatformKind();

// The texts of the enumeration's plain message boxes.
inline constexpr const char *OpenNetworkError = "error code 0:open network error ";
inline constexpr const char *NetworkClosedError =
    "error code 1:can not open network,please try to find yourself";
inline constexpr const char *NetworkEmptyError =
    "error code 2:can not open network,please try to find yourself";

class TGetDomainThread : public TSearchThread
{
public:
    explicit TGetDomainThread(TNetworkSearch &search) : TSearchThread(search) {}

protected:
    void Execute() override;
};

} // namespace vesk
