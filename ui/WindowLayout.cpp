#include "WindowLayout.h"

#include <algorithm>
#include <cstring>

namespace layout {

std::vector<Control> inTabOrder()
{
    std::vector<Control> controls(std::begin(kControls), std::end(kControls));
    std::sort(controls.begin(), controls.end(),
              [](const Control &a, const Control &b) { return a.tabIndex < b.tabIndex; });
    return controls;
}

QRect windowTwips(const Control &control)
{
    for (const Control &container : kControls)
        if (std::strcmp(container.objectName, control.container) == 0)
            return control.twips.translated(container.twips.topLeft());
    return control.twips;
}

} // namespace layout
