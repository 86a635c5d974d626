// The sheet's content: the cut list and the mast holes against the calculator's own texts,
// the holes' azimuths for each style's turns, and the errors.
#include "construction_sheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "helix_dimensions.h"
#include "helix_feed.h"
#include "loop_tuning.h"
#include "model_error.h"
#include "numeric_error.h"
#include "sheet_error.h"
#include "worked_example.h"

namespace zandrel {
namespace {

// The result box texts of `style` at `frequency`, by displayed name.
std::map<std::string, std::string> BoxTexts(HelixStyle style, const char* frequency) {
    HelixDimensions dimensions;
    ComputeHelixDimensions(frequency, StyleConstantsOf(style), dimensions);
    std::map<std::string, std::string> texts;
    for (const DisplayedDimension& shown : DisplayOrder) {
        texts[std::string(shown.Name)] = FormatDimension(dimensions.*shown.Field);
    }
    return texts;
}

// A depth added from displayed texts, with one decimal, by the school rule (half up).
std::string DepthText(double millimetres) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", std::floor(millimetres * 10.0 + 0.5 + 1e-9) / 10.0);
    return text;
}

const char* const Frequencies[] = {"137.50", "145.8", "435", "1691", "29.6", "401.3"};

// A mast that fits the style's loops at `frequency`: half the smaller bottom arm, from the
// result boxes, and no wider than the widest mast a sheet is made for.
double FittingMast(HelixStyle style, const char* frequency) {
    const auto texts = BoxTexts(style, frequency);
    return std::min(
        std::min(std::stod(texts.at("SmallBottomArm")), std::stod(texts.at("LargeBottomArm"))) /
            2.0,
        LargestMastDiameterMm);
}

ConstructionSheet SheetAt(HelixStyle style, const char* frequency,
                          Polarisation sense = Polarisation::Rhcp) {
    return ComputeConstructionSheet(style, frequency, sense, FittingMast(style, frequency));
}

TEST(CutList, ShowsEveryFigureAsTheResultBoxesDo) {
    for (const StyleEntry& style : Styles) {
        for (const char* frequency : Frequencies) {
            const ConstructionSheet sheet = SheetAt(style.Style, frequency);
            const auto texts = BoxTexts(style.Style, frequency);
            ASSERT_EQ(sheet.CutList.size(), 11u);
            for (const CutListLine& line : sheet.CutList) {
                ASSERT_FALSE(line.DimensionName.empty()) << line.Part;
                EXPECT_EQ(line.LengthText, texts.at(std::string(line.DimensionName)))
                    << style.Name << " at " << frequency << ": " << line.Part;
                EXPECT_FALSE(line.Tuned);
            }
        }
    }
}

TEST(CutList, NamesThePiecesOfEachLoopWithTheWorkedExamplesTexts) {
    const ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::HalfTurnRca, "137.50", Polarisation::Rhcp);
    const auto& column = test_support::WorkedExample[1];  // in DisplayOrder
    struct Expected {
        const char* group;
        const char* part;
        int count;
        const char* text;
    };
    const Expected expected[] = {
        {"Small loop", "Helical element", 2, column[9]},
        {"Small loop", "Top arm", 2, column[3]},
        {"Small loop", "Bottom arm", 1, column[4]},
        {"Small loop", "Total conductor (loop perimeter)", 1, column[1]},
        {"Small loop", "Height (top arm to bottom arm)", 0, column[5]},
        {"Large loop", "Helical element", 2, column[10]},
        {"Large loop", "Top arm", 2, column[7]},
        {"Large loop", "Bottom arm", 1, column[8]},
        {"Large loop", "Total conductor (loop perimeter)", 1, column[2]},
        {"Large loop", "Height (top arm to bottom arm)", 0, column[6]},
        {"Tube", "Tube outside diameter", 1, column[0]},
    };
    ASSERT_EQ(sheet.CutList.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(sheet.CutList[i].Group, expected[i].group) << i;
        EXPECT_EQ(sheet.CutList[i].Part, expected[i].part) << i;
        EXPECT_EQ(sheet.CutList[i].Count, expected[i].count) << i;
        EXPECT_EQ(sheet.CutList[i].LengthText, expected[i].text) << i;
    }
}

