// The list of windows the screenshot program draws; each window file registers its own.
#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace vesk::shots {

struct Screenshot
{
    const char *name;                               // file name without ".png"
    std::function<std::unique_ptr<QWidget>()> make; // the window, set up but not shown
    int scale = 1;                                  // enlarge small pictures to look at
};

std::vector<Screenshot> &registry();

struct Registration
{
    Registration(const char *name, std::function<std::unique_ptr<QWidget>()> make, int scale = 1)
    {
        registry().push_back({name, std::move(make), scale});
    }
};

} // namespace vesk::shots

// Registers a window under `name`: VESK_SCREENSHOT(myWindow, "my-window", [] { ... });
#define VESK_SCREENSHOT(id, ...) static const vesk::shots::Registration shot_##id(__VA_ARGS__)
