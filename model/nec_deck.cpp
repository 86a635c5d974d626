#include "nec_deck.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include "helix_feed.h"

namespace zandrel {

namespace {

// A number as NEC-2 reads it, whatever the locale: shortest text that reads back exactly.
std::string Number(double value) {
    if (value == 0.0) {
        return "0";  // no negative zero
    }
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 10);
    if (result.ec != std::errc()) {
        throw std::length_error("no room to write a deck number");
    }
    return std::string(buffer.data(), result.ptr);
}

class DeckText {
  public:
    DeckText& Card(std::string_view name) {
        text_ += name;
        return *this;
    }
    DeckText& operator<<(int value) {
        text_ += ' ';
        text_ += std::to_string(value);
        return *this;
    }
    DeckText& operator<<(double value) {
        text_ += ' ';
        text_ += Number(value);
        return *this;
    }
    DeckText& Text(std::string_view words) {
        text_ += ' ';
        text_ += words;
        return *this;
    }
    void End() { text_ += '\n'; }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

// nec2c reads comment cards of a limited length, one line each: the echoed frequency text is
// trimmed, kept on one line and cut short when it is very long.
std::string CommentText(std::string_view text) {
    constexpr std::size_t Longest = 40;
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    std::string line(first == std::string_view::npos ? std::string_view{}
                                                     : text.substr(first, last - first + 1));
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = ' ';
        }
    }
    if (line.size() > Longest) {
        line = line.substr(0, Longest) + "...";
    }
    return line;
}

// Comment cards that name what the antenna is modelled with besides itself.
void WriteInstallationComments(DeckText& deck, const HelixGeometry& geometry) {
    const Installation& install = geometry.Install;
    deck.Card("CM").Text("Installed: " + InstallationText(install)).End();
    if (install.Ground == GroundKind::Perfect) {
        deck.Card("CM").Text("Perfect ground (GN 1): the antenna and its image below it").End();
    } else if (install.Ground == GroundKind::Real) {
        deck.Card("CM")
            .Text("Real ground by the Sommerfeld-Norton method (GN 2): permittivity " +
                  Number(install.Permittivity) + ", conductivity " +
                  Number(install.ConductivitySPerM) + " S/m")
            .End();
    }
    if (install.HasGround()) {
        deck.Card("CM")
            .Text("Raised " + Number(geometry.RaisedByM) + " m: the lowest point " +
                  Number(install.HeightM) + " m above the ground")
            .End();
    }
    const std::string below = install.HasGround()
                                  ? std::string("down to the ground")
                                  : Number(install.MastLengthM) + " m below the antenna";
    switch (install.Mast) {
        case MastKind::Metal:
            deck.Card("CM")
                .Text("Metal mast " + Number(install.MastDiameterMm) +
                      " mm on the axis, joined to the lower bottom arm, " + below)
                .End();
            break;
        case MastKind::Insulating:
            deck.Card("CM").Text("Insulating mast: not modelled").End();
            break;
        case MastKind::None:
            break;
    }
    if (install.Feedline != FeedlineKind::None) {
        deck.Card("CM")
            .Text("Coax braid " + Number(BraidDiameterMm) +
                  " mm from the feed down beside the axis, past the bottom arms, then " + below +
                  (install.Mast == MastKind::Metal ? " beside the mast" : ""))
            .End();
    }
    if (geometry.ChokeTag != 0) {
        deck.Card("CM")
            .Text("Choke: " + Number(install.ChokeOhm) +
                  " ohm in series on the braid just below the antenna (LD 4)")
            .End();
    }
}

}  // namespace

std::vector<double> SweepFrequencies(double frequencyMHz, const DeckRequest& request) {
    std::vector<double> frequencies;
    const double start = frequencyMHz * (1.0 - request.SweepHalfSpan);
    const double step = frequencyMHz * 2.0 * request.SweepHalfSpan / (request.SweepPoints - 1);
    for (int i = 0; i < request.SweepPoints; ++i) {
        frequencies.push_back(start + step * i);
    }
    return frequencies;
}

int PatternThetaCount(const DeckRequest& request, bool upperHalfOnly) {
    return static_cast<int>(std::lround((upperHalfOnly ? 90.0 : 180.0) / request.PatternStepDeg)) +
           1;
}

int PatternPhiCount(const DeckRequest& request) {
    return static_cast<int>(std::lround(360.0 / request.PatternStepDeg));
}