TEST(MastHoles, LieAtTheDepthsAddedFromTheDisplayedFigures) {
    for (const StyleEntry& style : Styles) {
        for (const char* frequency : Frequencies) {
            const ConstructionSheet sheet = SheetAt(style.Style, frequency);
            const auto texts = BoxTexts(style.Style, frequency);
            const double tube = std::stod(texts.at("TubeDiameter"));
            std::map<std::string, std::string> expected = {
                {"Small loop top arm", "0.0"},
                {"Large loop top arm", DepthText(2 * tube)},
                {"Small loop bottom arm", DepthText(std::stod(texts.at("SmallLoopHeight")))},
                {"Large loop bottom arm",
                 DepthText(2 * tube + std::stod(texts.at("LargeLoopHeight")))},
            };
            ASSERT_EQ(sheet.Holes.size(), 8u);
            for (const MastHole& hole : sheet.Holes) {
                EXPECT_EQ(hole.DistanceText, expected.at(hole.ArmName))
                    << style.Name << " at " << frequency << ": " << hole.ArmName;
            }
            for (std::size_t i = 1; i < sheet.Holes.size(); ++i) {
                EXPECT_LE(sheet.Holes[i - 1].DistanceMm, sheet.Holes[i].DistanceMm);
            }
        }
    }
}

TEST(MastHoles, ForTheWorkedExampleReadAsABuilderWouldAddThem) {
    // 1/4 turn at 137.50 MHz: tube 8.73, loop heights 912.47 and 921.2.
    const ConstructionSheet sheet =
        ComputeConstructionSheet(HelixStyle::QuarterTurn, "137.50", Polarisation::Rhcp);
    std::multiset<std::string> depths;
    for (const MastHole& hole : sheet.Holes) {
        depths.insert(hole.DistanceText);
    }
    EXPECT_EQ(depths, (std::multiset<std::string>{"0.0", "0.0", "17.5", "17.5", "912.5", "912.5",
                                                  "938.7", "938.7"}));
}

struct Azimuths {
    std::set<std::string> smallBottom, largeBottom;
    std::string fromSmallTopAtZero;  // where the element from the small top arm's 0° side ends
};

Azimuths AzimuthsOf(HelixStyle style, Polarisation sense) {
    const ConstructionSheet sheet = ComputeConstructionSheet(style, "137.50", sense);
    Azimuths found;
    for (const MastHole& hole : sheet.Holes) {
        if (hole.Arm == ArmPosition::Top) {
            EXPECT_EQ(hole.AzimuthText, hole.OfLoop == Loop::Small
                                            ? (hole.AzimuthDegrees == 0 ? "0" : "180")
                                            : (hole.AzimuthDegrees == 90 ? "90" : "270"));
            if (hole.OfLoop == Loop::Small && hole.AzimuthDegrees == 0.0) {
                found.fromSmallTopAtZero = hole.ElementText;
            }
        } else {
            (hole.OfLoop == Loop::Small ? found.smallBottom : found.largeBottom)
                .insert(hole.AzimuthText);
        }
    }
    return found;
}

TEST(MastHoles, TurnTheBottomArmsByEachStylesTurnsInTheTwistsDirection) {
    struct Case {
        HelixStyle style;
        std::set<std::string> smallBottom, largeBottom;
        const char *rhcpEnd, *lhcpEnd;
    };
    const Case cases[] = {
        {HelixStyle::QuarterTurn, {"90", "270"}, {"0", "180"}, "to 90°", "to 270°"},
        {HelixStyle::HalfTurnRca, {"0", "180"}, {"90", "270"}, "to 180°", "to 180°"},
        {HelixStyle::HalfTurnShort, {"0", "180"}, {"90", "270"}, "to 180°", "to 180°"},
        {HelixStyle::HalfTurnTall, {"0", "180"}, {"90", "270"}, "to 180°", "to 180°"},
        {HelixStyle::OneTurn, {"0", "180"}, {"90", "270"}, "to 0°", "to 0°"},
        {HelixStyle::OneAndHalfTurn, {"0", "180"}, {"90", "270"}, "to 180°", "to 180°"},
    };
    for (const Case& c : cases) {
        for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
            const Azimuths found = AzimuthsOf(c.style, sense);
            const char* name = StyleEntryOf(c.style).Name.data();
            EXPECT_EQ(found.smallBottom, c.smallBottom) << name;
            EXPECT_EQ(found.largeBottom, c.largeBottom) << name;
            EXPECT_EQ(found.fromSmallTopAtZero, sense == Polarisation::Rhcp ? c.rhcpEnd : c.lhcpEnd)
                << name;
        }
    }
}

