// The installed antenna in nec2c, checked against what is known independently: image theory
// over perfect ground, the vanishing field at grazing incidence over real ground, and a choke
// that cuts the line below it off.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "helix_geometry.h"
#include "model_figures.h"
#include "nec2c_process.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {
namespace {

HelixGeometry Installed(const Installation& installation, const StyleEntry& style = Styles[3]) {
    GeometryOptions options;
    options.Install = installation;
    return BuildHelixGeometry(style, "137.50", Polarisation::Rhcp, options);
}

ModelFigures Modelled(const HelixGeometry& geometry) {
    const test_support::Nec2cRun run = test_support::RunNec2c(WriteNecDeck(geometry));
    EXPECT_EQ(run.Status, 0);
    return ComputeModelFigures(geometry, ParseNecOutput(run.Output));
}

// The raised antenna and its mirror image below z = 0, in free space: what perfect ground is
// by image theory. A horizontal current's image runs the other way, so the image's sources,
// all on horizontal top wires, are reversed.
HelixGeometry WithItsImage(HelixGeometry geometry) {
    geometry.Install = {};
    const int count = static_cast<int>(geometry.Wires.size());
    for (int i = 0; i < count; ++i) {
        Wire image = geometry.Wires[static_cast<std::size_t>(i)];
        image.Tag += count;
        image.Start.Z = -image.Start.Z;
        image.End.Z = -image.End.Z;
        geometry.Wires.push_back(image);
    }
    const std::size_t sources = geometry.Sources.size();
    for (std::size_t i = 0; i < sources; ++i) {
        FeedSource image = geometry.Sources[i];
        image.Tag += count;
        image.Voltage = -image.Voltage;
        geometry.Sources.push_back(image);
    }
    return geometry;
}

TEST(InstalledInNec2c, OverPerfectGroundIsTheAntennaWithItsImageInFreeSpace) {
    Installation installation;
    installation.Ground = GroundKind::Perfect;
    const HelixGeometry raised = Installed(installation);
    const ModelFigures ground = Modelled(raised);
    const ModelFigures pair = Modelled(WithItsImage(raised));
    // The pair's four feeds in parallel: half the antenna's impedance.
    EXPECT_NEAR(ground.Impedance.real(), 2.0 * pair.Impedance.real(),
                0.01 * std::abs(ground.Impedance));
    EXPECT_NEAR(ground.Impedance.imag(), 2.0 * pair.Impedance.imag(),
                0.01 * std::abs(ground.Impedance));
    // The same field above the ground from half the input power: 3.01 dB more gain.
    ASSERT_EQ(ground.ElevationGains.size(), pair.ElevationGains.size());
    for (std::size_t i = 1; i < ground.ElevationGains.size(); ++i) {
        const ElevationGain& g = ground.ElevationGains[i];
        const ElevationGain& p = pair.ElevationGains[i];
        EXPECT_NEAR(g.RhcpDbic, p.RhcpDbic + 3.01, 0.1) << g.ElevationDeg;
        if (g.LhcpDbic > -20.0) {
            EXPECT_NEAR(g.LhcpDbic, p.LhcpDbic + 3.01, 0.1) << g.ElevationDeg;
        }
    }
    EXPECT_FALSE(ground.HorizonRhcpDbic);
    EXPECT_FALSE(ground.FrontToBackDb);
    EXPECT_TRUE(ground.GainsAtElevation(LowElevationDeg));
}

TEST(InstalledInNec2c, OverRealGroundHasNoFieldLeftAtTheHorizon) {
    Installation installation;
    installation.Ground = GroundKind::Real;
    const ModelFigures ground = Modelled(Installed(installation));
    const ModelFigures free = Modelled(Installed({}));
    EXPECT_LT(ground.ElevationGains.front().RhcpDbic, -100.0);
    EXPECT_LT(ground.ElevationGains.front().LhcpDbic, -100.0);
    EXPECT_GT(ground.GainsAtElevation(LowElevationDeg)->RhcpDbic, -10.0);
    // Three metres up, the ground moves the impedance by a few per cent, not more.
    EXPECT_NEAR(std::abs(ground.Impedance), std::abs(free.Impedance),
                0.1 * std::abs(free.Impedance));
}

TEST(InstalledInNec2c, AStiffChokeCutsOffTheLineBelowItThatMovesTheImpedanceWhenBare) {
    const StyleEntry& style = Styles[5];
    Installation installation;
    installation.Feedline = FeedlineKind::Choked;
    installation.ChokeOhm = 1e6;
    installation.MastLengthM = 2.0;
    const std::complex<double> longLine = Modelled(Installed(installation, style)).Impedance;
    installation.MastLengthM = 0.7;
    const std::complex<double> shortLine = Modelled(Installed(installation, style)).Impedance;
    EXPECT_LT(std::abs(longLine - shortLine), 0.01 * std::abs(longLine));
    installation.Feedline = FeedlineKind::Bare;
    installation.MastLengthM = 2.0;
    const std::complex<double> bareLong = Modelled(Installed(installation, style)).Impedance;
    installation.MastLengthM = 0.7;
    const std::complex<double> bareShort = Modelled(Installed(installation, style)).Impedance;
    EXPECT_GT(std::abs(bareLong - bareShort), 0.01 * std::abs(bareLong));
}

}  // namespace
}  // namespace zandrel