std::string WriteNecDeck(const HelixGeometry& geometry, const DeckRequest& request) {
    DeckText deck;
    const StyleEntry& style = *geometry.Style;
    deck.Card("CM")
        .Text("zandrel2 NEC-2 model of the quadrifilar helix")
        .Text(style.Caption)
        .Text("(" + std::string(style.Name) + ")")
        .End();
    deck.Card("CM").Text("Design frequency " + CommentText(geometry.FrequencyText) + " MHz").End();
    deck.Card("CM")
        .Text(geometry.Sense == Polarisation::Rhcp
                  ? "Twist: left-hand helix, RHCP upwards"
                  : "Twist: right-hand helix (mirror image), LHCP upwards")
        .End();
    for (const FeedSide side : {FeedSide::CoaxCentre, FeedSide::CoaxBraid}) {
        std::string arms;
        for (const FeedArm& arm : FeedConnections(geometry)) {
            if (arm.Side == side) {
                arms += (arms.empty() ? "" : ", ") + std::string(arm.ArmName) + " " +
                        Number(arm.AzimuthDeg) + " deg";
            }
        }
        deck.Card("CM").Text("Feed, " + std::string(FeedSideName(side)) + ": " + arms).End();
    }
    if (geometry.Fed != FedLoops::Both) {
        deck.Card("CM")
            .Text(std::string(geometry.Fed == FedLoops::SmallAlone ? "Large" : "Small") +
                  " loop's top arms off the coax: an open gap in place of its feed segment")
            .End();
    }
    deck.Card("CM").Text("Dimensions in mm:").End();
    for (const DisplayedDimension& shown : DisplayOrder) {
        deck.Card("CM")
            .Text(shown.Name)
            .Text(FormatDimension(geometry.Dimensions.*shown.Field))
            .End();
    }
    if (geometry.ConductorDiameterMm != static_cast<double>(geometry.Dimensions.TubeDiameter)) {
        deck.Card("CM")
            .Text("Conductor diameter " + Number(geometry.ConductorDiameterMm) +
                  " mm instead of the tube's")
            .End();
    }
    if (geometry.SmallLoopScale != 1.0 || geometry.LargeLoopScale != 1.0) {
        deck.Card("CM")
            .Text("Loops scaled in radius and height: small x " + Number(geometry.SmallLoopScale) +
                  ", large x " + Number(geometry.LargeLoopScale))
            .End();
    }
    const Installation& install = geometry.Install;
    if (!install.IsBare() || install.Mast != MastKind::None) {
        WriteInstallationComments(deck, geometry);
    }
    deck.Card("CM")
        .Text(install.HasGround()
                  ? "Perfect conductors, metres, the ground at z = 0; 1 V on the middle segment "
                    "of each loop's top wire"
                  : "Free space, perfect conductors, metres; 1 V on the middle segment of each "
                    "loop's top wire")
        .End();
    deck.Card("CE").End();
    for (const Wire& wire : geometry.Wires) {
        deck.Card("GW") << wire.Tag << wire.Segments << wire.Start.X << wire.Start.Y << wire.Start.Z
                        << wire.End.X << wire.End.Y << wire.End.Z << wire.Radius;
        deck.End();
    }
    // With a ground, the current of a wire that stands on it runs on into its image.
    deck.Card("GE") << (install.HasGround() ? 1 : 0);
    deck.End();
    if (install.Ground == GroundKind::Perfect) {
        deck.Card("GN") << 1 << 0 << 0 << 0 << 0.0 << 0.0;
        deck.End();
    } else if (install.Ground == GroundKind::Real) {
        // Sommerfeld-Norton: nec2c computes the ground's field tables before the first run.
        deck.Card("GN") << 2 << 0 << 0 << 0 << install.Permittivity << install.ConductivitySPerM;
        deck.End();
    }
    if (request.ExtendedKernel) {
        deck.Card("EK") << 0;
        deck.End();
    }
    if (geometry.ChokeTag != 0) {
        deck.Card("LD") << 4 << geometry.ChokeTag << geometry.ChokeSegment << geometry.ChokeSegment
                        << install.ChokeOhm << 0.0;
        deck.End();
    }
    // No current tables: only the sources, the power budget and the pattern are read.
    deck.Card("PT") << -1 << 0 << 0 << 0;
    deck.End();
    const auto sources = [&] {
        for (const FeedSource& source : geometry.Sources) {
            deck.Card("EX") << 0 << source.Tag << source.Segment << 0 << source.Voltage.real()
                            << source.Voltage.imag();
            deck.End();
        }
    };
    if (request.Runs == DeckRuns::Impedances) {
        sources();
        for (const double frequency : request.ImpedanceFrequenciesMHz) {
            deck.Card("FR") << 0 << 1 << 0 << 0 << frequency << 0.0;
            deck.End();
            deck.Card("XQ").End();
        }
        deck.Card("EN").End();
        return deck.Take();
    }
    deck.Card("FR") << 0 << 1 << 0 << 0 << geometry.FrequencyMHz << 0.0;
    deck.End();
    sources();
    if (request.Runs == DeckRuns::Zenith) {
        deck.Card("RP") << 0 << 1 << 1 << 1000 << 0.0 << 0.0 << 0.0 << 0.0;
        deck.End();
        deck.Card("EN").End();
        return deck.Take();
    }
    deck.Card("RP") << 0 << PatternThetaCount(request, install.HasGround())
                    << PatternPhiCount(request) << 1000 << 0.0 << 0.0 << request.PatternStepDeg
                    << request.PatternStepDeg;
    deck.End();
    if (request.Runs == DeckRuns::Pattern) {
        deck.Card("EN").End();
        return deck.Take();
    }
    const std::vector<double> sweep = SweepFrequencies(geometry.FrequencyMHz, request);
    deck.Card("FR") << 0 << request.SweepPoints << 0 << 0 << sweep.front() << (sweep[1] - sweep[0]);
    deck.End();
    deck.Card("XQ").End();
    deck.Card("EN").End();
    return deck.Take();
}

std::string WriteNecDecks(const std::vector<HelixGeometry>& geometries,
                          const DeckRequest& request) {
    constexpr std::string_view End = "EN\n";
    std::string decks;
    for (const HelixGeometry& geometry : geometries) {
        if (!decks.empty()) {
            decks.resize(decks.size() - End.size());
            decks += "NX\n";
        }
        decks += WriteNecDeck(geometry, request);
    }
    return decks;
}

}  // namespace zandrel