TEST(MastHoles, NameTheOtherEndOfEachElementConsistently) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        const ConstructionSheet sheet =
            ComputeConstructionSheet(HelixStyle::QuarterTurn, "137.50", sense);
        for (const MastHole& top : sheet.Holes) {
            if (top.Arm != ArmPosition::Top) {
                continue;
            }
            // The bottom side this element runs to says that it comes from here.
            int matches = 0;
            for (const MastHole& bottom : sheet.Holes) {
                if (bottom.Arm == ArmPosition::Bottom && bottom.OfLoop == top.OfLoop &&
                    bottom.AzimuthDegrees == top.ElementEndDegrees) {
                    EXPECT_EQ(bottom.ElementEndDegrees, top.AzimuthDegrees);
                    ++matches;
                }
            }
            EXPECT_EQ(matches, 1) << top.ArmName << " " << top.AzimuthText;
        }
    }
}

TEST(Twist, SaysWhichWayTheElementsRunForEachPolarisation) {
    const ConstructionSheet right =
        ComputeConstructionSheet(HelixStyle::OneTurn, "137.50", Polarisation::Rhcp);
    const ConstructionSheet left =
        ComputeConstructionSheet(HelixStyle::OneTurn, "137.50", Polarisation::Lhcp);
    EXPECT_NE(right.TwistInWords.find("RHCP"), std::string::npos);
    EXPECT_NE(right.TwistInWords.find("seen from above, each element runs counter-clockwise as "
                                      "it goes down"),
              std::string::npos);
    EXPECT_NE(left.TwistInWords.find("LHCP"), std::string::npos);
    EXPECT_NE(left.TwistInWords.find("seen from above, each element runs clockwise as it goes "
                                     "down"),
              std::string::npos);
    EXPECT_NE(right.TwistInWords.find("makes 1 turn"), std::string::npos);
    EXPECT_NE(ComputeConstructionSheet(HelixStyle::OneAndHalfTurn, "137.50", Polarisation::Rhcp)
                  .TwistInWords.find("makes 1 1/2 turns"),
              std::string::npos);
}

TEST(Tenths, RoundHalfAwayFromZeroFromTheHundredths) {
    EXPECT_EQ(FormatTenths(938.66), "938.7");
    EXPECT_EQ(FormatTenths(17.46), "17.5");
    EXPECT_EQ(FormatTenths(17.45), "17.5");
    EXPECT_EQ(FormatTenths(17.44), "17.4");
    EXPECT_EQ(FormatTenths(0.0), "0.0");
    EXPECT_EQ(FormatTenths(3030.79), "3030.8");
    EXPECT_EQ(FormatDegrees(270.0), "270");
    EXPECT_EQ(FormatDegrees(22.5), "22.5");
    EXPECT_EQ(FormatMillimetres(32.0), "32");
    EXPECT_EQ(FormatMillimetres(40.55), "40.6");
    EXPECT_EQ(FormatMillimetres(24.96), "25");
}

TEST(SheetErrors, ABadFrequencyIsTheCalculatorsOwnError) {
    try {
        ComputeConstructionSheet(HelixStyle::QuarterTurn, "abc", Polarisation::Rhcp);
        FAIL() << "no error";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::TypeMismatch);
        EXPECT_EQ(error.Number(), 13);
        EXPECT_EQ(error.Message(), "Type mismatch");
    }
    EXPECT_THROW(ComputeConstructionSheet(HelixStyle::QuarterTurn, "0", Polarisation::Rhcp),
                 NumericError);
}

TEST(SheetErrors, AMastDiameterMustBeAPositiveNumber) {
    for (const char* text : {"abc", "", "0", "-32", "1e-60", "nan"}) {
        try {
            ReadMastDiameter(text);
            FAIL() << text;
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::MastDiameterNotValid) << text;
            EXPECT_EQ(error.Number(), 380);
            EXPECT_EQ(error.Message(), "Invalid property value");
            EXPECT_NE(error.Detail().find("mast diameter"), std::string::npos) << error.Detail();
        }
    }
    EXPECT_EQ(ReadMastDiameter(" 40.5 "), 40.5);
    EXPECT_THROW(ComputeConstructionSheet(HelixStyle::OneTurn, "137.5", Polarisation::Rhcp, 0.0),
                 SheetError);
}

