// The deck that zandrel2 writes for nec2c.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "nec_deck.h"

namespace zandrel {
namespace {

std::vector<std::string> Cards(const std::string& deck, const std::string& name) {
    std::vector<std::string> cards;
    std::istringstream lines(deck);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " ", 0) == 0 || line == name) {
            cards.push_back(line);
        }
    }
    return cards;
}

TEST(NecDeck, NamesTheStyleFrequencyTwistAndTheElevenDimensionsInComments) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[1], "137.50", Polarisation::Rhcp);
    const std::string deck = WriteNecDeck(geometry);
    const std::vector<std::string> comments = Cards(deck, "CM");
    std::string all;
    for (const std::string& comment : comments) {
        EXPECT_LE(comment.size(), 100u) << comment;
        all += comment + "\n";
    }
    EXPECT_NE(all.find("1/2 TURN RCA (HalfTurnRca)"), std::string::npos) << all;
    EXPECT_NE(all.find("Design frequency 137.50 MHz"), std::string::npos);
    EXPECT_NE(all.find("RHCP upwards"), std::string::npos);
    EXPECT_NE(all.find("CM TubeDiameter 19.2\n"), std::string::npos);
    EXPECT_NE(all.find("CM SmallHelixLength 745.11\n"), std::string::npos);
    for (const DisplayedDimension& shown : DisplayOrder) {
        EXPECT_NE(all.find("CM " + std::string(shown.Name) + " "), std::string::npos);
    }
    const std::string lhcp =
        WriteNecDeck(BuildHelixGeometry(Styles[1], "137.50", Polarisation::Lhcp));
    EXPECT_NE(lhcp.find("LHCP upwards"), std::string::npos);
}

TEST(NecDeck, FeedsBothTopWiresOnTheirMiddleSegmentsAndAsksForTheSweepAndPattern) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[4], "137.50", Polarisation::Rhcp);
    const std::string deck = WriteNecDeck(geometry);
    EXPECT_EQ(Cards(deck, "GW").size(), geometry.Wires.size());
    const std::vector<std::string> sources = Cards(deck, "EX");
    ASSERT_EQ(sources.size(), 2u);
    const std::string middle = std::to_string(geometry.FeedSegment);
    EXPECT_EQ(sources[0],
              "EX 0 " + std::to_string(geometry.SmallFeedTag) + " " + middle + " 0 1 0");
    EXPECT_EQ(sources[1],
              "EX 0 " + std::to_string(geometry.LargeFeedTag) + " " + middle + " 0 1 0");
    const std::vector<std::string> frequencies = Cards(deck, "FR");
    ASSERT_EQ(frequencies.size(), 2u);
    EXPECT_EQ(frequencies[0], "FR 0 1 0 0 137.5 0");
    EXPECT_EQ(frequencies[1], "FR 0 11 0 0 130.625 1.375");
    EXPECT_EQ(Cards(deck, "RP").front(), "RP 0 37 72 1000 0 0 5 5");
    EXPECT_EQ(Cards(deck, "GN").size(), 0u);  // free space
    EXPECT_EQ(Cards(deck, "LD").size(), 0u);  // perfect conductors
    EXPECT_EQ(deck.substr(deck.size() - 3), "EN\n");
}

TEST(NecDeck, AsksForTheWholePatternAtTheDesignFrequencyAloneForThePass) {
    const HelixGeometry geometry = BuildHelixGeometry(Styles[5], "137.50", Polarisation::Rhcp);
    DeckRequest request;
    request.Runs = DeckRuns::Pattern;
    const std::string deck = WriteNecDeck(geometry, request);
    EXPECT_EQ(Cards(deck, "FR"), std::vector<std::string>{"FR 0 1 0 0 137.5 0"});
    EXPECT_EQ(Cards(deck, "RP"), std::vector<std::string>{"RP 0 37 72 1000 0 0 5 5"});
    EXPECT_EQ(Cards(deck, "EX").size(), 2u);
    EXPECT_TRUE(Cards(deck, "XQ").empty());  // the pattern's RP runs the one frequency
    EXPECT_EQ(deck.substr(deck.size() - 3), "EN\n");
}

TEST(NecDeck, KeepsAnOddFrequencyTextOnOneShortCommentLine) {
    const std::string text = "  137.50000000000000000000000000000000000000000000000000  ";
    const std::string deck = WriteNecDeck(BuildHelixGeometry(Styles[0], text, Polarisation::Rhcp));
    const std::vector<std::string> comments = Cards(deck, "CM");
    ASSERT_GE(comments.size(), 2u);
    EXPECT_EQ(comments[1].rfind("CM Design frequency 137.5000000000", 0), 0u) << comments[1];
    EXPECT_LE(comments[1].size(), 80u);
}

TEST(NecDeck, SweepsFivePerCentEachSideWithTheDesignFrequencyInTheMiddle) {
    const std::vector<double> sweep = SweepFrequencies(137.5);
    ASSERT_EQ(sweep.size(), 11u);
    EXPECT_DOUBLE_EQ(sweep.front(), 130.625);
    EXPECT_NEAR(sweep[5], 137.5, 1e-12);
    EXPECT_NEAR(sweep.back(), 144.375, 1e-12);
}

TEST(NecDeck, JoinsSeveralHelicesIntoOneDeckWithANextStructureCardBetweenEach) {
    DeckRequest request;
    request.Runs = DeckRuns::Impedances;
    request.ImpedanceFrequenciesMHz = {135.2};
    GeometryOptions longer;
    longer.SmallLoopScale = 1.001;
    const std::vector<HelixGeometry> helices{
        BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp),
        BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp, longer)};
    const std::string first = WriteNecDeck(helices[0], request);
    const std::string second = WriteNecDeck(helices[1], request);
    const std::string joined = WriteNecDecks(helices, request);
    // The first deck up to its end card, then the next structure, then the second deck whole.
    EXPECT_EQ(joined, first.substr(0, first.size() - 3) + "NX\n" + second);
    EXPECT_EQ(Cards(joined, "EN").size(), 1u);
    EXPECT_EQ(Cards(joined, "XQ").size(), 2u);
    EXPECT_EQ(WriteNecDecks({helices[0]}, request), first);
}

}  // namespace
}  // namespace zandrel
