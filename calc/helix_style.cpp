#include "helix_style.h"

#include <algorithm>

namespace zandrel {

const StyleEntry& StyleEntryOf(HelixStyle style) {
    return *std::find_if(Styles.begin(), Styles.end(),
                         [style](const StyleEntry& entry) { return entry.Style == style; });
}

}  // namespace zandrel