TEST(SheetErrors, AMastDiameterMustLieInTheSheetWindowsRange) {
    EXPECT_EQ(ReadMastDiameter("1"), AllowedMastDiameters().LeastMm);
    EXPECT_EQ(ReadMastDiameter("500"), AllowedMastDiameters().MostMm);
    for (const char* text : {"0.001", "0.99", "500.5", "1E+30"}) {
        try {
            ReadMastDiameter(text);
            FAIL() << text;
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::MastDiameterNotValid) << text;
            EXPECT_EQ(error.Detail(), "the mast diameter must be from 1 to 500 mm") << text;
        }
    }
    for (const double millimetres : {0.5, 500.01, std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(
            ComputeConstructionSheet(HelixStyle::OneTurn, "137.5", Polarisation::Rhcp, millimetres),
            SheetError)
            << millimetres;
    }
    // The widest mast, in loops wide enough for it.
    EXPECT_EQ(ComputeConstructionSheet(HelixStyle::OneTurn, "29.6", Polarisation::Rhcp, 500.0)
                  .MastDiameterMm,
              500.0);
}

TEST(SheetErrors, ANegativeFrequencyGivesNothingToBuild) {
    try {
        ComputeConstructionSheet(HelixStyle::OneTurn, "-137.5", Polarisation::Rhcp);
        FAIL() << "no error";
    } catch (const SheetError& error) {
        EXPECT_EQ(error.Kind(), SheetErrorKind::CannotBeDrawn);
        EXPECT_EQ(error.Number(), 17);
        EXPECT_EQ(error.Message(), "Can't perform requested operation");
        EXPECT_NE(error.Detail().find("-137.5 MHz"), std::string::npos) << error.Detail();
    }
}

// The sheet a builder asks for with `change` applied to the calculator's design at 137.50 MHz.
template <typename Change>
ConstructionSheet Asked(HelixStyle style, Change change) {
    SheetRequest request;
    request.Style = style;
    request.FrequencyText = "137.50";
    change(request);
    return ComputeConstructionSheet(request);
}

const CutListLine& LineOf(const ConstructionSheet& sheet, const std::string& group,
                          const std::string& partStart) {
    for (const CutListLine& line : sheet.CutList) {
        if (line.Group == group && line.Part.rfind(partStart, 0) == 0) {
            return line;
        }
    }
    throw std::runtime_error("no " + group + " " + partStart);
}

TEST(MastFit, RefusesAMastNoWiderThanTheHolesAndNamesBothSizes) {
    // 1/2 TURN .3 TALL at 62.5 MHz: a tube of 19.20 mm.
    const auto texts = BoxTexts(HelixStyle::HalfTurnShort, "62.5");
    const double tube = std::stod(texts.at("TubeDiameter"));
    for (const double mast : {12.0, tube}) {
        try {
            ComputeConstructionSheet(HelixStyle::HalfTurnShort, "62.5", Polarisation::Rhcp, mast);
            FAIL() << mast;
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::MastDoesNotFit);
            EXPECT_EQ(error.Number(), 380);
            EXPECT_EQ(error.Message(), "Invalid property value");
            EXPECT_EQ(
                error.Detail().rfind(
                    "a " + std::string(mast == 12.0 ? "12" : texts.at("TubeDiameter")) + " mm mast",
                    0),
                0u)
                << error.Detail();
            EXPECT_NE(error.Detail().find(texts.at("TubeDiameter") + " mm holes"),
                      std::string::npos)
                << error.Detail();
        }
    }
    // Just wider than the holes is a mast.
    EXPECT_NO_THROW(ComputeConstructionSheet(HelixStyle::HalfTurnShort, "62.5", Polarisation::Rhcp,
                                             tube + 0.01));
}

