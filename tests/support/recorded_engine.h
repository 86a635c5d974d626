// nec2c's recorded outputs replayed inside the test program: the deck's SHA-256 names the
// recording that tests/support/recorded-nec2c/ keeps, read without starting nec2c's stand-in.
// A deck never recorded goes to the engine on the PATH (the stand-in, which records it when
// ZANDREL2_RECORD_NEC2C names the real nec2c).
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <lzma.h>
#include <filesystem>
#include <string>

#include "nec2c_engine.h"
#include "nec_output.h"

namespace zandrel::test_support {

// The text of an xz file, unpacked in the test program itself: a fit replays hundreds of runs,
// and a process for each would cost more than the fit.
inline std::string Unpacked(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string packed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&stream, UINT64_MAX, 0) != LZMA_OK) {
        return {};
    }
    stream.next_in = reinterpret_cast<const std::uint8_t*>(packed.data());
    stream.avail_in = packed.size();
    std::string text;
    std::array<char, 65536> buffer{};
    lzma_ret status = LZMA_OK;
    while (status == LZMA_OK) {
        stream.next_out = reinterpret_cast<std::uint8_t*>(buffer.data());
        stream.avail_out = buffer.size();
        status = lzma_code(&stream, LZMA_FINISH);
        text.append(buffer.data(), buffer.size() - stream.avail_out);
    }
    lzma_end(&stream);
    return status == LZMA_STREAM_END ? text : std::string();
}

inline DeckEvaluator RecordedNec2c() {
    return [](const std::string& deck) {
        const QByteArray hash =
            QCryptographicHash::hash(QByteArray::fromStdString(deck), QCryptographicHash::Sha256)
                .toHex();
        const std::filesystem::path recorded =
            std::filesystem::path(ZANDREL2_RECORDED_OUTPUTS) / (hash.toStdString() + ".out.xz");
        if (!std::filesystem::exists(recorded)) {
            return RunDeckInNec2c(deck);
        }
        return ParseNecOutput(Unpacked(recorded));
    };
}

}  // namespace zandrel::test_support
