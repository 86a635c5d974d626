// Stands in for nec2c in the tests that start it as a process: writes the output nec2c gave for
// the same deck, recorded under the deck's SHA-256 (see recorded-nec2c/nec2c, which records a
// deck never seen and which this hands such a deck to). Compiled, since a fit or a window's test
// replays hundreds of decks, and a shell with its programs for each cost seconds.
#include <nettle/sha2.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "xz_file.h"

namespace {

std::string Sha256InHex(const std::string& text) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
    std::array<std::uint8_t, SHA256_DIGEST_SIZE> digest{};
    sha256_digest(&context, digest.size(), digest.data());
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += Digits[byte >> 4];
        hex += Digits[byte & 0x0f];
    }
    return hex;
}

// As nec2c does, it refuses a file name of 76 characters or more.
constexpr std::size_t LongestName = 75;

int HandToTheRecorder(char** argv) {
    char shell[] = "/bin/sh";
    char script[] = ZANDREL2_RECORDING_SCRIPT;
    char* arguments[] = {shell, script, argv[1], argv[2], argv[3], argv[4], nullptr};
    execv(shell, arguments);
    std::perror("nec2c stand-in: /bin/sh");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::string(argv[1]) != "-i" || std::string(argv[3]) != "-o") {
        std::fprintf(stderr, "nec2c stand-in: usage: nec2c -i DECK -o OUTPUT\n");
        return 2;
    }
    const std::string deckName = argv[2];
    const std::string outputName = argv[4];
    if (deckName.size() > LongestName) {
        std::fprintf(stderr, "nec2c: Input file name too long - aborting\n");
        return 255;
    }
    if (outputName.size() > LongestName) {
        std::fprintf(stderr, "nec2c: Output file name too long - aborting\n");
        return 255;
    }
    std::ifstream deckFile(deckName, std::ios::binary);
    const std::string deck{std::istreambuf_iterator<char>(deckFile),
                           std::istreambuf_iterator<char>()};
    const std::filesystem::path recorded =
        std::filesystem::path(ZANDREL2_RECORDED_OUTPUTS) / (Sha256InHex(deck) + ".out.xz");
    if (!deckFile || !std::filesystem::exists(recorded)) {
        return HandToTheRecorder(argv);
    }
    const std::string output = zandrel::test_support::Unpacked(recorded);
    std::ofstream outputFile(outputName, std::ios::binary);
    if (output.empty() ||
        !outputFile.write(output.data(), static_cast<std::streamsize>(output.size()))) {
        std::fprintf(stderr, "nec2c stand-in: could not replay %s\n", recorded.c_str());
        return 1;
    }
    return 0;
}