TEST(MastFit, RefusesAMastThatTheSmallerLoopsElementsWouldRunInto) {
    // 1 TURN at 1691 MHz: a loop under 20 mm across around a 32 mm mast.
    const auto texts = BoxTexts(HelixStyle::OneTurn, "1691");
    const double tube = std::stod(texts.at("TubeDiameter"));
    const double smaller =
        std::min(std::stod(texts.at("SmallBottomArm")), std::stod(texts.at("LargeBottomArm")));
    const double limit = smaller - tube;
    for (const double mast : {32.0, limit}) {
        try {
            ComputeConstructionSheet(HelixStyle::OneTurn, "1691", Polarisation::Rhcp, mast);
            FAIL() << mast;
        } catch (const SheetError& error) {
            EXPECT_EQ(error.Kind(), SheetErrorKind::MastDoesNotFit);
            EXPECT_NE(error.Detail().find("bottom arm of " + texts.at("SmallBottomArm") + " mm"),
                      std::string::npos)
                << error.Detail();
            EXPECT_NE(error.Detail().find("tube diameter of " + texts.at("TubeDiameter")),
                      std::string::npos)
                << error.Detail();
        }
    }
    EXPECT_NO_THROW(
        ComputeConstructionSheet(HelixStyle::OneTurn, "1691", Polarisation::Rhcp, limit - 0.01));
    const MastFit fit = FittingMastDiameters(
        ComputeConstructionSheet(HelixStyle::OneTurn, "1691", Polarisation::Rhcp, limit / 2.0)
            .Dimensions,
        tube);
    EXPECT_NEAR(fit.AboveMm, tube, 1e-9);
    EXPECT_NEAR(fit.BelowMm, limit, 1e-9);
}

TEST(MastFit, GivesTheWindowTheTenthsInsideTheFitAndSaysWhy) {
    struct Case {
        HelixStyle Style;
        const char* Frequency;
        std::optional<double> Conductor;
    };
    const Case cases[] = {
        {HelixStyle::OneTurn, "1691", std::nullopt},  // a loop under 20 mm across
        {HelixStyle::QuarterTurn, "137.50", std::nullopt},
        {HelixStyle::OneTurn, "29.6", std::nullopt},  // loops wider than any mast
        {HelixStyle::HalfTurnTall, "137.50", 2.0},
    };
    for (const Case& c : cases) {
        SheetRequest request;
        request.Style = c.Style;
        request.FrequencyText = c.Frequency;
        request.ConductorDiameterMm = c.Conductor;
        const MastDiameterRange range = AllowedMastDiameters(request);
        SCOPED_TRACE(std::string(StyleEntryOf(c.Style).Name) + " at " + c.Frequency);
        ASSERT_FALSE(range.Empty());
        EXPECT_GE(range.LeastMm, AllowedMastDiameters().LeastMm);
        EXPECT_LE(range.MostMm, AllowedMastDiameters().MostMm);
        // Both ends make a sheet; a tenth beyond either end does not, unless the plain range
        // stops it first.
        for (const double mast : {range.LeastMm, range.MostMm}) {
            request.MastDiameterMm = mast;
            EXPECT_NO_THROW(ComputeConstructionSheet(request)) << mast;
        }
        for (const double mast : {range.LeastMm - 0.1, range.MostMm + 0.1}) {
            request.MastDiameterMm = mast;
            EXPECT_THROW(ComputeConstructionSheet(request), SheetError) << mast;
        }
    }
    // 1 TURN at 1691 MHz: holes of 0.71 mm, a small loop 18.34 mm across.
    SheetRequest small;
    small.Style = HelixStyle::OneTurn;
    small.FrequencyText = "1691";
    const MastDiameterRange tiny = AllowedMastDiameters(small);
    EXPECT_EQ(tiny.LeastMm, 1.0);  // the plain range's end, above the 0.8 the holes allow
    EXPECT_NEAR(tiny.MostMm, 17.6, 1e-9);
    EXPECT_EQ(tiny.Why, "narrower than the small loop's bottom arm less one tube diameter");
    small.FrequencyText = "137.50";
    const MastDiameterRange usual = AllowedMastDiameters(small);
    EXPECT_NEAR(usual.LeastMm, 8.8, 1e-9);
    EXPECT_EQ(usual.Why.rfind("wider than the 8.73 mm holes for the tube and narrower than", 0), 0u)
        << usual.Why;
    // A conductor as thick as the loops leaves no mast at all.
    small.ConductorDiameterMm = 150.0;
    EXPECT_TRUE(AllowedMastDiameters(small).Empty());
}

