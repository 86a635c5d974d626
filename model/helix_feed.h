// Which top arms join the coax's centre conductor and which its braid, read from the deck's
// sources and the direction of the wires they sit on.
#pragma once

#include <string_view>
#include <vector>

#include "helix_geometry.h"

namespace zandrel {

enum class FeedSide { CoaxCentre, CoaxBraid };

// "coax centre" or "coax braid".
std::string_view FeedSideName(FeedSide side);

// One half of a fed top wire, from the feed to the element it joins.
struct FeedArm {
    std::string_view ArmName;  // "Small loop top arm" or "Large loop top arm"
    WirePart Part = WirePart::SmallTop;
    double AzimuthDeg = 0.0;  // of its outer end, 0 <= azimuth < 360, counter-clockwise from above
    FeedSide Side = FeedSide::CoaxCentre;
};

// The arms at the feed, the small loop's first, each loop's by azimuth. A source's positive
// side goes to the centre conductor: the arm towards its wire's end when its voltage is
// positive, the other when negative. Raises ModelError(NotModellable) when a source is not on
// an inner segment of a top wire, or the sources are not all plus or minus one voltage, as one
// coax gives them.
std::vector<FeedArm> FeedConnections(const HelixGeometry& geometry);

}  // namespace zandrel
