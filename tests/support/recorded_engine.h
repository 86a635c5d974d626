// nec2c's recorded outputs replayed inside the test program: the deck's SHA-256 names the
// recording that tests/support/recorded-nec2c/ keeps, read without starting nec2c's stand-in.
// A deck never recorded goes to the engine on the PATH (the stand-in, which records it when
// ZANDREL2_RECORD_NEC2C names the real nec2c).
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <filesystem>
#include <string>

#include "nec2c_engine.h"
#include "nec_output.h"
#include "xz_file.h"

namespace zandrel::test_support {

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