TEST(MastFit, MeasuresTheHolesByTheBuildersConductor) {
    // 1/4 TURN at 29 MHz: 41.4 mm tube holes would cut a 32 mm mast through; 20 mm wire's do not.
    EXPECT_THROW(ComputeConstructionSheet(HelixStyle::QuarterTurn, "29", Polarisation::Rhcp, 32.0),
                 SheetError);
    const ConstructionSheet wire = [] {
        SheetRequest request;
        request.Style = HelixStyle::QuarterTurn;
        request.FrequencyText = "29";
        request.ConductorDiameterMm = 20.0;
        return ComputeConstructionSheet(request);
    }();
    EXPECT_EQ(wire.ConductorDiameterMm, 20.0);
    EXPECT_TRUE(wire.ConductorDiffers());
    EXPECT_EQ(LineOf(wire, "Tube", "Your tube or wire").LengthText, "20.00");
    EXPECT_NEAR(wire.Geometry.Wires.front().Radius, 0.010, 1e-12);  // metres
}

TEST(Conductor, IsTheCalculatorsTubeUnlessTheBuilderSaysOtherwise) {
    const ConstructionSheet design =
        ComputeConstructionSheet(HelixStyle::HalfTurnTall, "137.50", Polarisation::Rhcp);
    EXPECT_FALSE(design.ConductorDiffers());
    EXPECT_EQ(design.ConductorDiameterMm, 8.73);
    EXPECT_THROW(LineOf(design, "Tube", "Your tube or wire"), std::runtime_error);
    EXPECT_FALSE(Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) {
                     r.ConductorDiameterMm = 8.73;
                 }).ConductorDiffers());
    // Thicker than the smaller loop's radius: the model's own refusal.
    try {
        Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) {
            r.MastDiameterMm = 20.0;
            r.ConductorDiameterMm = 170.0;
        });
        FAIL() << "no error";
    } catch (const SheetError& error) {
        EXPECT_EQ(error.Kind(), SheetErrorKind::MastDoesNotFit) << error.Detail();
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable) << error.Detail();
    }
}

TEST(Bends, ShortenEachLoopByWhatItsFourRoundedCornersSave) {
    // 1/2 TURN .44 TALL: perimeters 2363.91 and 2382.31 mm. By hand, a corner bent at 45 mm on
    // its centre line is a quarter circle of 70.686 mm in place of two 45 mm legs: 19.314 mm
    // less, 77.26 mm a loop.
    const ConstructionSheet sheet =
        Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) { r.BendRadiusMm = 45.0; });
    EXPECT_EQ(LineOf(sheet, "Small loop", "Tube to cut").LengthText, "2286.65");
    EXPECT_EQ(LineOf(sheet, "Large loop", "Tube to cut").LengthText, "2305.05");
    EXPECT_EQ(LineOf(sheet, "Small loop", "Tube to cut").Part, "Tube to cut, corners at r = 45 mm");
    // Sharp corners cut the perimeter: no line of its own.
    EXPECT_THROW(
        LineOf(ComputeConstructionSheet(HelixStyle::HalfTurnTall, "137.50", Polarisation::Rhcp),
               "Small loop", "Tube to cut"),
        std::runtime_error);
}

TEST(Bends, ThatDoNotFitInTheArmsAreRefused) {
    // The top arms of 1/2 TURN .44 TALL are 152.66 mm from the feed to the corner.
    EXPECT_NO_THROW(
        Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) { r.BendRadiusMm = 152.0; }));
    for (const double radius : {153.0, -1.0}) {
        try {
            Asked(HelixStyle::HalfTurnTall, [radius](SheetRequest& r) { r.BendRadiusMm = radius; });
            FAIL() << radius;
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::BendDoesNotFit);
            EXPECT_FALSE(error.Detail().empty());
        }
    }
}

