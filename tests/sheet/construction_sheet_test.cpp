// The sheet's content: the cut list and the mast holes against the calculator's own texts,
// the holes' azimuths for each style's turns, and the errors.
#include "construction_sheet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "helix_dimensions.h"
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

TEST(CutList, ShowsEveryFigureAsTheResultBoxesDo) {
    for (const StyleEntry& style : Styles) {
        for (const char* frequency : Frequencies) {
            const ConstructionSheet sheet =
                ComputeConstructionSheet(style.Style, frequency, Polarisation::Rhcp);
            const auto texts = BoxTexts(style.Style, frequency);
            ASSERT_EQ(sheet.CutList.size(), 9u);
            for (const CutListLine& line : sheet.CutList) {
                EXPECT_EQ(line.LengthText, texts.at(std::string(line.DimensionName)))
                    << style.Name << " at " << frequency << ": " << line.Part;
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
        {"Large loop", "Helical element", 2, column[10]},
        {"Large loop", "Top arm", 2, column[7]},
        {"Large loop", "Bottom arm", 1, column[8]},
        {"Large loop", "Total conductor (loop perimeter)", 1, column[2]},
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
            const ConstructionSheet sheet =
                ComputeConstructionSheet(style.Style, frequency, Polarisation::Rhcp);
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
    EXPECT_EQ(ComputeConstructionSheet(HelixStyle::OneTurn, "137.5", Polarisation::Rhcp, 500.0)
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

}  // namespace
}  // namespace zandrel
