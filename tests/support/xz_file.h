// The text of an xz file, as nec2c's outputs are recorded, unpacked without a process.
#pragma once

#include <lzma.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zandrel::test_support {

// Empty when it is not a whole xz file. A fit replays hundreds of runs, and a process for each
// would cost more than the fit.
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

}  // namespace zandrel::test_support