TEST(Inches, GiveEveryLengthOfTheCutListAndHoleTableToHundredths) {
    const ConstructionSheet sheet =
        Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) { r.Units = LengthUnit::Inch; });
    // 870.29 mm / 25.4 = 34.263 in; 17.46 mm = 0.687 in; 741.52 mm = 29.194 in.
    EXPECT_EQ(LineOf(sheet, "Small loop", "Helical element").LengthText, "34.26");
    EXPECT_EQ(LineOf(sheet, "Tube", "Tube outside diameter").LengthText, "0.34");
    std::set<std::string> depths;
    for (const MastHole& hole : sheet.Holes) {
        depths.insert(hole.DistanceText);
    }
    EXPECT_EQ(depths, (std::set<std::string>{"0.00", "0.69", "28.07", "29.19"}));
    EXPECT_EQ(FormatInches(12.7), "0.50");
    EXPECT_EQ(FormatInches(-25.4), "-1.00");
    EXPECT_EQ(FormatHundredths(2286.6533), "2286.65");
    EXPECT_EQ(FormatHundredths(0.005), "0.01");
}

TEST(Feed, LabelsEachTopArmHoleWithTheConductorTheModelJoinsItTo) {
    for (const StyleEntry& style : Styles) {
        for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
            const ConstructionSheet sheet = SheetAt(style.Style, "137.50", sense);
            const auto model = FeedConnections(BuildHelixGeometry(style, "137.50", sense));
            int labelled = 0;
            for (const MastHole& hole : sheet.Holes) {
                if (hole.Arm == ArmPosition::Bottom) {
                    EXPECT_FALSE(hole.Feed.has_value());
                    continue;
                }
                ASSERT_TRUE(hole.Feed.has_value()) << hole.ArmName;
                for (const FeedArm& arm : model) {
                    if (std::string(arm.ArmName) == hole.ArmName &&
                        std::fabs(std::remainder(arm.AzimuthDeg - hole.AzimuthDegrees, 360.0)) <
                            1e-6) {
                        EXPECT_EQ(FeedSideName(arm.Side), FeedSideName(*hole.Feed))
                            << style.Name << " " << hole.ArmName << " " << hole.AzimuthText;
                        ++labelled;
                    }
                }
            }
            EXPECT_EQ(labelled, 4) << style.Name;
            // One arm of each loop goes to each conductor.
            std::map<std::string, int> centres;
            for (const MastHole& hole : sheet.Holes) {
                if (hole.Feed == FeedSide::CoaxCentre) {
                    ++centres[hole.ArmName];
                }
            }
            EXPECT_EQ(centres, (std::map<std::string, int>{{"Small loop top arm", 1},
                                                           {"Large loop top arm", 1}}));
        }
    }
}

TEST(Tuned, DrawsTheTunedLoopsAndMarksEveryLengthThatFollowsThem) {
    HelixDimensions design;
    ComputeHelixDimensions("137.50", StyleConstantsOf(HelixStyle::QuarterTurn), design);
    const HelixDimensions tunedDimensions = ScaledDimensions(design, {1.02, 0.98});
    const ConstructionSheet sheet = Asked(HelixStyle::QuarterTurn, [&](SheetRequest& r) {
        r.Tuned = TunedLoops{1.02, 0.98, tunedDimensions};
    });
    for (const CutListLine& line : sheet.CutList) {
        EXPECT_EQ(line.Tuned, line.Group != "Tube") << line.Part;
        if (!line.DimensionName.empty()) {
            const auto shown = std::find_if(
                DisplayOrder.begin(), DisplayOrder.end(),
                [&](const DisplayedDimension& d) { return d.Name == line.DimensionName; });
            ASSERT_NE(shown, DisplayOrder.end());
            EXPECT_EQ(line.LengthText, FormatDimension(tunedDimensions.*shown->Field))
                << line.Group << " " << line.Part;
        }
    }
    // The small loop 2 % larger, the large one 2 % smaller than the design's 2410.11 and 2427.1.
    EXPECT_NEAR(std::stod(LineOf(sheet, "Small loop", "Total conductor").LengthText),
                2410.11 * 1.02, 0.05);
    EXPECT_NEAR(std::stod(LineOf(sheet, "Large loop", "Total conductor").LengthText), 2427.1 * 0.98,
                0.05);
    for (const MastHole& hole : sheet.Holes) {
        EXPECT_EQ(hole.Tuned, hole.Arm == ArmPosition::Bottom) << hole.ArmName;
        if (hole.ArmName == "Small loop bottom arm") {
            EXPECT_EQ(hole.DistanceText, FormatTenths(912.47 * 1.02));
        }
    }
    // The feed and the match come from the tuned helix.
    EXPECT_EQ(sheet.Geometry.SmallLoopScale, 1.02);
    EXPECT_EQ(sheet.Geometry.LargeLoopScale, 0.98);
}

TEST(Match, IsTheModelsLNetworkToTheSheetsZ0) {
    ConstructionSheet sheet =
        Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) { r.Z0Ohm = 75.0; });
    EXPECT_FALSE(sheet.Match.Modelled);
    EXPECT_EQ(MatchTitle(sheet.Match), "Match to 75 ohm");
    ModelFigures figures;
    figures.Impedance = {14.39, 14.35};
    AddModelledMatch(sheet, figures);
    ASSERT_TRUE(sheet.Match.Modelled);
    // The two parts put back between the antenna and the line leave no reflection on 75 ohm.
    const std::complex<double> seen = sheet.Match.Network.InputImpedance(figures.Impedance, 137.5);
    EXPECT_NEAR(SwrOn(seen, 75.0), 1.0, 1e-6);
    EXPECT_NEAR(sheet.Match.SwrUnmatched, SwrOn(figures.Impedance, 75.0), 1e-12);

    AddMissingModel(sheet, "nec2c was not found on the PATH");
    EXPECT_FALSE(sheet.Match.Modelled);
    EXPECT_EQ(sheet.Match.Unavailable, "nec2c was not found on the PATH");
    EXPECT_EQ(
        MatchTitle(
            ComputeConstructionSheet(HelixStyle::OneTurn, "137.50", Polarisation::Rhcp).Match),
        "Match to 50 ohm");
}

TEST(Match, IsModelledAsInstalledAndGivesAChokeRecipeForAChokedCoax) {
    ConstructionSheet sheet = Asked(HelixStyle::HalfTurnTall, [](SheetRequest& r) {
        r.Install.Ground = GroundKind::Perfect;
        r.Install.Feedline = FeedlineKind::Choked;
        r.Install.ChokeOhm = 1000.0;
    });
    // The match is modelled on the installed antenna's deck; the drawings keep the antenna's own.
    EXPECT_EQ(sheet.Geometry.Install.Feedline, FeedlineKind::Choked);
    ModelFigures figures;
    figures.Impedance = {21.5, 15.9};
    AddModelledMatch(sheet, figures);
    EXPECT_EQ(sheet.Match.Installed,
              "perfect ground, lowest point 3 m up; coax braid choked with 1000 ohm");
    const std::string& recipe = sheet.Match.ChokeRecipe;
    EXPECT_NE(recipe.find("about 1000 ohm of common-mode impedance at 137.50 MHz"),
              std::string::npos)
        << recipe;
    EXPECT_NE(recipe.find("5 snap-on ferrite sleeves of mix 43"), std::string::npos) << recipe;
    // 6 turns on 45 mm between centres at a 5 mm pitch: 1.43 uH by Wheeler, 1234 ohm at
    // 137.5 MHz; 5 turns give 1.10 uH, 951 ohm, too little.
    EXPECT_NE(recipe.find("6 close-wound turns of the coax on a 40 mm form"), std::string::npos);
    EXPECT_NE(recipe.find("Check it on a VNA"), std::string::npos);

    ConstructionSheet alone = Asked(HelixStyle::HalfTurnTall, [](SheetRequest&) {});
    AddModelledMatch(alone, figures);
    EXPECT_TRUE(alone.Match.Installed.empty());
    EXPECT_TRUE(alone.Match.ChokeRecipe.empty());
}

TEST(Match, GivesEachPartsValueToThreeSignificantFigures) {
    EXPECT_EQ(ComponentValueText({MatchingKind::Inductor, 9.594e-9}), "9.59 nH");
    EXPECT_EQ(ComponentValueText({MatchingKind::Inductor, 4.5e-9}), "4.50 nH");
    EXPECT_EQ(ComponentValueText({MatchingKind::Capacitor, 123.45e-12}), "123 pF");
    EXPECT_EQ(ComponentValueText({MatchingKind::Capacitor, 9.996e-12}), "10.0 pF");
    EXPECT_EQ(ComponentValueText({MatchingKind::Inductor, 1234.5e-9}), "1.23 \u00B5H");
    EXPECT_EQ(ComponentValueText({}), "none");
}

}  // namespace
}  // namespace zandrel
